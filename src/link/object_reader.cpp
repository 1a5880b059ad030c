#include "link/object_reader.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "runtime/include_path.h"
#include "link/class_members.h"
#include "link/class_records.h"
#include "link/code_check.h"
#include "link/code_image.h"
#include "link/file_code.h"
#include "link/imports.h"
#include "link/link_errors.h"
#include "link/literals.h"
#include "link/merge.h"
#include "link/object_format.h"
#include "link/symbols.h"
#include "runtime/run_error.h"

namespace kj::link {

using value::FuncInfo;
using value::NamedValue;
using value::Value;

namespace {

// Deeper nesting of arrays than any program builds marks a damaged file.
constexpr int k_max_nesting = 64;
// Smallest encodings, used to refuse counts the rest of the file cannot hold.
constexpr std::size_t k_min_value = 4;
constexpr std::size_t k_min_member = 8;     // name and type word
constexpr std::size_t k_min_function = 28;  // name, type word and descriptor
constexpr std::size_t k_instruction = 5;

// Flags that describe memory of the writing process, never valid in a file.
constexpr uint32_t k_process_flags = value::k_owns | value::k_bound | value::k_address | value::k_shared |
                                     value::k_idx_value | value::k_idx_range;

// Wrapping sum: a damaged operand must not overflow.
int32_t add_base(int32_t operand, int base) {
    return static_cast<int32_t>(static_cast<uint32_t>(operand) + static_cast<uint32_t>(base));
}

// Reads one unit from memory. Every read is bounds-checked; the first
// problem is kept (a link error code) and every later read yields zeros, so
// the section loops only need to look at ok() to stop early.
class ObjectReader {
public:
    ObjectReader(const uint8_t* data, std::size_t size, std::string name)
        : m_data(data), m_size(size), m_name(std::move(name)), m_dir(runtime::directory_of(m_name)) {}

    int load();

private:
    bool ok() const { return m_error == 0; }
    void fail(int code) {
        if (m_error == 0) m_error = code;
    }
    std::size_t remaining() const { return m_size - m_pos; }

    bool take(std::size_t n) {
        if (!ok()) return false;
        if (remaining() < n) {
            fail(L_UnexpectedEof);
            return false;
        }
        return true;
    }

    int32_t get_int() {
        if (!take(4)) return 0;
        uint32_t u = 0;
        for (int i = 3; i >= 0; --i) u = (u << 8) | m_data[m_pos + static_cast<std::size_t>(i)];
        m_pos += 4;
        return static_cast<int32_t>(u);
    }

    double get_double() {
        if (!take(8)) return 0.0;
        uint64_t u = 0;
        for (int i = 7; i >= 0; --i) u = (u << 8) | m_data[m_pos + static_cast<std::size_t>(i)];
        m_pos += 8;
        double d;
        std::memcpy(&d, &u, sizeof d);
        return d;
    }

    // A count of items of at least `each` bytes that the file can still hold.
    int32_t get_count(std::size_t each) {
        const int32_t n = get_int();
        if (!ok()) return 0;
        if (n < 0) {
            fail(L_FileError);
            return 0;
        }
        if (static_cast<std::size_t>(n) > remaining() / each) {
            fail(L_UnexpectedEof);
            return 0;
        }
        return n;
    }

    std::string get_string() {
        const int32_t len = get_int();
        if (!ok() || len == 0) return {};
        if (len < 0) {
            fail(L_FileError);
            return {};
        }
        if (!take(static_cast<std::size_t>(len) + 1)) return {};
        std::string s(reinterpret_cast<const char*>(m_data + m_pos), static_cast<std::size_t>(len));
        m_pos += static_cast<std::size_t>(len) + 1;
        return s;
    }

    void expect_mark(const char* section) {
        const int32_t len = get_int();
        if (!ok()) return;
        if (len <= 0 || len > k_longest_section_name) {
            fail(L_FileError);
            return;
        }
        if (!take(static_cast<std::size_t>(len) + 1)) return;
        const bool same = std::strlen(section) == static_cast<std::size_t>(len) &&
                          std::memcmp(m_data + m_pos, section, static_cast<std::size_t>(len)) == 0;
        m_pos += static_cast<std::size_t>(len) + 1;
        if (!same) fail(L_FileError);
    }

    Value get_payload(uint32_t word, int depth);
    Value get_value(int depth) { return get_payload(static_cast<uint32_t>(get_int()), depth); }
    Value get_function(uint32_t word);
    Value get_class(uint32_t word);

    bool check_header();
    void read_info();
    void read_literals();
    void read_symbols();
    void read_code();

    const uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    std::string m_name;
    std::string m_dir;
    int m_error = 0;

    int m_literal_base = 0;
    int m_literal_count = 0;  // literals of this file
    int m_code_base = 0;
    std::vector<int> m_remap;             // file symbol number -> global symbol number
    std::vector<int32_t> m_entries;       // code entries of defined functions, relative
    std::vector<FunctionFrame> m_frames;  // the same with their parameter counts
};

// The payload of a value whose type word has been read. Types whose payload
// is not stored (functions, objects, files and the like) arrive without value.
Value ObjectReader::get_payload(uint32_t word, int depth) {
    const uint32_t flags = (word & ~KJ_TYPE_MASK) & ~k_process_flags;
    const uint32_t code = word & KJ_TYPE_MASK;
    if (!ok()) return value::make_null();
    if (code == value::T_None) {
        // Keeps its attribute bits: an inherited static member's placeholder
        // in a derived class's list is such a record.
        Value none = value::make_none();
        none.type |= flags;
        return none;
    }
    Value v{};
    if (flags & value::k_null) {
        v.type = code | flags;
        return v;
    }
    switch (code) {
        case value::T_Int: v = value::make_int(get_int()); break;
        case value::T_Double: v = value::make_double(get_double()); break;
        case value::T_Matrix: {
            const int32_t r = get_int(), c = get_int();
            if (!ok()) break;
            if (r < 0 || c < 0) {
                fail(L_FileError);
                break;
            }
            v.type = value::T_Matrix;
            v.u.mat.r = r;
            v.u.mat.c = c;
            if (r == 0 || c == 0) break;
            const uint64_t cells = static_cast<uint64_t>(r) * static_cast<uint64_t>(c);
            if (cells > remaining() / 8) {
                fail(L_UnexpectedEof);
                break;
            }
            value::set_matrix(v, r, c);
            for (int i = 0; i < r; ++i)
                for (int j = 0; j < c; ++j) v.u.mat.m[i][j] = get_double();
            break;
        }
        case value::T_String: {
            const std::string s = get_string();
            if (ok()) value::set_string(v, s.data(), static_cast<int>(s.size()));
            break;
        }
        case value::T_Array: {
            if (depth >= k_max_nesting) {
                fail(L_FileError);
                break;
            }
            const int32_t n = get_count(k_min_value);
            if (!ok()) break;
            value::set_array(v, n);
            for (int i = 0; i < n && ok(); ++i) v.u.arr.v[i] = get_payload(static_cast<uint32_t>(get_int()), depth + 1);
            break;
        }
        case value::T_Address:
            // Only a literal can be an import record; elsewhere it is dropped.
            get_int();
            get_int();
            get_string();
            return value::make_null();
        case value::T_Range: v.type = value::T_Range; break;
        default: return value::make_null();
    }
    if (!ok()) {
        value::release(v);
        return value::make_null();
    }
    v.type |= flags;
    return v;
}

// A function descriptor; `word` is the function's type word.
Value ObjectReader::get_function(uint32_t word) {
    const int32_t a = get_int();
    const int32_t entry = get_int();
    const std::string descriptor = get_string();
    int32_t file = get_int();
    const int32_t p = get_count(k_min_member);
    if (!ok()) return value::make_null();
    const std::size_t dollar = descriptor.find('$');
    const int declared = dollar == std::string::npos ? 0 : static_cast<int>(dollar);
    if (p > declared || file >= m_literal_count || descriptor.find('\0') != std::string::npos) {
        fail(L_FileError);
        return value::make_null();
    }
    const bool declared_only = (word & value::k_extern) != 0 || (word & KJ_TYPE_MASK) == value::T_Native;
    if (!declared_only && file > 0) file += m_literal_base;
    FuncInfo* info = new_function_info(descriptor, file, p > 0);
    for (int i = 0; i < p && ok(); ++i) {
        const std::string name = get_string();
        Value def = get_value(1);
        if (ok()) set_parameter(*info, i, name, def);
    }
    if (!ok()) return value::make_null();

    Value f{};
    f.type = value::T_Func | ((word & ~KJ_TYPE_MASK) & ~(k_process_flags | value::k_null | value::k_varargs));
    if (declared_only) f.type |= value::k_extern;
    if (a < 0) f.type |= value::k_varargs;
    f.u.fn.nparam = a < 0 ? -(a + 1) : a;
    f.u.fn.info = info;
    if (!declared_only) {
        // A call reads the descriptor and the parameter records up to the
        // parameter count: a count beyond the descriptor is a damaged file.
        if (entry < 0 || f.u.fn.nparam > declared) {
            fail(L_FileError);
            return value::make_null();
        }
        m_entries.push_back(entry);
        m_frames.push_back({entry, f.u.fn.nparam});
        f.u.fn.entry = static_cast<uint32_t>(add_base(entry, m_code_base));
    }
    return f;
}

// A class entry after its type word; the base class must already be known.
Value ObjectReader::get_class(uint32_t word) {
    const int32_t m = get_count(k_min_member);
    const int32_t base_number = get_int();
    const std::string base_name = base_number != -1 ? get_string() : std::string();
    std::vector<std::pair<std::string, Value>> data;
    for (int i = 0; i < m && ok(); ++i) {
        std::string name = get_string();
        data.emplace_back(std::move(name), get_value(1));
    }
    const int32_t f = get_count(k_min_function);
    std::vector<std::pair<std::string, Value>> functions;
    for (int i = 0; i < f && ok(); ++i) {
        std::string name = get_string();
        const auto fword = static_cast<uint32_t>(get_int());
        functions.emplace_back(std::move(name), get_function(fword));
    }
    if (!ok()) {
        for (auto& d : data) value::release(d.second);
        return value::make_null();
    }

    int base = -1;
    if (base_number != -1) {
        base = find_symbol(base_name);
        if (base < 0 || value::type_of(symbol_at(base).val) != value::T_Class) {
            report_link_error(L_UndefinedBaseClass, base_name.c_str());
            base = -1;
        }
    }
    // The file lists every data member, the base class's included.
    ClassBuilder builder(base);
    for (auto& [name, v] : data) {
        builder.add_data_member(name, v.type, v);
        value::release(v);
    }
    for (auto& [name, fn] : functions) builder.add_member_function(name, fn);
    Value cls = builder.finish(-1);
    cls.type = value::T_Class | ((word & ~KJ_TYPE_MASK) & ~(k_process_flags | value::k_null));
    return cls;
}

// "Kj", two digits of major and two of minor version, zero bytes. A major
// version of 4 counts as 5.
bool ObjectReader::check_header() {
    if (m_size < 2 || m_data[0] != 'K' || m_data[1] != 'j') {
        fail(L_NotObjectFile);
        return false;
    }
    if (m_size < static_cast<std::size_t>(k_object_header_size)) {
        fail(L_UnexpectedEof);
        return false;
    }
    int major = (m_data[2] - '0') * 10 + (m_data[3] - '0');
    if (major == 4) major = 5;
    if (major != k_object_version / 100) {
        fail(L_Recompile);
        return false;
    }
    m_pos = k_object_header_size;
    return true;
}

void ObjectReader::read_info() {
    expect_mark(k_section_info);
    get_string();
    expect_mark(k_section_end);
}

void ObjectReader::read_literals() {
    expect_mark(k_section_literals);
    m_literal_base = literal_count();
    const int32_t n = get_count(k_min_value);
    for (int i = 0; i < n && ok(); ++i) {
        const auto word = static_cast<uint32_t>(get_int());
        int index;
        if ((word & KJ_TYPE_MASK) == value::T_Address && !(word & value::k_null)) {
            const auto state = static_cast<uint32_t>(get_int());
            const int32_t dialect = get_int();
            const std::string name = get_string();
            if (!ok()) break;
            index = add_import_record(name, state != 0 ? k_import_done : k_import_pending, dialect != 0, m_dir);
        } else {
            Value v = get_payload(word, 0);
            if (!ok()) break;
            index = add_literal(v);
        }
        if (index < 0) {
            report_link_error(L_OutOfMemory, "literals");
            return;
        }
        ++m_literal_count;
    }
    expect_mark(k_section_end);
}

void ObjectReader::read_symbols() {
    expect_mark(k_section_symbols);
    m_code_base = code_size();
    const int32_t n = get_count(k_min_member);
    for (int i = 0; i < n && ok(); ++i) {
        const std::string name = get_string();
        const auto word = static_cast<uint32_t>(get_int());
        Value v;
        switch (word & KJ_TYPE_MASK) {
            case value::T_Func:
            case value::T_Native: v = get_function(word); break;
            case value::T_Class: v = get_class(word); break;
            default: v = get_payload(word, 0); break;
        }
        if (!ok()) {
            if (value::type_of(v) == value::T_Class) release_class_values(v);
            else value::release(v);
            break;
        }
        m_remap.push_back(merge_symbol(name.c_str(), v));
    }
    expect_mark(k_section_end);
}

void ObjectReader::read_code() {
    expect_mark(k_section_code);
    const int32_t n = get_count(k_instruction);
    if (!ok()) return;
    if (!code_has_room(n)) {
        report_link_error(L_OutOfMemory, "code");
        return;
    }
    const auto symbols_in_file = static_cast<int32_t>(m_remap.size());
    std::vector<Instr> code(static_cast<std::size_t>(n));
    for (int i = 0; i < n && ok(); ++i) {
        if (!take(k_instruction)) break;
        code[static_cast<std::size_t>(i)].op = m_data[m_pos++];
        code[static_cast<std::size_t>(i)].operand = get_int();
    }
    expect_mark(k_section_end);
    if (!ok()) return;
    // Every operand is checked before anything joins the code image.
    if (!code_is_sound(code, m_frames, {symbols_in_file, m_literal_count})) return fail(L_FileError);
    for (const Instr& in : code) {
        const int32_t op = in.op;
        int32_t operand = in.operand;
        switch (operand_kind(op)) {
            case OperandKind::Jump: operand += m_code_base; break;
            case OperandKind::Symbol: operand = m_remap[static_cast<std::size_t>(operand)]; break;
            case OperandKind::Literal: operand = add_base(operand, m_literal_base); break;
            case OperandKind::LocalName:
                if (operand >= 0) operand = add_base(operand, m_literal_base);
                break;
            default: break;
        }
        emit_raw(op, operand);
    }
    mark_read_from_file(m_code_base, code_size());
}

int ObjectReader::load() {
    const int before = link_error_count();
    if (check_header() && m_pos < m_size) {
        // A file that ends right after its header is an empty unit.
        read_info();
        read_literals();
        read_symbols();
        read_code();
    }
    if (!ok()) report_link_error(m_error, m_name.c_str());
    return link_error_count() - before;
}

}  // namespace

int load_object_bytes(const uint8_t* data, std::size_t size, const char* name) {
    ObjectReader reader(data, size, name ? name : "");
    try {
        return reader.load();
    } catch (const std::bad_alloc&) {
        report_link_error(L_OutOfMemory, name);
    } catch (const runtime::RunError&) {
        report_link_error(L_OutOfMemory, name);
    }
    return 1;
}

int load_object_file(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        report_link_error(L_FileError, path);
        return 1;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[1 << 16];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        report_link_error(L_FileError, path);
        return 1;
    }
    return load_object_bytes(bytes.data(), bytes.size(), path);
}

}  // namespace kj::link
