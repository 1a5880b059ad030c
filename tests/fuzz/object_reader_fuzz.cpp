// Feeds arbitrary bytes to the object-file reader as the contents of a
// ".kjo" file, loading into tables that already hold a literal, a symbol, a
// class and some code, then writes the result out again so that whatever
// was loaded is walked once more. Then the same bytes go through the driver
// as an object file of their own, in a child process: linked and, when they
// link, run (a run that crashes is a finding, one that does not end within a
// second is killed). The child is spared for bytes that empty tables refuse,
// as the driver's would. Corpus: tests/fuzz/corpus/object_reader/.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <kj80x.h>

#include "runtime/settings.h"
#include "link/class_members.h"
#include "link/code_image.h"
#include "link/compiler_tables.h"
#include "link/literals.h"
#include "link/object_reader.h"
#include "link/object_writer.h"
#include "link/symbols.h"
#include "run_fuzz_support.h"

namespace {

void free_tables() {
    using namespace kj::link;
    symbols_free();
    literals_free();
    code_free();
}

// The driver's first step: the file read into its empty tables.
bool loads_alone(const std::uint8_t* data, std::size_t size) {
    using namespace kj::link;
    reset_compiler_tables();
    const bool loaded = load_object_bytes(data, size, "fuzz.kjo") == 0;
    free_compiler_tables();
    return loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kj::link;
    static std::FILE* const sink = [] {
        kj::fuzz::prepare_runs();
        return std::fopen("/dev/null", "wb");
    }();
    // Room for every symbol entry of a file up to -max_len=8192 (8 bytes
    // each at least): a full table ends the process by design.
    symbols_reset(8192 / 8 + 8);
    literals_reset();
    code_reset();
    add_int_literal(7);
    add_symbol("g", kj::value::make_int(1));
    ClassBuilder builder;
    builder.add_data_member("x", 0, kj::value::make_none());
    kj::value::Value base = builder.finish(-1);
    base.u.obj.cls = add_symbol("Base", base);
    symbol_at(base.u.obj.cls).val.u.obj.cls = base.u.obj.cls;
    emit(Op::Nop);

    load_object_bytes(data, size, "fuzz/unit.kjo");
    write_object(sink);
    free_tables();

    if (loads_alone(data, size)) kj::fuzz::run_file(data, size, "fuzz.kjo");
    return 0;
}
