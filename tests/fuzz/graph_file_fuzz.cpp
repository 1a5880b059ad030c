// The native graph file reader on arbitrary text: whatever it reads must
// write back as text that reads to the same graph, and must draw (as SVG)
// without a crash, a hang or a non-number among the coordinates.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "graphics/writers.h"

namespace {

// The SVG without the texts' characters (which may spell anything).
std::string markup_of(const std::string& svg) {
    std::string out;
    bool in_tag = false;
    for (const char c : svg) {
        if (c == '<') in_tag = true;
        if (in_tag) out += c;
        if (c == '>') in_tag = false;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace kg = kj::graphics;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto g = kg::parse_gwg(text);
    if (!g) return 0;
    const std::string once = kg::gwg_text(*g);
    const auto again = kg::parse_gwg(once);
    if (!again || kg::gwg_text(*again) != once) std::abort();
    if (g->objects.size() > 200) return 0;  // drawing grows with the objects; keep runs short
    const std::string svg = markup_of(kg::svg_text(*g, 100, 3));
    if (svg.find("nan") != std::string::npos || svg.find("inf") != std::string::npos) std::abort();
    return 0;
}
