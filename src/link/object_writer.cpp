#include "link/object_writer.h"

#include <cstring>
#include <string>
#include <vector>

#include "link/class_records.h"
#include "link/code_image.h"
#include "link/imports.h"
#include "link/link_errors.h"
#include "link/literals.h"
#include "link/object_format.h"
#include "link/symbols.h"

namespace kj::link {

using value::FuncInfo;
using value::NamedValue;
using value::Value;

namespace {

bool names_symbol(int32_t op) { return operand_kind(op) == OperandKind::Symbol; }

// The file is built in memory and written at once.
class ObjectWriter {
public:
    void put_int(int32_t i) {
        const auto u = static_cast<uint32_t>(i);
        for (int shift = 0; shift < 32; shift += 8) m_out += static_cast<char>((u >> shift) & 0xFF);
    }
    void put_double(double d) {
        uint64_t u;
        std::memcpy(&u, &d, sizeof u);
        for (int shift = 0; shift < 64; shift += 8) m_out += static_cast<char>((u >> shift) & 0xFF);
    }
    void put_bytes(const char* p, std::size_t n) { m_out.append(p, n); }
    void put_string(const char* s, std::size_t len) {
        put_int(static_cast<int32_t>(len));
        if (len == 0) return;
        put_bytes(s, len);
        m_out += '\0';
    }
    void put_string(const char* s) { put_string(s ? s : "", s ? std::strlen(s) : 0); }

    void put_header() {
        char header[k_object_header_size] = {};
        std::snprintf(header, sizeof header, "Kj%04d", k_object_version);
        put_bytes(header, sizeof header);
    }

    void put_value(const Value& v) {
        // A reference points into the running program: it travels as no value.
        if (value::has_flag(v, value::k_address)) {
            put_int(static_cast<int32_t>(value::T_Int | value::k_null));
            return;
        }
        put_int(static_cast<int32_t>(v.type & ~value::k_owns));
        if (value::is_null(v)) return;
        switch (value::type_of(v)) {
            case value::T_Int: put_int(v.u.ival); break;
            case value::T_Double: put_double(v.u.dval); break;
            case value::T_Matrix:
                put_int(v.u.mat.r);
                put_int(v.u.mat.c);
                if (v.u.mat.r > 0 && v.u.mat.m)
                    for (int i = 0; i < v.u.mat.r; ++i)
                        for (int j = 0; j < v.u.mat.c; ++j) put_double(v.u.mat.m[i][j]);
                break;
            case value::T_String: put_string(v.u.str.s, v.u.str.s ? static_cast<std::size_t>(v.u.str.len) : 0); break;
            case value::T_Array:
                put_int(v.u.arr.v ? v.u.arr.n : 0);
                for (int i = 0; v.u.arr.v && i < v.u.arr.n; ++i) put_value(v.u.arr.v[i]);
                break;
            case value::T_Address:
                put_int(static_cast<int32_t>(v.u.blob.a));
                put_int(static_cast<int32_t>(v.u.blob.b));
                put_string(is_import_record(v) ? import_record(v).name.c_str() : nullptr);
                break;
            default: break;
        }
    }

    // Argument count, entry, signature, source-file literal, parameters.
    void put_function(int32_t nparam, bool var, int32_t entry, const FuncInfo* info) {
        put_int(var ? -nparam - 1 : nparam);
        put_int(entry);
        put_string(info ? info->descriptor : nullptr);
        put_int(info ? info->file : 0);
        const int p = info && info->params ? declared_parameters(*info) : 0;
        put_int(p);
        for (int i = 0; i < p; ++i) {
            put_string(info->params[i].name);
            put_value(info->params[i].val);
        }
    }

    void put_function_value(const Value& f) {
        if (value::type_of(f) == value::T_Native) {
            put_function(f.u.nat.nparam, value::has_flag(f, value::k_varargs), 0, f.u.nat.info);
        } else {
            put_function(f.u.fn.nparam, value::has_flag(f, value::k_varargs), static_cast<int32_t>(f.u.fn.entry),
                         f.u.fn.info);
        }
    }

    void put_class(const Value& cls, const std::vector<int32_t>& file_number) {
        put_int(static_cast<int32_t>(cls.type & ~value::k_owns));
        const int n = class_data_count(cls), f = class_function_count(cls);
        put_int(n);
        const int base = cls.u.obj.base;
        if (base >= 0 && base < symbols().count) {
            // A base class not kept in this file is found by name on loading.
            put_int(file_number[static_cast<std::size_t>(base)] >= 0 ? file_number[static_cast<std::size_t>(base)] : -2);
            put_string(symbol_at(base).name);
        } else {
            put_int(-1);
        }
        for (int i = 0; i < n; ++i) {
            put_string(class_data(cls)[i].name);
            put_value(class_data(cls)[i].val);
        }
        put_int(f);
        for (int i = 0; i < f; ++i) {
            const NamedValue& m = class_functions(cls)[i];
            put_string(m.name);
            put_int(static_cast<int32_t>(m.val.type & ~value::k_owns));
            put_function_value(m.val);
        }
    }

    void put_symbol(const NamedValue& s, const std::vector<int32_t>& file_number) {
        put_string(s.name);
        switch (value::type_of(s.val)) {
            case value::T_Func:
                put_int(static_cast<int32_t>(s.val.type & ~(value::k_owns | value::k_bound)));
                put_function_value(s.val);
                break;
            case value::T_Native:
                put_int(static_cast<int32_t>(k_library_function_word | (s.val.type & value::k_varargs)));
                put_function_value(s.val);
                break;
            case value::T_Class: put_class(s.val, file_number); break;
            default: put_value(s.val); break;
        }
    }

    const std::string& bytes() const { return m_out; }

private:
    std::string m_out;
};

// File numbers of the kept symbols, -1 for the others.
std::vector<int32_t> number_kept_symbols() {
    const SymbolTable& table = symbols();
    std::vector<int32_t> number(static_cast<std::size_t>(table.count), -1);
    std::vector<bool> kept(static_cast<std::size_t>(table.count), false);
    for (int k = 0; k < table.count; ++k) kept[static_cast<std::size_t>(k)] = !value::has_flag(table.entries[k].val, value::k_extern);
    for (int ip = 0; ip < code_size(); ++ip) {
        const Instr in = code_instr(ip);
        if (names_symbol(in.op) && in.operand >= 0 && in.operand < table.count) kept[static_cast<std::size_t>(in.operand)] = true;
    }
    int32_t next = 0;
    for (int k = 0; k < table.count; ++k)
        if (kept[static_cast<std::size_t>(k)]) number[static_cast<std::size_t>(k)] = next++;
    return number;
}

}  // namespace

bool write_object(std::FILE* file) {
    ObjectWriter w;
    w.put_header();

    w.put_string(k_section_info);
    w.put_string(nullptr);
    w.put_string(k_section_end);

    w.put_string(k_section_literals);
    w.put_int(literal_count());
    for (int i = 0; i < literal_count(); ++i) w.put_value(literal_at(i));
    w.put_string(k_section_end);

    const std::vector<int32_t> file_number = number_kept_symbols();
    int32_t kept = 0;
    for (int32_t n : file_number) kept += n >= 0 ? 1 : 0;
    w.put_string(k_section_symbols);
    w.put_int(kept);
    for (int k = 0; k < symbols().count; ++k)
        if (file_number[static_cast<std::size_t>(k)] >= 0) w.put_symbol(symbol_at(k), file_number);
    w.put_string(k_section_end);

    w.put_string(k_section_code);
    w.put_int(code_size());
    for (int ip = 0; ip < code_size(); ++ip) {
        const Instr in = code_instr(ip);
        int32_t operand = in.operand;
        if (names_symbol(in.op)) {
            const bool known = operand >= 0 && operand < symbols().count;
            operand = known ? file_number[static_cast<std::size_t>(operand)] : -1;
        }
        const char op = static_cast<char>(static_cast<uint8_t>(in.op));
        w.put_bytes(&op, 1);
        w.put_int(operand);
    }
    w.put_string(k_section_end);

    const std::string& bytes = w.bytes();
    const bool ok = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    if (!ok) report_link_error(L_WritingFile);
    return ok;
}

}  // namespace kj::link
