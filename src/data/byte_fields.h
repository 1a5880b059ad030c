// Little-endian fields of binary files read from their bytes; a field that
// runs past the end reads as 0, so damaged files need no check before each read.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace kj::data {

inline std::uint16_t le16(std::string_view b, std::size_t at) {
    std::uint16_t v = 0;
    if (at <= b.size() && b.size() - at >= 2) std::memcpy(&v, b.data() + at, 2);
    return v;
}

inline std::uint32_t le32(std::string_view b, std::size_t at) {
    std::uint32_t v = 0;
    if (at <= b.size() && b.size() - at >= 4) std::memcpy(&v, b.data() + at, 4);
    return v;
}

}  // namespace kj::data
