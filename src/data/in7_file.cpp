#include "data/in7_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <sys/stat.h>

#include "data/message_function.h"
#include "data/progress.h"
#include "data/text_encoding.h"
#include "data/safe_save.h"

namespace kj::data {

namespace {

constexpr int k_version = 700;
constexpr double k_block_marker = 9.999e102;
constexpr std::size_t k_line_buffer = 512;
constexpr int k_max_labels = 65536;

enum Keyword : int {
    KW_Header, KW_Data, KW_Text, KW_Variable, KW_Marked, KW_Cr, KW_Lf, KW_Label, KW_End, KW_None
};

Keyword keyword_of(const std::string& line) {
    static const char* const words[] = {"tavrel", "data", ";", ">", "-", "\r", "\n", "|", "end"};
    for (int k = 0; k < KW_None; ++k) {
        const std::size_t n = std::strlen(words[k]);
        if (line.size() < n) continue;
        bool same = true;
        for (std::size_t i = 0; i < n && same; ++i)
            same = std::tolower(static_cast<unsigned char>(line[i])) == words[k][i];
        if (same) return static_cast<Keyword>(k);
    }
    return KW_None;
}

// Lines of a description file, each with its line feed, cut to the line buffer.
class LineReader {
public:
    explicit LineReader(const std::string& text) : text_(text) {}
    bool at_end() const { return pos_ >= text_.size(); }
    bool next(std::string& line) {
        if (at_end()) return false;
        std::size_t end = text_.find('\n', pos_);
        end = end == std::string::npos ? text_.size() : end + 1;
        if (end - pos_ > k_line_buffer - 1) {
            line.assign(text_, pos_, k_line_buffer - 1);
            report_warning("Line too long, rest of line skipped");
        } else {
            line.assign(text_, pos_, end - pos_);
        }
        pos_ = end;
        return true;
    }
    // The next character after white space, leaving the position there.
    int peek_after_space() {
        while (!at_end() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        return at_end() ? EOF : static_cast<unsigned char>(text_[pos_]);
    }
    int peek() const { return at_end() ? EOF : static_cast<unsigned char>(text_[pos_]); }

private:
    const std::string& text_;
    std::size_t pos_ = 0;
};

// A block of ";" lines, the ";" dropped; a line that does not begin with ";"
// stays unread.
std::string read_text_block(LineReader& in) {
    std::string text, line;
    if (in.peek_after_space() != ';') return text;
    while (in.peek() == ';' && in.next(line)) {
        text.append(line, 1, std::string::npos);
        if (text.empty() || text.back() != '\n') text += '\n';
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

void write_text_block(std::string& out, const std::string& text) {
    if (text.empty()) return;
    bool line_start = true;
    for (char c : text) {
        if (c == '\r') continue;
        if (line_start && c != ';') out += ';';
        out += c;
        line_start = c == '\n';
    }
    if (out.back() != '\n') out += '\n';
}

std::string file_base_name(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

// Today's stamp, fixed width: "dd-mm-yyyy" and "hh:mm:ss" with blanks as '0'.
void creation_stamp(std::string& date, std::string& time) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%2u-%02u-%4u", unsigned(tm.tm_mday), unsigned(tm.tm_mon + 1),
                  unsigned(tm.tm_year + 1900));
    date = buf;
    std::snprintf(buf, sizeof buf, "%2d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    time = buf;
    for (std::string* s : {&date, &time}) {
        while (!s->empty() && s->back() == ' ') s->pop_back();
        std::replace(s->begin(), s->end(), ' ', '0');
    }
}

void append_variable_entry(std::string& out, const DataSet& ds, const Variable& v,
                           const std::string& base, const std::string& date,
                           const std::string& time) {
    char buf[256];
    const char prefix = (v.flags & Variable::k_marked) ? '-' : '>';
    std::string name = v.name;
    std::replace(name.begin(), name.end(), '"', '_');
    if (name.find(' ') != std::string::npos) {
        out += prefix;
        out += '"' + name + '"';
    } else {
        out += prefix;
        out += name;
        if (name.size() < 12) out.append(12 - name.size(), ' ');
    }
    const Sample& s = v.sample;
    std::snprintf(buf, sizeof buf, " %4d %2d %4d %2d %2d %lld ", s.year1, s.period1, s.year2, s.period2,
                  s.frequency, static_cast<long long>(v.offset));
    out += buf;
    std::string group;
    if (v.group >= 0 && static_cast<std::size_t>(v.group) < ds.groups.size()) group = ds.groups[v.group];
    if (group.empty()) group = base.substr(0, 12);
    std::replace(group.begin(), group.end(), ' ', '_');
    std::snprintf(buf, sizeof buf, "%12s %s %s", group.c_str(), date.c_str(), time.c_str());
    out += buf;
    if (v.kind == VariableKind::Date) {
        out += " date\n";
    } else if (v.kind == VariableKind::Choice) {
        std::snprintf(buf, sizeof buf, " choice[%d]\n", static_cast<int>(v.labels.size()));
        out += buf;
    } else {
        out += '\n';
    }
    write_text_block(out, v.description);
    if (v.kind == VariableKind::Choice && !v.labels.empty()) {
        std::size_t written = 0;
        for (const std::string& label : v.labels) {
            if (written > 128) {
                out += '\n';
                written = 0;
            }
            out += '|';
            out += label;
            written += label.empty() ? 1 : label.size();
        }
        out += '\n';
    }
}

// Puts the old contents (when appending) into a new save of path, keeping a
// backup first when asked.
bool start_save(SafeSave& save, const std::string& path, bool append) {
    if (!save.ok()) {
        report_error("Cannot open " + path);
        return false;
    }
    if (append) {
        std::string old;
        if (!read_whole_file(path, old)) {
            report_error("Cannot open " + path);
            return false;
        }
        std::fwrite(old.data(), 1, old.size(), save.file());
    }
    return true;
}

bool finish_save(SafeSave& save, const std::string& path, bool append, bool backup) {
    if (!append && backup && file_exists(path)) {
        const std::string bak = path + ".bak";
        std::remove(bak.c_str());
        std::rename(path.c_str(), bak.c_str());
    }
    if (!save.commit()) {
        report_error(save.error());
        return false;
    }
    return true;
}

void write_u16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

}  // namespace

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool read_whole_file(const std::string& path, std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    char buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool save_whole_file(const std::string& path, const std::string& bytes) {
    SafeSave save(path);
    if (!save.ok()) {
        report_error("Cannot open " + path);
        return false;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), save.file());
    if (!save.commit()) {
        report_error(save.error());
        return false;
    }
    return true;
}

bool has_extension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

std::string with_extension(const std::string& path, const std::string& ext) {
    if (!has_extension(path)) return path + ext;
    return path.substr(0, path.find_last_of('.')) + ext;
}

bool write_in7(DataSet& ds, const std::string& given, bool append, bool backup) {
    const std::string path = has_extension(given) ? given : given + ".in7";
    const std::string data_path = with_extension(path, ".bn7");
    if (append && (!file_exists(path) || !file_exists(data_path))) append = false;

    SafeSave data(data_path);
    if (!start_save(data, data_path, append)) return false;
    int64_t offset = std::ftell(data.file());
    const std::size_t t = ds.sample.observations() > 0 ? ds.observations() : 0;
    std::string block;
    for (Variable& v : ds.variables) {
        report_progress(static_cast<double>(&v - ds.variables.data()), static_cast<double>(ds.variables.size()));
        if (!(v.flags & Variable::k_selected)) continue;
        block.clear();
        double marker = k_block_marker;
        block.append(reinterpret_cast<const char*>(&marker), 8);
        const uint32_t n = static_cast<uint32_t>(t);
        block.append(reinterpret_cast<const char*>(&n), 4);
        char name[12] = {};
        std::memcpy(name, v.name.data(), std::min<std::size_t>(12, v.name.size()));
        block.append(name, 12);
        write_u16(block, static_cast<unsigned>(ds.sample.frequency));
        write_u16(block, static_cast<unsigned>(ds.sample.period1));
        write_u16(block, static_cast<unsigned>(ds.sample.year1));
        write_u16(block, 0);
        std::fwrite(block.data(), 1, block.size(), data.file());
        v.values.resize(t, std::numeric_limits<double>::quiet_NaN());
        if (t) std::fwrite(v.values.data(), sizeof(double), t, data.file());
        v.offset = offset + 32;
        v.sample = ds.sample;
        offset += 32 + static_cast<int64_t>(8 * t);
    }

    std::string text;
    if (!append) {
        char buf[600];
        std::snprintf(buf, sizeof buf, "%s %d\n", "tavrel", k_version);
        text += buf;
        const std::size_t slash = data_path.find_last_of('/');
        text += "data " + (slash == std::string::npos ? data_path : data_path.substr(slash + 1)) + "\n";
        write_text_block(text, ds.description);
    }
    std::string date, time;
    creation_stamp(date, time);
    const std::string base = file_base_name(path);
    for (const Variable& v : ds.variables)
        if (v.flags & Variable::k_selected) append_variable_entry(text, ds, v, base, date, time);

    SafeSave description(path);
    if (!start_save(description, path, append)) return false;
    std::fwrite(text.data(), 1, text.size(), description.file());
    if (!finish_save(data, data_path, append, backup)) return false;
    ds.data_path = data_path;
    return finish_save(description, path, append, backup);
}

bool parse_in7_description(DataSet& ds, const std::string& text, bool read_variables,
                           bool include_marked) {
    LineReader in(text);
    std::string line;
    if (!in.next(line) || keyword_of(line) != KW_Header) {
        report_error("This is not a valid .IN7 file");
        return false;
    }
    bool found = false;
    while (in.next(line)) {
        const Keyword k = keyword_of(line);
        if (k == KW_Text || k == KW_Cr || k == KW_Lf) continue;
        if (k == KW_None) {
            report_warning("Unexpected line found");
            continue;
        }
        found = k == KW_Data;
        break;
    }
    if (!found) {
        report_error("Data description not found");
        return false;
    }
    if (!file_exists(ds.data_path)) {
        char name[65] = {};
        if (std::sscanf(line.c_str() + 4, " %64s", name) == 1) {
            const std::size_t slash = ds.data_path.find_last_of('/');
            ds.data_path = (slash == std::string::npos ? std::string() : ds.data_path.substr(0, slash + 1)) + name;
        }
    }
    ds.description = utf8_text(read_text_block(in));
    if (!read_variables) return true;

    while (in.next(line)) {
        const Keyword k = keyword_of(line);
        if (k != KW_Variable && !(k == KW_Marked && include_marked)) continue;
        // The last line without its line feed may have been cut off: what it
        // lacks must not be made up.
        const bool cut = in.at_end() && line.back() != '\n';
        std::size_t at = 1, end;
        std::string name;
        if (line.size() > 1 && line[1] == '"') {
            end = line.find('"', 2);
            name = line.substr(2, end == std::string::npos ? std::string::npos : end - 2);
            at = end + 1;
        } else {
            end = line.find(' ', 1);
            name = line.substr(1, end == std::string::npos ? std::string::npos : end - 1);
            at = end;
        }
        if (end == std::string::npos) {
            if (!cut) continue;
            report_error("Damaged description of variable: " + utf8_text(name));
            return false;
        }
        if (name.size() > 64) name.resize(64);
        Variable& v = ds.add_variable(utf8_text(name));
        long long offset = 0;
        char group[33] = {}, date[13] = {}, time[13] = {}, kind[13] = {};
        Sample& s = v.sample;
        // The sample and the data offset place the observations: all six
        // must be there, the offset ended by a blank or the line end.
        int placed = 0;
        const char* rest = line.c_str() + at;
        const int numbers = std::sscanf(rest, " %d %d %d %d %d %lld%n", &s.year1, &s.period1, &s.year2,
                                        &s.period2, &s.frequency, &offset, &placed);
        if (numbers < 6 || !std::isspace(static_cast<unsigned char>(rest[placed]))) {
            report_error("Damaged description of variable: " + v.name);
            return false;
        }
        std::sscanf(rest + placed, "%32s %12s %12s %12s ", group, date, time, kind);
        v.offset = offset;
        v.created_date = date;
        v.created_time = time;
        auto g = std::find(ds.groups.begin(), ds.groups.end(), std::string(group));
        if (g != ds.groups.end()) {
            v.group = static_cast<int>(g - ds.groups.begin());
        } else if (ds.groups.size() < DataSet::k_max_groups) {
            v.group = static_cast<int>(ds.groups.size());
            ds.groups.emplace_back(group);
        }
        if (k == KW_Marked) v.flags |= Variable::k_marked;
        if (std::strcmp(kind, "date") == 0) {
            v.kind = VariableKind::Date;
        } else if (std::strncmp(kind, "choice[", 7) == 0) {
            v.kind = VariableKind::Choice;
            const int count = std::atoi(kind + 7);
            v.labels.resize(static_cast<std::size_t>(std::clamp(count, 0, k_max_labels)));
        }
        v.description = utf8_text(read_text_block(in));
        if (v.kind == VariableKind::Choice) {
            std::size_t next = 0;
            while (in.peek_after_space() == '|' && in.next(line)) {
                while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
                std::size_t from = 1;
                while (next < v.labels.size()) {
                    const std::size_t bar = line.find('|', from);
                    v.labels[next++] =
                        utf8_text(line.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
                    if (bar == std::string::npos) break;
                    from = bar + 1;
                }
            }
        }
    }
    return true;
}

bool place_in7_data(DataSet& ds, const std::string& bytes) {
    // The axis: the first variable's frequency, from the earliest start to the latest end.
    std::vector<Variable> kept;
    for (Variable& v : ds.variables) {
        // An empty sample (the end one period before the start) is a variable without observations.
        if (v.sample.frequency < 1 || v.sample.index(v.sample.year2, v.sample.period2) < -1 ||
            (!kept.empty() && v.sample.frequency != kept.front().sample.frequency)) {
            report_warning("Sample or frequency does not fit, variable skipped: " + v.name);
            continue;
        }
        kept.push_back(std::move(v));
    }
    ds.variables = std::move(kept);
    if (ds.variables.empty()) {
        ds.sample = Sample::undated(0);
        return true;
    }
    Sample& s = ds.sample;
    s = ds.variables.front().sample;
    for (const Variable& v : ds.variables) {
        if (s.index(v.sample.year1, v.sample.period1) < 0) s.year1 = v.sample.year1, s.period1 = v.sample.period1;
        if (s.index(v.sample.year2, v.sample.period2) > s.index(s.year2, s.period2))
            s.year2 = v.sample.year2, s.period2 = v.sample.period2;
    }
    const int64_t t = s.observations();
    if (t < 0 || t > k_max_cells / static_cast<int64_t>(ds.variables.size())) {
        report_error("Sample too large to read");
        return false;
    }
    ds.fit_columns();
    for (Variable& v : ds.variables) {
        int64_t t1 = s.index(v.sample.year1, v.sample.period1);
        int64_t t2 = s.index(v.sample.year2, v.sample.period2);
        if (t1 >= t || t2 < 0) continue;
        int64_t start = v.offset;
        if (t1 < 0) start += -t1 * 8, t1 = 0;
        t2 = std::min(t2, t - 1);
        // Every block is a 32-byte header and whole doubles from the start of
        // the file: another offset points into the middle of something.
        if (v.offset < 32 || v.offset % 8 != 0 || start < 0 || static_cast<uint64_t>(start) > bytes.size()) {
            report_error("Start of variable not found: " + v.name);
            return false;
        }
        const int64_t want = t2 - t1 + 1;
        const int64_t have = std::min<int64_t>(want, static_cast<int64_t>((bytes.size() - start) / 8));
        if (have > 0) std::memcpy(v.values.data() + t1, bytes.data() + start, static_cast<std::size_t>(have) * 8);
        if (have < want) report_warning("Unexpected end-of-file while reading " + v.name);
    }
    return true;
}

bool read_in7(DataSet& ds, const std::string& given, bool include_marked) {
    const std::string path = has_extension(given) ? given : given + ".in7";
    ds = DataSet();
    ds.data_path = with_extension(path, ".bn7");
    std::string text, bytes;
    if (!read_whole_file(path, text)) {
        report_error("Cannot open " + path);
        return false;
    }
    if (!parse_in7_description(ds, text, true, include_marked)) return false;
    if (!read_whole_file(ds.data_path, bytes)) {
        report_error("Cannot open " + ds.data_path);
        return false;
    }
    return place_in7_data(ds, bytes);
}

}  // namespace kj::data
