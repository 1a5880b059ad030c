#include "lib/io/print_value.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "lib/io/print_buffer.h"
#include "lib/object_queries.h"

namespace kj::lib::io {

using value::Value;

namespace {
// Nesting beyond this prints "..." (cyclic object graphs).
constexpr int k_max_depth = 64;

std::string_view string_of(const Value& v) {
    return v.u.str.s ? std::string_view(v.u.str.s, static_cast<std::size_t>(v.u.str.len)) : std::string_view();
}

const char* function_name(const KjFuncInfo* info) {
    if (!info || !info->descriptor) return "?";
    const char* dollar = std::strchr(info->descriptor, '$');
    return dollar ? dollar + 1 : info->descriptor;
}

// An address in the form "0x" + 16 upper-case hex digits, as on every platform.
void put_address(PrintBuffer& out, const void* p) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "&0x%016" PRIXPTR, reinterpret_cast<std::uintptr_t>(p));
    out.put(buf);
}

void put_escaped(PrintBuffer& out, std::string_view s) {
    std::string& t = out.text();
    t += '"';
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '\a': t += "\\a"; break;
            case '\b': t += "\\b"; break;
            case '\t': t += "\\t"; break;
            case '\n': t += "\\n"; break;
            case '\v': t += "\\v"; break;
            case '\f': t += "\\f"; break;
            case '\r': t += "\\r"; break;
            case '"': case '\'': case '\\':
                t += '\\';
                t += ch;
                break;
            default:
                if (c < 32) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\x%02x", c);
                    t += buf;
                } else {
                    t += ch;
                }
        }
    }
    t += '"';
}

void put_string(PrintBuffer& out, const Value& v, const FormatSpec* spec) {
    std::string_view s = string_of(v);
    if (spec && spec->kind == FormatKind::Value) return put_escaped(out, s);
    if (s.size() >= 2 && s[0] == '%' && s[1] == '%') s.remove_prefix(1);
    if (spec && spec->kind == FormatKind::String) {
        if (spec->precision >= 0 && s.size() > static_cast<std::size_t>(spec->precision))
            s = s.substr(0, static_cast<std::size_t>(spec->precision));
        out.put(spec->prefix);
        append_padded(out.text(), s, spec->width, spec->left);
        out.put(spec->suffix);
        return;
    }
    out.put(s);
}

class ValuePrinter {
public:
    explicit ValuePrinter(PrintBuffer& out) : m_out(out) {}
    void print(const Value& v, const PrintDirectives& d, int depth);

private:
    void print_readable(const Value& v, int depth);
    void print_array(const Value& v, std::string& path, int depth);
    void print_object(const Value& v, const FormatSpec* spec, int depth);
    void end_line() {
        if (!m_out.ended_line()) m_out.put('\n');
    }
    PrintBuffer& m_out;
};

const Value& referenced(const Value& v) {
    return value::type_of(v) == value::T_Array && value::has_flag(v, value::k_address) && v.u.arr.v ? v.u.arr.v[0]
                                                                                                  : v;
}

bool is_self(const Value& member, const Value& object) {
    return value::type_of(member) == value::T_Class && member.u.obj.members == object.u.obj.members;
}

// The class record itself (its statics print too), not an object of it.
bool is_class_record(const Value& v) {
    const Value* cls = object_static_record(v);
    return cls && cls->u.obj.members == v.u.obj.members;
}

bool prints_member(const KjNamedValue& m, bool statics) {
    const Value& v = m.val;
    if (value::has_flag(v, value::k_static) && (!statics || value::has_flag(v, value::k_const))) return false;
    const uint32_t t = value::type_of(v);
    return t != value::T_Func && t != value::T_Native;
}

void ValuePrinter::print(const Value& v, const PrintDirectives& d, int depth) {
    const FormatSpec* spec = d.spec;
    if (depth > k_max_depth) return m_out.put("...");
    if (value::is_null(v) || value::type_of(v) == value::T_None) return m_out.put(".Null");
    if (spec && spec->kind == FormatKind::Value) return print_readable(v, depth);
    switch (value::type_of(v)) {
        case value::T_Int:
            return append_int(m_out.text(), spec ? *spec : default_formats().integer, v.u.ival);
        case value::T_Double:
            return append_double(m_out.text(), spec ? *spec : default_formats().real, v.u.dval);
        case value::T_Matrix:
        case value::T_Vector:
            m_out.flush();
            if (spec && spec->kind == FormatKind::MatrixFile) {
                // "%#m" writes the matrix-file element; "%M" leaves the header out.
                static const FormatSpec file_element = parse_format("%25.16e");
                static const FormatSpec exact_element = parse_format("%26.17e");
                return write_matrix_text(m_out.sink(), v.u.mat.m, v.u.mat.r, v.u.mat.c,
                                         spec->alt ? file_element : exact_element, spec->conversion == 'm');
            }
            return print_matrix(m_out.sink(), v.u.mat.m, v.u.mat.r, v.u.mat.c, d);
        case value::T_String:
            return put_string(m_out, v, spec);
        case value::T_Array: {
            if (value::has_flag(v, value::k_address)) return print(referenced(v), d, depth + 1);
            std::string path;
            return print_array(v, path, depth);
        }
        case value::T_Class:
            return print_object(v, spec, depth);
        case value::T_Func:
            m_out.put(function_name(v.u.fn.info));
            return m_out.put("()");
        case value::T_Native:
            m_out.put(function_name(v.u.nat.info));
            m_out.put('(');
            put_address(m_out, reinterpret_cast<const void*>(v.u.nat.fn));
            return m_out.put(')');
        case value::T_File:
            return m_out.put("(file)");
        case value::T_Lambda:
            return m_out.put("lambda()");
        case value::T_Range: {
            char buf[48];
            std::snprintf(buf, sizeof buf, "[%d : %d]", v.u.rng.first, v.u.rng.last);
            return m_out.put(buf);
        }
        default:
            return m_out.put(value::type_name(v.type));
    }
}

// Arrays list one element per line as "[i][j] = value"; a reference element
// is marked "&[i]" and shows the value it refers to.
void ValuePrinter::print_array(const Value& v, std::string& path, int depth) {
    if (v.u.arr.n == 0 || !v.u.arr.v) {
        m_out.put("{}\n");
        return;
    }
    const std::size_t base = path.size();
    for (int i = 0; i < v.u.arr.n; ++i) {
        const Value& e = v.u.arr.v[i];
        const bool ref = value::type_of(e) == value::T_Array && value::has_flag(e, value::k_address);
        const Value& target = referenced(e);
        char step[24];
        std::snprintf(step, sizeof step, "%s[%d]", ref ? "&" : "", i);
        path += step;
        if (value::type_of(target) == value::T_Array && !value::is_null(target) && target.u.arr.n > 0 &&
            depth < k_max_depth) {
            print_array(target, path, depth + 1);
        } else {
            m_out.put(path);
            m_out.put(" = ");
            print(target, {}, depth + 1);
            end_line();
        }
        path.resize(base);
        m_out.step();
    }
}

// Data members as "->name = value" lines, or under "%v" as ".name = value;".
// Static members show only when the record is a class.
void ValuePrinter::print_object(const Value& v, const FormatSpec* spec, int depth) {
    if (spec && spec->kind == FormatKind::Address) return put_address(m_out, v.u.obj.members);
    const bool readable = spec && spec->kind == FormatKind::Value;
    PrintDirectives inner;
    inner.spec = readable ? spec : nullptr;
    if (readable) {
        const char* name = object_class_name(v);
        m_out.put("::");
        m_out.put(name ? name : "??");
        m_out.put("\n{\n");
    }
    const bool statics = is_class_record(v);
    for (int i = 0; i < v.u.obj.n && v.u.obj.members; ++i) {
        const KjNamedValue& m = v.u.obj.members[i];
        if (!prints_member(m, statics)) continue;
        m_out.put(readable ? "." : "->");
        m_out.put(m.name ? m.name : "?");
        m_out.put(" = ");
        if (is_self(m.val, v))
            m_out.put("this");
        else
            print(m.val, inner, depth + 1);
        if (readable)
            m_out.put(";\n");
        else
            end_line();
    }
    if (readable) m_out.put("}\n");
}

void ValuePrinter::print_readable(const Value& v, int depth) {
    static const FormatSpec readable = parse_format("%v");
    PrintDirectives inner;
    inner.spec = &readable;
    std::string& t = m_out.text();
    switch (value::type_of(v)) {
        case value::T_Int:
            return append_int(t, readable, v.u.ival);
        case value::T_Double:
            return append_readable(t, v.u.dval);
        case value::T_Matrix:
        case value::T_Vector:
            append_matrix_readable(t, v.u.mat.m, v.u.mat.r, v.u.mat.c);
            return m_out.step();
        case value::T_String:
            return put_escaped(m_out, string_of(v));
        case value::T_Array: {
            if (value::has_flag(v, value::k_address)) return print(referenced(v), inner, depth + 1);
            m_out.put('{');
            for (int i = 0; i < v.u.arr.n && v.u.arr.v; ++i) {
                if (i > 0) m_out.put(',');
                print(v.u.arr.v[i], inner, depth + 1);
            }
            return m_out.put('}');
        }
        case value::T_Class:
            return print_object(v, &readable, depth);
        default:
            return print(v, {}, depth);
    }
}

// Collects text in a string instead of a device.
class StringCollector final : public OutputSink {
public:
    explicit StringCollector(std::string& out) : OutputSink(false), m_out(out) {}

private:
    void emit(const char* text, std::size_t len) override { m_out.append(text, len); }
    std::string& m_out;
};
}  // namespace

void print_value(OutputSink& out, const Value& v, const PrintDirectives& d) {
    PrintBuffer buffer(out);
    ValuePrinter(buffer).print(v, d, 0);
}

std::string value_text(const Value& v, const PrintDirectives& d) {
    std::string text;
    StringCollector sink(text);
    print_value(sink, v, d);
    return text;
}

}  // namespace kj::lib::io
