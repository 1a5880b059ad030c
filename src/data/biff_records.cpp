#include "data/biff_records.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "data/byte_fields.h"
#include "data/text_encoding.h"
#include "data/xlsx_file.h"

namespace kj::data {

namespace {

enum RecordType : std::uint16_t {
    R_Formula = 0x0006, R_Eof = 0x000A, R_DateMode = 0x0022, R_FilePass = 0x002F, R_BoundSheet = 0x0085,
    R_Xf = 0x00E0, R_BoolErr = 0x0205, R_String = 0x0207, R_Format = 0x041E, R_Bof = 0x0809,
};

struct Record {
    std::uint16_t type = 0;
    std::string_view body;
};

// Records one after the other from a position of the stream: a type, a
// length and that many bytes; a record that runs past the end ends them.
class Records {
public:
    Records(std::string_view stream, std::size_t at) : s_(stream), at_(at) {}
    bool next(Record& r) {
        if (at_ > s_.size() || s_.size() - at_ < 4) return false;
        const std::size_t size = le16(s_, at_ + 2);
        if (s_.size() - at_ - 4 < size) return false;
        r.type = le16(s_, at_);
        r.body = s_.substr(at_ + 4, size);
        at_ += 4 + size;
        return true;
    }

private:
    std::string_view s_;
    std::size_t at_;
};

void append_utf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Text as the two formats store it from `at`: BIFF8 a 16-bit count, a flags
// byte (bit 0: two bytes a character, else one) and the characters; BIFF5 a
// count (of count_bytes) and 8-bit characters. What the record lacks is cut.
std::string record_text(std::string_view b, std::size_t at, bool biff8, int count_bytes) {
    const std::size_t count = count_bytes == 2 ? le16(b, at) : (at < b.size() ? static_cast<unsigned char>(b[at]) : 0);
    at += count_bytes;
    if (!biff8) return utf8_text(b.substr(std::min(at, b.size()), count));
    const bool wide = at < b.size() && (b[at] & 1);
    ++at;
    std::string out;
    if (!wide) {
        std::string_view bytes = b.substr(std::min(at, b.size()), count);
        for (unsigned char c : bytes) append_utf8(out, c);
        return out;
    }
    for (std::size_t i = 0; i < count && at + 2 * i + 2 <= b.size(); ++i) {
        std::uint32_t c = le16(b, at + 2 * i);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && at + 2 * i + 4 <= b.size()) {
            const std::uint32_t low = le16(b, at + 2 * i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
        append_utf8(out, c);
    }
    return out;
}

// What the workbook part before the first sheet says about cells.
struct Globals {
    bool biff8 = false;
    bool date1904 = false;
    std::vector<std::uint32_t> sheets;           // where each sheet's records start
    std::vector<std::uint16_t> cell_formats;     // number format of each cell style
    std::map<std::uint16_t, std::string> codes;  // number formats the workbook defines
};

bool read_globals(std::string_view stream, Globals& g) {
    Records records(stream, 0);
    Record r;
    if (!records.next(r) || r.type != R_Bof) return false;
    const std::uint16_t version = le16(r.body, 0);
    if (version != 0x0600 && version != 0x0500) return false;
    g.biff8 = version == 0x0600;
    while (records.next(r) && r.type != R_Eof) {
        switch (r.type) {
            case R_FilePass: return false;
            case R_DateMode: g.date1904 = le16(r.body, 0) != 0; break;
            case R_Format: g.codes[le16(r.body, 0)] = record_text(r.body, 2, g.biff8, g.biff8 ? 2 : 1); break;
            case R_Xf: g.cell_formats.push_back(le16(r.body, 2)); break;
            case R_BoundSheet: g.sheets.push_back(le32(r.body, 0)); break;
            default: break;
        }
    }
    return true;
}

// A formula's stored number as the cell's style shows it: a date as a day
// number, a time of day as a fraction of a day, else the number.
Cell number_cell(const Globals& g, std::uint16_t style, double x) {
    Cell c;
    c.kind = Cell::Kind::Number;
    c.number = x;
    if (style >= g.cell_formats.size() || !std::isfinite(x)) return c;
    const std::uint16_t format = g.cell_formats[style];
    const auto code = g.codes.find(format);
    const bool date = code != g.codes.end() ? is_date_format(code->second) : is_builtin_date_format(format);
    if (!date) return c;
    const bool time_of_day = code == g.codes.end() && ((format >= 18 && format <= 21) || (format >= 45 && format <= 47));
    c.kind = Cell::Kind::Date;
    c.number = time_of_day ? x - std::floor(x) : calendar_day_of_serial(x, g.date1904);
    return c;
}

}  // namespace

bool read_biff_cells(std::string_view stream, int sheet, std::vector<PlacedCell>& cells) {
    cells.clear();
    Globals g;
    if (!read_globals(stream, g) || sheet < 0 || static_cast<std::size_t>(sheet) >= g.sheets.size()) return false;
    Records records(stream, g.sheets[static_cast<std::size_t>(sheet)]);
    Record r;
    if (!records.next(r) || r.type != R_Bof) return false;
    // A text result follows its formula in a record of its own.
    PlacedCell text;
    bool text_pending = false;
    auto flush_text = [&] {
        if (text_pending) cells.push_back(std::move(text));
        text_pending = false;
    };
    int depth = 0;  // charts embedded in the sheet have records of their own
    while (records.next(r)) {
        if (r.type == R_Bof) ++depth;
        if (r.type == R_Eof && depth-- == 0) break;
        if (depth > 0) continue;
        if (r.type == R_String && text_pending) {
            text.cell.text = record_text(r.body, 0, g.biff8, 2);
            flush_text();
            continue;
        }
        if (r.type != R_Formula && r.type != R_BoolErr) continue;
        flush_text();
        PlacedCell p;
        p.row = le16(r.body, 0);
        p.col = le16(r.body, 2);
        if (r.type == R_BoolErr) {
            // A boolean is read right by the library; an error value is not.
            if (r.body.size() < 8 || r.body[7] == 0) continue;
            p.cell.kind = Cell::Kind::Error;
        } else {
            if (r.body.size() < 14) continue;
            if (le16(r.body, 12) != 0xFFFF) {
                double x;
                std::memcpy(&x, r.body.data() + 6, 8);
                p.cell = number_cell(g, le16(r.body, 4), x);
            } else {
                switch (r.body[6]) {
                    case 0:  // the text comes next
                    case 3:  // an empty text
                        p.cell.kind = Cell::Kind::Text;
                        if (r.body[6] == 0) {
                            text = std::move(p);
                            text_pending = true;
                            continue;
                        }
                        break;
                    case 1:
                        p.cell.kind = Cell::Kind::Number;
                        p.cell.number = r.body[8] != 0;
                        break;
                    case 2: p.cell.kind = Cell::Kind::Error; break;
                    default: continue;
                }
            }
        }
        cells.push_back(std::move(p));
    }
    flush_text();
    return true;
}

}  // namespace kj::data
