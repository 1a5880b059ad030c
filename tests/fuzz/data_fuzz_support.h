// Shared by the data-file fuzz targets: the data-set layer's messages are
// dropped, and inputs are handed over as strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "data/message_function.h"

namespace kj::fuzz {

inline void quiet_data_messages() {
    data::set_message_function([](const char*, const char*) {});
}

inline std::string bytes_of(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace kj::fuzz
