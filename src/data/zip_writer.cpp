#include "data/zip_writer.h"

#include <zlib.h>

namespace kj::data {

namespace {

void put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Raw deflate (no zlib header), as zip members hold it.
std::string deflated(const std::string& bytes) {
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, bytes.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Fixed stamp: 1 January 2000, midnight (DOS date and time).
constexpr unsigned k_dos_time = 0, k_dos_date = ((2000 - 1980) << 9) | (1 << 5) | 1;

}  // namespace

void ZipWriter::add(const std::string& name, const std::string& bytes) {
    const std::string packed = deflated(bytes);
    Entry e{name, static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()),
                                              static_cast<uInt>(bytes.size()))),
            static_cast<uint32_t>(packed.size()), static_cast<uint32_t>(bytes.size()),
            static_cast<uint32_t>(out_.size())};
    put32(out_, 0x04034b50);
    put16(out_, 20);  // version needed
    put16(out_, 0x0800);  // names in UTF-8
    put16(out_, 8);   // deflate
    put16(out_, k_dos_time);
    put16(out_, k_dos_date);
    put32(out_, e.crc);
    put32(out_, e.compressed);
    put32(out_, e.size);
    put16(out_, static_cast<unsigned>(name.size()));
    put16(out_, 0);
    out_ += name;
    out_ += packed;
    entries_.push_back(std::move(e));
}

std::string ZipWriter::finish() {
    const uint32_t directory = static_cast<uint32_t>(out_.size());
    for (const Entry& e : entries_) {
        put32(out_, 0x02014b50);
        put16(out_, 20);  // made by
        put16(out_, 20);
        put16(out_, 0x0800);
        put16(out_, 8);
        put16(out_, k_dos_time);
        put16(out_, k_dos_date);
        put32(out_, e.crc);
        put32(out_, e.compressed);
        put32(out_, e.size);
        put16(out_, static_cast<unsigned>(e.name.size()));
        put16(out_, 0);  // extra
        put16(out_, 0);  // comment
        put16(out_, 0);  // disk
        put16(out_, 0);  // internal attributes
        put32(out_, 0);  // external attributes
        put32(out_, e.offset);
        out_ += e.name;
    }
    const uint32_t size = static_cast<uint32_t>(out_.size()) - directory;
    put32(out_, 0x06054b50);
    put16(out_, 0);
    put16(out_, 0);
    put16(out_, static_cast<unsigned>(entries_.size()));
    put16(out_, static_cast<unsigned>(entries_.size()));
    put32(out_, size);
    put32(out_, directory);
    put16(out_, 0);
    return std::move(out_);
}

}  // namespace kj::data
