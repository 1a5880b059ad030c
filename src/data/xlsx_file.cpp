#include "data/xlsx_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <initializer_list>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "data/in7_file.h"
#include "data/message_function.h"
#include "data/progress.h"
#include "data/text_encoding.h"
#include "data/value_text.h"
#include "data/xml_reader.h"
#include "data/zip_archive.h"
#include "data/zip_writer.h"

namespace kj::data {

namespace {

constexpr std::size_t k_member_limit = std::size_t(1) << 30;
constexpr double k_serial_to_day = 2415019;  // day number of serial 0 (after the 1900 leap day)

bool parse_number(std::string_view s, double& x) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\n' || s.front() == '\r' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\n' || s.back() == '\r' || s.back() == '\t'))
        s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), x);
    return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// The text written for an infinity ("+.Inf", "-.Inf"; ".Inf" too), blanks
// around it allowed.
bool infinity_of(std::string_view text, double& x) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text != "+.Inf" && text != ".Inf" && text != "-.Inf") return false;
    x = text[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    return true;
}

// "BC12" into 0-based column and row; false when malformed or out of range.
bool parse_reference(std::string_view ref, long& col, long& row) {
    std::size_t i = 0;
    col = 0;
    while (i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && col <= k_max_sheet_columns)
        col = col * 26 + (ref[i++] - 'A' + 1);
    if (i == 0 || i == ref.size()) return false;
    row = 0;
    for (; i < ref.size(); ++i) {
        if (ref[i] < '0' || ref[i] > '9' || row > k_max_sheet_rows) return false;
        row = row * 10 + (ref[i] - '0');
    }
    if (col > k_max_sheet_columns || row < 1 || row > k_max_sheet_rows) return false;
    --col, --row;
    return true;
}

// Collects the text of <t> elements (outside phonetic runs) in each <si>.
class SharedStrings : public XmlHandler {
public:
    std::vector<std::string> strings;
    void start(std::string_view name, const char**) override {
        if (name == "si") strings.emplace_back(), in_si_ = true;
        else if (name == "t") in_t_ = true;
        else if (name == "rPh") in_phonetic_ = true;
    }
    void end(std::string_view name) override {
        if (name == "si") in_si_ = false;
        else if (name == "t") in_t_ = false;
        else if (name == "rPh") in_phonetic_ = false;
    }
    void text(std::string_view s) override {
        if (in_si_ && in_t_ && !in_phonetic_) strings.back().append(s);
    }

private:
    bool in_si_ = false, in_t_ = false, in_phonetic_ = false;
};

class Styles : public XmlHandler {
public:
    std::vector<bool> date_styles;
    void start(std::string_view name, const char** a) override {
        if (name == "numFmt") {
            int id = 0;
            const std::string_view s = xml_attribute(a, "numFmtId");
            std::from_chars(s.data(), s.data() + s.size(), id);
            custom_[id] = is_date_format(xml_attribute(a, "formatCode"));
        } else if (name == "cellXfs") {
            in_xfs_ = true;
        } else if (name == "xf" && in_xfs_) {
            int id = 0;
            const std::string_view s = xml_attribute(a, "numFmtId");
            std::from_chars(s.data(), s.data() + s.size(), id);
            const auto c = custom_.find(id);
            date_styles.push_back(c != custom_.end() ? c->second : is_builtin_date_format(id));
        }
    }
    void end(std::string_view name) override {
        if (name == "cellXfs") in_xfs_ = false;
    }

private:
    std::map<int, bool> custom_;
    bool in_xfs_ = false;
};

struct SheetEntry {
    std::string name, id;
};

class WorkbookPart : public XmlHandler {
public:
    std::vector<SheetEntry> sheets;
    bool date1904 = false;
    void start(std::string_view name, const char** a) override {
        if (name == "sheet") {
            sheets.push_back({utf8_text(xml_attribute(a, "name")), std::string(xml_attribute(a, "id"))});
        } else if (name == "workbookPr") {
            const std::string_view d = xml_attribute(a, "date1904");
            date1904 = d == "1" || d == "true";
        }
    }
    void end(std::string_view) override {}
};

class Relationships : public XmlHandler {
public:
    std::map<std::string, std::string> targets;
    std::string shared_strings, styles;
    void start(std::string_view name, const char** a) override {
        if (name != "Relationship") return;
        std::string target(xml_attribute(a, "Target"));
        target = target.starts_with("/") ? target.substr(1) : "xl/" + target;
        const std::string_view type = xml_attribute(a, "Type");
        if (type.ends_with("/sharedStrings")) shared_strings = target;
        if (type.ends_with("/styles")) styles = target;
        targets[std::string(xml_attribute(a, "Id"))] = target;
    }
    void end(std::string_view) override {}
};

class Worksheet : public XmlHandler {
public:
    Worksheet(const WorkbookContext& context, Sheet& sheet) : context_(context), sheet_(sheet) {}

    void start(std::string_view name, const char** a) override {
        if (name == "row") {
            long r = 0;
            const std::string_view s = xml_attribute(a, "r");
            if (!s.empty()) {
                const auto res = std::from_chars(s.data(), s.data() + s.size(), r);
                if (res.ec != std::errc() || r < 1 || r > k_max_sheet_rows) {
                    stop_reason = "row number out of range: " + std::string(s);
                    return;
                }
                row_ = r - 1;
            } else {
                ++row_;
            }
            col_ = -1;
        } else if (name == "c") {
            in_cell_ = true;
            value_.clear();
            type_ = xml_attribute(a, "t");
            style_ = -1;
            const std::string_view st = xml_attribute(a, "s");
            std::from_chars(st.data(), st.data() + st.size(), style_);
            const std::string_view ref = xml_attribute(a, "r");
            long r = row_ < 0 ? 0 : row_;
            if (ref.empty()) {
                ++col_;
            } else if (!parse_reference(ref, col_, r)) {
                stop_reason = "cell reference out of range: " + std::string(ref.substr(0, 32));
                return;
            }
            if (col_ >= k_max_sheet_columns) {
                stop_reason = "too many columns in a row";
                return;
            }
            cell_row_ = r;
        } else if (in_cell_ && (name == "v" || name == "t")) {
            collect_ = true;
        } else if (name == "rPh") {
            phonetic_ = true;
        }
    }

    void end(std::string_view name) override {
        if (name == "v" || name == "t") collect_ = false;
        else if (name == "rPh") phonetic_ = false;
        else if (name == "c" && in_cell_) {
            in_cell_ = false;
            store();
        }
    }

    void text(std::string_view s) override {
        if (collect_ && !phonetic_) value_.append(s);
    }

private:
    void store() {
        Cell c;
        double x = 0;
        if (type_ == "s") {
            long i = -1;
            if (parse_number(value_, x) && x >= 0 && x < static_cast<double>(context_.shared_strings.size())) i = long(x);
            if (i < 0) return;
            c.kind = Cell::Kind::Text;
            c.text = context_.shared_strings[static_cast<std::size_t>(i)];
        } else if (type_ == "inlineStr" || type_ == "str") {
            c.kind = Cell::Kind::Text;
            c.text = utf8_text(value_);
        } else if (type_ == "e") {
            c.kind = Cell::Kind::Error;
        } else if (type_ == "d") {
            const TextValue v = read_value(value_.c_str());
            if (v.kind == TextKind::None || std::isnan(v.value)) return;
            c.kind = Cell::Kind::Date;
            c.number = v.value;
        } else {
            if (!parse_number(value_, x) || std::isnan(x)) return;
            const bool date = type_ != "b" && style_ >= 0 &&
                              static_cast<std::size_t>(style_) < context_.date_styles.size() &&
                              context_.date_styles[static_cast<std::size_t>(style_)];
            c.kind = date ? Cell::Kind::Date : Cell::Kind::Number;
            c.number = date ? calendar_day_of_serial(x, context_.date1904) : x;
        }
        // An empty string is an empty cell (some writers give missing values so).
        if (c.kind == Cell::Kind::Text && c.text.empty()) return;
        // Infinities are written as text, the sheet having no number for them.
        if (c.kind == Cell::Kind::Text && infinity_of(c.text, x)) {
            c.kind = Cell::Kind::Number;
            c.number = x;
            c.text.clear();
        }
        if (static_cast<std::size_t>(cell_row_) >= sheet_.rows.size()) sheet_.rows.resize(cell_row_ + 1);
        SheetRow& row = sheet_.rows[static_cast<std::size_t>(cell_row_)];
        if (static_cast<std::size_t>(col_) >= row.size()) {
            cells_ += col_ + 1 - row.size();
            if (cells_ > k_max_sheet_cells) {
                stop_reason = "sheet too large";
                return;
            }
            row.resize(col_ + 1);
        }
        row[static_cast<std::size_t>(col_)] = std::move(c);
    }

    const WorkbookContext& context_;
    Sheet& sheet_;
    long row_ = -1, col_ = -1, cell_row_ = 0;
    int style_ = -1;
    std::string type_, value_;
    bool in_cell_ = false, collect_ = false, phonetic_ = false;
    std::size_t cells_ = 0;
};

// The fixed parts of a written workbook.
const char* const k_content_types = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/workbook.xml" )"
    R"(ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" )"
    R"(ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(<Override PartName="/xl/styles.xml" )"
    R"(ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/></Types>)";

// Cell styles: 0 general, 1 a date, 2 a date with time; the named style
// "Normal" that the cell styles derive from.
const char* const k_styles = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<numFmts count="2"><numFmt numFmtId="164" formatCode="yyyy\-mm\-dd"/>)"
    R"(<numFmt numFmtId="165" formatCode="yyyy\-mm\-dd\ hh:mm:ss"/></numFmts>)"
    R"(<fonts count="1"><font><sz val="11"/><name val="Calibri"/><family val="2"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill>)"
    R"(<fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="3"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>)"
    R"(<xf numFmtId="164" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>)"
    R"(<xf numFmtId="165" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>)"
    R"(</cellXfs><cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(<dxfs count="0"/><tableStyles count="0"/></styleSheet>)";

void append_escaped(std::string& out, std::string_view s) {
    for (char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += ch;
    }
}

std::string column_name(std::size_t j) {
    std::string s;
    for (++j; j > 0; j = (j - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (j - 1) % 26));
    return s;
}

// Cuts a UTF-8 text to the characters a cell holds; true when it was longer.
bool cut_cell_text(std::string& text) {
    std::size_t chars = 0, i = 0;
    for (; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++chars > k_max_cell_text) break;
    if (i == text.size()) return false;
    text.resize(i);
    return true;
}

// A name the format accepts: 1 to 31 characters, none of []:*?/\, no
// apostrophe at either end.
std::string valid_sheet_name(const std::string& given) {
    std::string name = utf8_text(given.empty() ? "Sheet1" : given);
    for (char& c : name)
        if (std::strchr("[]:*?/\\", c)) c = '_';
    if (name.front() == '\'') name.front() = '_';
    if (name.back() == '\'') name.back() = '_';
    if (name.size() > 31) {
        name.resize(31);
        while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80) name.pop_back();
        if (!name.empty() && static_cast<unsigned char>(name.back()) >= 0xC0) name.pop_back();
    }
    return name;
}

bool read_part(ZipArchive& zip, const std::string& member, XmlHandler& handler, const std::string& path,
               bool required) {
    std::string bytes;
    if (!zip.read(member, bytes, k_member_limit)) {
        if (required) report_error("Not a valid workbook: " + path + " (" + zip.error() + ")");
        return !required;
    }
    const std::string error = parse_xml(bytes, handler);
    if (!error.empty()) {
        report_error("Not a valid workbook: " + path + " (" + member + ": " + error + ")");
        return false;
    }
    return true;
}

}  // namespace

double calendar_day_of_serial(double serial, bool date1904) {
    if (date1904) return serial + k_serial_to_day + 1462;
    return serial + k_serial_to_day + (serial < 61 ? 1 : 0);
}

double serial_of_calendar_day(double day) {
    const double serial = day - k_serial_to_day;
    return serial < 61 ? serial - 1 : serial;
}

std::string parse_worksheet(const std::string& xml, const WorkbookContext& context, Sheet& sheet) {
    Worksheet handler(context, sheet);
    return parse_xml(xml, handler, true);
}

SheetRead read_xlsx(const std::string& path, int index, const std::string& name, Sheet& sheet,
               std::vector<std::string>& sheet_names) {
    ZipArchive zip(path);
    if (!zip.ok()) {
        report_error("Not a valid workbook: " + path);
        return SheetRead::Failed;
    }
    WorkbookPart workbook;
    Relationships rels;
    if (!read_part(zip, "xl/workbook.xml", workbook, path, true) ||
        !read_part(zip, "xl/_rels/workbook.xml.rels", rels, path, false))
        return SheetRead::Failed;
    sheet_names.clear();
    for (const SheetEntry& s : workbook.sheets) sheet_names.push_back(s.name);
    int chosen = -1;
    for (std::size_t i = 0; i < workbook.sheets.size(); ++i)
        if (name.empty() ? static_cast<int>(i) == index : workbook.sheets[i].name == name) chosen = static_cast<int>(i);
    if (chosen < 0) return SheetRead::NoSuchSheet;

    WorkbookContext context;
    context.date1904 = workbook.date1904;
    SharedStrings strings;
    Styles styles;
    if (!read_part(zip, rels.shared_strings.empty() ? "xl/sharedStrings.xml" : rels.shared_strings, strings, path,
                   false) ||
        !read_part(zip, rels.styles.empty() ? "xl/styles.xml" : rels.styles, styles, path, false))
        return SheetRead::Failed;
    for (std::string& s : strings.strings) s = utf8_text(s);
    context.shared_strings = std::move(strings.strings);
    context.date_styles = std::move(styles.date_styles);

    const auto target = rels.targets.find(workbook.sheets[chosen].id);
    const std::string member = target != rels.targets.end()
                                   ? target->second
                                   : "xl/worksheets/sheet" + std::to_string(chosen + 1) + ".xml";
    std::string xml;
    if (!zip.read(member, xml, k_member_limit)) {
        report_error("Not a valid workbook: " + path + " (" + zip.error() + ")");
        return SheetRead::Failed;
    }
    sheet = Sheet();
    sheet.name = workbook.sheets[chosen].name;
    const std::string error = parse_worksheet(xml, context, sheet);
    if (!error.empty()) {
        report_error("Not a valid workbook: " + path + " (" + member + ": " + error + ")");
        return SheetRead::Failed;
    }
    return SheetRead::Ok;
}

std::string xlsx_bytes(const Sheet& sheet, std::size_t* cut_texts) {
    static const char* const head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    static const char* const main_ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    static const char* const rel_ns = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::size_t columns = 0;
    for (const SheetRow& row : sheet.rows) columns = std::max(columns, row.size());
    std::string xml = std::string(head) + "<worksheet xmlns=\"" + main_ns + "\"><dimension ref=\"A1";
    if (!sheet.rows.empty() && columns > 0) xml += ":" + column_name(columns - 1) + std::to_string(sheet.rows.size());
    xml += "\"/><sheetData>";
    std::size_t cut = 0;
    char buf[64];
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        report_progress(static_cast<double>(i), static_cast<double>(sheet.rows.size()));
        const SheetRow& row = sheet.rows[i];
        const std::string r = std::to_string(i + 1);
        xml += "<row r=\"" + r + "\">";
        for (std::size_t j = 0; j < row.size(); ++j) {
            const Cell& c = row[j];
            if (c.kind == Cell::Kind::Empty) continue;
            const std::string ref = column_name(j) + r;
            auto text_cell = [&](const std::string& text) {
                xml += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">";
                std::string t = utf8_text(text);
                if (cut_cell_text(t)) ++cut;
                append_escaped(xml, t);
                xml += "</t></is></c>";
            };
            if (c.kind == Cell::Kind::Text) {
                text_cell(c.text);
                continue;
            }
            if (c.kind == Cell::Kind::Error || std::isnan(c.number)) {
                xml += "<c r=\"" + ref + "\" t=\"e\"><v>#N/A</v></c>";
                continue;
            }
            // A sheet has no number for an infinity: its text, which is read back as one.
            if (std::isinf(c.number)) {
                text_cell(c.number > 0 ? "+.Inf" : "-.Inf");
                continue;
            }
            double x = c.number;
            const char* style = "";
            if (c.kind == Cell::Kind::Date) {
                style = x == std::floor(x) ? " s=\"1\"" : " s=\"2\"";
                x = serial_of_calendar_day(x);
            }
            const auto res = std::to_chars(buf, buf + sizeof buf, x);
            xml += "<c r=\"" + ref + "\"" + style + "><v>" + std::string(buf, res.ptr) + "</v></c>";
        }
        xml += "</row>";
    }
    xml += "</sheetData></worksheet>";

    std::string workbook = std::string(head) + "<workbook xmlns=\"" + main_ns + "\" xmlns:r=\"" + rel_ns +
                           "\"><sheets><sheet name=\"";
    append_escaped(workbook, valid_sheet_name(sheet.name));
    workbook += "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";

    const std::string pkg = "http://schemas.openxmlformats.org/package/2006/";
    auto relationships = [&](std::initializer_list<std::array<const char*, 3>> items) {
        std::string out = std::string(head) + "<Relationships xmlns=\"" + pkg + "relationships\">";
        for (const auto& [id, type, target] : items)
            out += std::string("<Relationship Id=\"") + id + "\" Type=\"" + rel_ns + "/" + type + "\" Target=\"" +
                   target + "\"/>";
        return out + "</Relationships>";
    };
    const std::string rels = relationships({{"rId1", "officeDocument", "xl/workbook.xml"}});
    const std::string workbook_rels =
        relationships({{"rId1", "worksheet", "worksheets/sheet1.xml"}, {"rId2", "styles", "styles.xml"}});

    if (cut_texts) *cut_texts = cut;
    ZipWriter zip;
    zip.add("[Content_Types].xml", k_content_types);
    zip.add("_rels/.rels", rels);
    zip.add("xl/workbook.xml", workbook);
    zip.add("xl/_rels/workbook.xml.rels", workbook_rels);
    zip.add("xl/styles.xml", k_styles);
    zip.add("xl/worksheets/sheet1.xml", xml);
    return zip.finish();
}

bool write_xlsx(const std::string& path, const Sheet& sheet) {
    std::size_t columns = 0;
    for (const SheetRow& row : sheet.rows) columns = std::max(columns, row.size());
    if (sheet.rows.size() > static_cast<std::size_t>(k_max_sheet_rows) ||
        columns > static_cast<std::size_t>(k_max_sheet_columns)) {
        report_error("Too many rows or columns for a workbook (at most " + std::to_string(k_max_sheet_rows) + " x " +
                     std::to_string(k_max_sheet_columns) + "): " + path);
        return false;
    }
    std::size_t cut = 0;
    const std::string bytes = xlsx_bytes(sheet, &cut);
    if (cut)
        report_warning("Text cut to " + std::to_string(k_max_cell_text) + " characters in " + std::to_string(cut) +
                       (cut == 1 ? " cell of " : " cells of ") + path);
    return save_whole_file(path, bytes);
}

}  // namespace kj::data
