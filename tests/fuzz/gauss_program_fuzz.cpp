// Compiles and runs arbitrary source text as a GAUSS program (the ".g"
// extension switches the dialect on), with the support source and library
// sources found along the include path. Seeds: tests/programs/gauss/.
#include <cstddef>
#include <cstdint>

#include "run_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kj::fuzz::run_file(data, size, "fuzz.g");
    return 0;
}
