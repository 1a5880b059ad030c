// Building a zip archive in memory (deflated members), for workbook files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kj::data {

class ZipWriter {
public:
    void add(const std::string& name, const std::string& bytes);
    // The whole archive: members, central directory and end record.
    std::string finish();

private:
    struct Entry {
        std::string name;
        uint32_t crc, compressed, size, offset;
    };
    std::string out_;
    std::vector<Entry> entries_;
};

}  // namespace kj::data
