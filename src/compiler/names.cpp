// Name resolution: locals and parameters of the function being compiled,
// members of the current class and its bases, globals (inside a namespace
// first as namespace::name), then the library, whose functions are declared
// on first use as externals that the linker binds.
#include "compiler/gauss/gauss.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "link/function_table.h"
#include "link/inline_functions.h"
#include "link/symbols.h"
#include "value/value.h"
#include "link/class_members.h"

namespace kj::compiler {

namespace {

bool is_function_type(uint32_t type) {
    const uint32_t t = type & KJ_TYPE_MASK;
    return t == value::T_Func || t == value::T_Native;
}

// Data member m of the object in hand (its address is on the stack) into e.
void data_member(Expr& e, int m, uint32_t flags) {
    e.place = Place::Member;
    e.index = m;
    e.flags = flags;
}

// A global symbol into e.
void global_place(int k, const std::string& name, Expr& e) {
    const value::Value& v = link::symbol_at(k).val;
    e.index = k;
    e.name = name;
    e.flags = v.type & (value::k_const | k_serial);
    if (is_class_symbol(k)) {
        e.place = Place::Class;
        return;
    }
    e.place = Place::Global;
    e.function = is_function_type(v.type);
}

// A member function symbol called directly (Class::f, Base::f, a static
// member function by name inside its class).
void direct_member_function(int f, int owner, Direct direct, Expr& e) {
    global_place(f, link::symbol_at(f).name, e);
    e.direct = direct;
    e.direct_class = owner;
}

}  // namespace

void global_symbol_place(int k, const std::string& name, Expr& e) { global_place(k, name, e); }

int declare_library_function(Parser& p, const std::string& name) {
    const link::LibEntry* entry = link::find_function(name);
    if (!entry && link::inline_function_code(name.c_str()) == 0) return -1;
    std::string descriptor = entry ? entry->descriptor : "c$" + name;
    if (descriptor.find('$') == std::string::npos) descriptor = std::string(entry->param_count, 'c') + "$" + name;
    value::FuncInfo* info = link::new_function_info(descriptor, 0, false);
    const bool varargs = entry && (entry->flags & link::k_varargs);
    value::Value f = link::make_function(0, info, varargs);
    f.type |= value::k_extern | KJ_FLAG_GLOBAL;
    const int k = link::add_symbol(name, f);
    if (k < 0) report(p, D_SymbolTableFull);
    return k;
}

int find_global(Parser& p, const std::string& name) {
    if (!p.unit.ns.empty()) {
        const int k = link::find_symbol(p.unit.ns + "::" + name);
        if (k >= 0) return k;
    }
    return link::find_symbol(name);
}

void resolve_name(Parser& p, const std::string& name, Expr& e) {
    e = Expr{};
    e.name = name;
    if (tok(p) == T_ColonColon) return qualified_name(p, name, e);
    if (const Local* l = find_local(p, name)) {
        FunctionState& f = p.unit.fn;
        if (f.lambda > 0 && l->lambda == 0) {
            bool known = false;
            for (const std::string& c : f.captured) known = known || c == name;
            if (!known) f.captured.push_back(name);
        }
        e.place = l->arg ? Place::Arg : Place::Local;
        e.index = l->slot;
        e.flags = l->flags;
        return;
    }
    if (dialect() == Dialect::Gauss) return gauss_global_name(p, name, e);
    if (p.unit.fn.cls >= 0) {
        uint32_t flags = 0;
        const int m = find_data_member(p.unit.fn.cls, name, &flags, nullptr);
        if (m >= 0) {
            if (p.unit.fn.is_static && !(flags & value::k_static)) report(p, D_StaticAccess, name);
            gen(p, Op::Lap, 0);
            data_member(e, m, flags);
            return;
        }
        bool is_static = false;
        int owner = -1;
        if (find_member_function(p.unit.fn.cls, name, &is_static, &owner)) {
            if (!is_static) {
                if (p.unit.fn.is_static) report(p, D_StaticAccess, name);
                gen(p, Op::Lap, 0);
                e.place = Place::MemberName;
                return;
            }
            const int f = member_function_symbol(p, owner, name);
            if (f >= 0) return direct_member_function(f, owner, Direct::Class, e);
        }
    }
    int k = find_global(p, name);
    if (k < 0 && p.unit.fn.cls >= 0) k = link::find_symbol(std::string(link::symbol_at(p.unit.fn.cls).name) + "::" + name);
    if (k < 0) k = declare_library_function(p, name);
    if (k < 0 && implicit_local_allowed(p)) {
        e.place = Place::Local;
        e.index = declare_local(p, name, 0);
        return;
    }
    if (k < 0) {
        report(p, D_Undeclared, name);
        value::Value v = value::make_int(0);
        v.type |= KJ_FLAG_GLOBAL;
        k = link::add_symbol(name, v);
        if (k < 0) {
            report(p, D_SymbolTableFull);
            return;
        }
    }
    global_place(k, name, e);
}

// name "::" name { "::" name }: Class::member, Class::~Class or ns::name.
void qualified_name(Parser& p, std::string name, Expr& e) {
    while (accept(p, T_ColonColon)) {
        const int k = find_global(p, name);
        if (k >= 0 && is_class_symbol(k)) {
            std::string member;
            if (!member_name(p, member)) return;
            uint32_t flags = 0;
            const int m = find_data_member(k, member, &flags, nullptr);
            if (m >= 0) {
                // A static member lives in the class record; a non-static
                // one needs the object of a member function of the class.
                e = Expr{};
                e.name = member;
                if (flags & value::k_static) {
                    gen(p, Op::Lod, k);
                } else {
                    if (p.unit.fn.cls < 0 || !link::derives_from(p.unit.fn.cls, k)) report(p, D_NotStatic, member);
                    else if (p.unit.fn.is_static) report(p, D_StaticAccess, member);
                    gen(p, Op::Lap, 0);
                }
                data_member(e, m, flags);
                return;
            }
            bool is_static = false;
            int owner = -1;
            if (!find_member_function(k, member, &is_static, &owner)) {
                // Class constants (enum inside the class) are globals named Class::name.
                const std::string full = std::string(link::symbol_at(k).name) + "::" + member;
                const int g = link::find_symbol(full);
                if (g >= 0) return global_place(g, full, e);
                report(p, D_UndeclaredMemberFunction, member);
                e = Expr{};
                return;
            }
            // A non-static member function needs the object of a member
            // function of the class or of a class derived from it.
            if (!is_static) {
                const bool inside = p.unit.fn.cls >= 0 && link::derives_from(p.unit.fn.cls, k);
                if (!inside) report(p, D_NotStatic, member);
                else if (p.unit.fn.is_static) report(p, D_StaticAccess, member);
            }
            const int f = member_function_symbol(p, owner, member);
            if (f < 0) {
                report(p, D_UndeclaredMemberFunction, member);
                e = Expr{};
                return;
            }
            return direct_member_function(f, owner, is_static ? Direct::Class : Direct::This, e);
        }
        if (tok(p) != T_Identifier) {
            report(p, D_Expected, "<identifier>", tok(p));
            return;
        }
        name += "::" + cur(p).text;
        advance(p);
    }
    int k = link::find_symbol(name);
    if (k < 0) k = declare_library_function(p, name);  // ns::name of a library function
    if (k < 0) {
        report(p, D_Undeclared, name);
        value::Value v = value::make_int(0);
        v.type |= KJ_FLAG_GLOBAL;
        k = link::add_symbol(name, v);
        if (k < 0) return;
    }
    global_place(k, name, e);
}

}  // namespace kj::compiler
