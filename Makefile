# Front door: `make demo` and `make test` do all set-up on a fresh machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
# The libFuzzer targets `make fuzz` builds (one per line).
FUZZ_TARGETS = \
	scanner_fuzz \
	object_reader_fuzz \
	program_fuzz \
	gauss_program_fuzz \
	session_fuzz \
	source_check_fuzz \
	text_matrix_fuzz \
	fmt_fuzz \
	formatted_scan_fuzz \
	restrictions_fuzz \
	in7_description_fuzz \
	bn7_fuzz \
	csv_fuzz \
	xlsx_sheet_fuzz \
	xls_records_fuzz \
	dta_fuzz \
	gwg_fuzz \
	zip_member_fuzz
CMAKE_FLAGS ?=
# make install: the prefix (and DESTDIR, when set, in front of it).
PREFIX     ?= /usr/local

.PHONY: all deps configure build demo test docs asan tsan fuzz fuzz-run allocfail soak soak-embed interrupted-saves \
	bench clean install uninstall package

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	@for f in examples/*.kj; do echo "== $$f"; $(BUILD)/kj -b $$f $(BUILD) || exit 1; done
	@echo "== examples/mpi_montecarlo.kj on 2 ranks"
	@timeout 300 mpirun $$([ "$$(id -u)" -eq 0 ] && echo --allow-run-as-root) -np 2 \
		$(BUILD)/kj -b examples/mpi_montecarlo.kj

# The suite, after building the fuzz targets too, so that their build cannot
# break unnoticed; each target then runs its kept corpus and findings once.
test: build fuzz
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(FUZZ_BUILD) && ctest --output-on-failure -j $(JOBS) -R '^fuzz\.'

# The HTML site, build/docs/html/index.html (needs no server).
docs: build
	cmake --build $(BUILD) --target docs

asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKJ_SANITIZE=ON -DKJ_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/leak_suppressions.txt:print_suppressions=0 ctest --output-on-failure -j $(JOBS)

# ThreadSanitizer: the console program and the parallel-loop tests (Monte
# Carlo draws and regressions on 1, 2 and 4 threads, an abort from a C host);
# any report fails the run.
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKJ_TSAN=ON -DKJ_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target kj api_parallel_host
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1:exitcode=66 ctest --output-on-failure -j $(JOBS) -L parallel

fuzz: | deps
	@scripts/install-deps --fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKJ_FUZZ=ON -DKJ_BENCH=OFF
	# Only the fuzz targets: the dispatch loop is built with g++ for them, and
	# the rest of the tree is tested by the other builds.
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)

# Fuzzing: every target for MINUTES minutes, one after the other at the lowest
# priority; the corpora found are minimised into tests/fuzz/corpus/.
MINUTES ?= 4
fuzz-run: fuzz
	scripts/fuzz-run --minutes $(MINUTES) --build $(FUZZ_BUILD) $(FUZZ_TARGETS)

# Reliability runs kept out of make test (tests/reliability/): every
# allocation of each sweep program made to fail in turn; 100000 embedding
# cycles; a program building and dropping values for SOAK_SECONDS; saves of
# a SAVE_MB matrix killed half-way.
SOAK_SECONDS ?= 600
SAVE_MB ?= 500
allocfail: build
	cd $(BUILD)/tests/reliability/sweep && ../kj_alloc_sweep $(CURDIR)/tests/reliability/programs/*.kj
soak-embed: build
	cd $(BUILD)/tests/reliability/cycles && ../kj_embed_cycles 100000 1000 10000 100000
soak: build
	python3 tests/reliability/soak.py $(BUILD)/kj $(SOAK_SECONDS)
interrupted-saves: build
	python3 tests/reliability/check_interrupted_saves.py $(BUILD)/kj $(SAVE_MB)

# The list of installed files is kept for make uninstall (the one CMake writes
# is overwritten by every later install, the test suite's and CPack's too).
# Installed for real (no DESTDIR) by root, the loader's cache learns the library.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"
	sed "s|^|$(DESTDIR)|" $(BUILD)/install_manifest.txt > $(BUILD)/installed_files.txt
	@if [ -z "$(DESTDIR)" ] && [ "$$(id -u)" -eq 0 ]; then ldconfig; fi

uninstall:
	cmake -DMANIFEST=$(BUILD)/installed_files.txt -P cmake/uninstall.cmake

# A Debian package, build/kj_VERSION_ARCH.deb: apt install ./build/kj_*.deb
package: build
	cd $(BUILD) && cpack -G DEB

bench: build
	cd $(BUILD) && env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE ./bench/kj_bench

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
