// Compiles and runs arbitrary source text through the whole driver, as the
// console program would: the input is written to a source file and handed to
// KjMain in a child process. Messages and program output are discarded; runs
// longer than a second are killed. Seeds: the programs under tests/programs/.
#include <cstddef>
#include <cstdint>

#include "run_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kj::fuzz::run_file(data, size, "fuzz.kj");
    return 0;
}
