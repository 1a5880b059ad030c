// The graph-file reader on arbitrary text. What it reads is written out in the
// same format, which must read back to the same text, and is drawn by the SVG,
// PostScript and PDF writers (every eighth input by the PNG renderer too):
// whatever a damaged file leaves in a graph must be drawable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "graphics/writers.h"
#include "run_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kj::graphics;
    static const bool prepared = (kj::fuzz::prepare_runs(), true);
    (void)prepared;
    const std::unique_ptr<Graph> g = parse_gwg(std::string(reinterpret_cast<const char*>(data), size));
    if (!g) return 0;
    const std::string saved = gwg_text(*g);
    const std::unique_ptr<Graph> again = parse_gwg(saved);
    if (!again || gwg_text(*again) != saved) std::abort();
    const int colour_model = static_cast<int>(size % 4);
    svg_text(*g, size % 2 == 0 ? 120 : 0, colour_model);
    postscript_text(*g, size % 3 == 0, colour_model);
    std::string bytes;
    pdf_bytes(*g, colour_model, bytes);
    if (size % 8 == 0) png_bytes(*g, colour_model, bytes);
    return 0;
}
