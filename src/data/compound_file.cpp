#include "data/compound_file.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

#include "data/byte_fields.h"

namespace kj::data {

namespace {

constexpr std::uint32_t k_end_of_chain = 0xFFFFFFFE;
constexpr std::size_t k_header_size = 512;
constexpr std::size_t k_entry_size = 128;
constexpr std::size_t k_mini_sector = 64;
constexpr std::size_t k_header_fat_entries = 109;

class CompoundFile {
public:
    explicit CompoundFile(std::string_view file) : file_(file) {}

    bool open() {
        if (file_.size() < k_header_size || file_.substr(0, 8) != std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
            return false;
        const std::uint16_t shift = le16(file_, 0x1E);
        if (shift != 9 && shift != 12) return false;
        sector_ = std::size_t(1) << shift;
        if (le16(file_, 0x20) != 6) return false;
        cutoff_ = le32(file_, 0x38);
        // The sectors of the allocation table: 109 listed in the header,
        // the rest in a chain of list sectors (each ending with the next one's number).
        const std::uint32_t fat_sectors = le32(file_, 0x2C);
        if (fat_sectors > sectors_in_file()) return false;
        std::vector<std::uint32_t> fat_list;
        for (std::size_t i = 0; i < k_header_fat_entries && fat_list.size() < fat_sectors; ++i)
            fat_list.push_back(le32(file_, 0x4C + 4 * i));
        std::uint32_t next = le32(file_, 0x44);
        for (std::size_t steps = 0; fat_list.size() < fat_sectors; ++steps) {
            if (steps > sectors_in_file() || !in_file(next)) return false;
            const std::string_view list = sector(next);
            const std::size_t per = sector_ / 4 - 1;
            for (std::size_t i = 0; i < per && fat_list.size() < fat_sectors; ++i) fat_list.push_back(le32(list, 4 * i));
            next = le32(list, 4 * per);
        }
        for (std::uint32_t s : fat_list) {
            if (!in_file(s)) return false;
            const std::string_view part = sector(s);
            for (std::size_t i = 0; i < sector_; i += 4) fat_.push_back(le32(part, i));
        }
        return read_chain(fat_, le32(file_, 0x30), SIZE_MAX, false, directory_);
    }

    bool read(std::string_view name, std::string& stream) {
        const std::size_t entries = directory_.size() / k_entry_size;
        for (std::size_t k = 0; k < entries; ++k) {
            const std::string_view e(directory_.data() + k * k_entry_size, k_entry_size);
            if (e[0x42] != 2 || !named(e, name)) continue;
            const std::uint32_t start = le32(e, 0x74);
            // Only the low half of the size counts in files of 512-byte sectors.
            std::uint64_t size = le32(e, 0x78);
            if (sector_ != 512) size |= static_cast<std::uint64_t>(le32(e, 0x7C)) << 32;
            if (size > file_.size()) return false;
            if (size >= cutoff_) return read_chain(fat_, start, static_cast<std::size_t>(size), false, stream);
            return read_small(start, static_cast<std::size_t>(size), stream);
        }
        return false;
    }

private:
    std::size_t sectors_in_file() const { return file_.size() / sector_; }
    bool in_file(std::uint32_t s) const { return s < k_end_of_chain - 1 && (std::size_t(s) + 2) * sector_ <= file_.size(); }
    std::string_view sector(std::uint32_t s) const { return file_.substr((std::size_t(s) + 1) * sector_, sector_); }

    static bool named(std::string_view entry, std::string_view name) {
        const std::size_t bytes = le16(entry, 0x40);
        if (bytes < 2 || bytes > 64 || bytes / 2 - 1 != name.size()) return false;
        for (std::size_t i = 0; i < name.size(); ++i) {
            const std::uint16_t c = le16(entry, 2 * i);
            if (c > 0x7F || std::tolower(c) != std::tolower(static_cast<unsigned char>(name[i]))) return false;
        }
        return true;
    }

    // Follows a chain through table, from ordinary sectors (or 64-byte ones
    // of the small-stream area when small), until size bytes (all of the
    // chain when size is SIZE_MAX) are in out. A chain that comes back to a
    // sector, leaves the table or ends early is damaged.
    bool read_chain(const std::vector<std::uint32_t>& table, std::uint32_t s, std::size_t size, bool small,
                    std::string& out) const {
        out.clear();
        const std::size_t unit = small ? k_mini_sector : sector_;
        std::vector<bool> seen(table.size());
        while (out.size() < size) {
            if (s == k_end_of_chain && size == SIZE_MAX) return true;
            if (s >= table.size() || seen[s]) return false;
            seen[s] = true;
            if (small) {
                if ((std::size_t(s) + 1) * unit > mini_.size()) return false;
                out.append(mini_, std::size_t(s) * unit, unit);
            } else {
                if (!in_file(s)) return false;
                out.append(sector(s));
            }
            s = table[s];
        }
        out.resize(size);
        return true;
    }

    bool read_small(std::uint32_t start, std::size_t size, std::string& stream) {
        if (size == 0) {
            stream.clear();
            return true;
        }
        const std::string_view root(directory_.data(), std::min(directory_.size(), k_entry_size));
        if (root.size() < k_entry_size || root[0x42] != 5) return false;
        std::string table_bytes;
        std::vector<std::uint32_t> mini_fat;
        if (!read_chain(fat_, le32(file_, 0x3C), SIZE_MAX, false, table_bytes)) return false;
        for (std::size_t i = 0; i + 4 <= table_bytes.size(); i += 4) mini_fat.push_back(le32(table_bytes, i));
        const std::uint32_t root_size = le32(root, 0x78);
        if (root_size > file_.size() || !read_chain(fat_, le32(root, 0x74), root_size, false, mini_)) return false;
        return read_chain(mini_fat, start, size, true, stream);
    }

    std::string_view file_;
    std::size_t sector_ = 512;
    std::uint32_t cutoff_ = 4096;
    std::vector<std::uint32_t> fat_;
    std::string directory_, mini_;
};

}  // namespace

bool read_compound_stream(std::string_view file, std::string_view name, std::string& stream) {
    CompoundFile cf(file);
    return cf.open() && cf.read(name, stream);
}

}  // namespace kj::data
