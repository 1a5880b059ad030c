// Name resolution: locals and parameters of the function being compiled,
// members of the current class and its bases, globals (inside a namespace
// first as namespace::name), then the library, whose functions are declared
// on first use as externals that the linker binds.
#include "compiler/gauss.h"
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

int declare_library_function(const std::string& name) {
    const link::LibEntry* entry = link::find_function(name);
    if (!entry && link::inline_function_code(name.c_str()) == 0) return -1;
    std::string descriptor = entry ? entry->descriptor : "c$" + name;
    if (descriptor.find('$') == std::string::npos) descriptor = std::string(entry->param_count, 'c') + "$" + name;
    value::FuncInfo* info = link::new_function_info(descriptor, 0, false);
    const bool varargs = entry && (entry->flags & link::k_varargs);
    value::Value f = link::make_function(0, info, varargs);
    f.type |= value::k_extern | KJ_FLAG_GLOBAL;
    const int k = link::add_symbol(name, f);
    if (k < 0) report(D_SymbolTableFull);
    return k;
}

int find_global(const std::string& name) {
    if (!unit().ns.empty()) {
        const int k = link::find_symbol(unit().ns + "::" + name);
        if (k >= 0) return k;
    }
    return link::find_symbol(name);
}

void resolve_name(const std::string& name, Expr& e) {
    e = Expr{};
    e.name = name;
    if (tok() == T_ColonColon) return qualified_name(name, e);
    if (const Local* l = find_local(name)) {
        FunctionState& f = fn();
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
    if (dialect() == Dialect::Gauss) return gauss_global_name(name, e);
    if (fn().cls >= 0) {
        uint32_t flags = 0;
        const int m = find_data_member(fn().cls, name, &flags, nullptr);
        if (m >= 0) {
            if (fn().is_static && !(flags & value::k_static)) report(D_StaticAccess, name);
            gen(Op::Lap, 0);
            e.place = Place::Member;
            e.index = m;
            e.flags = flags;
            return;
        }
        bool is_static = false;
        int owner = -1;
        if (find_member_function(fn().cls, name, &is_static, &owner)) {
            if (!is_static) {
                if (fn().is_static) report(D_StaticAccess, name);
                gen(Op::Lap, 0);
                e.place = Place::MemberName;
                return;
            }
            const int f = member_function_symbol(owner, name);
            if (f >= 0) return direct_member_function(f, owner, Direct::Class, e);
        }
    }
    int k = find_global(name);
    if (k < 0 && fn().cls >= 0) k = link::find_symbol(std::string(link::symbol_at(fn().cls).name) + "::" + name);
    if (k < 0) k = declare_library_function(name);
    if (k < 0 && implicit_local_allowed()) {
        e.place = Place::Local;
        e.index = declare_local(name, 0);
        return;
    }
    if (k < 0) {
        report(D_Undeclared, name);
        value::Value v = value::make_int(0);
        v.type |= KJ_FLAG_GLOBAL;
        k = link::add_symbol(name, v);
        if (k < 0) {
            report(D_SymbolTableFull);
            return;
        }
    }
    global_place(k, name, e);
}

// name "::" name { "::" name }: Class::member, Class::~Class or ns::name.
void qualified_name(std::string name, Expr& e) {
    while (accept(T_ColonColon)) {
        const int k = find_global(name);
        if (k >= 0 && is_class_symbol(k)) {
            std::string member;
            if (!member_name(member)) return;
            uint32_t flags = 0;
            const int m = find_data_member(k, member, &flags, nullptr);
            if (m >= 0) {
                // A static member lives in the class record; a non-static
                // one needs the object of a member function of the class.
                e = Expr{};
                e.name = member;
                if (flags & value::k_static) {
                    gen(Op::Lod, k);
                } else {
                    if (fn().cls < 0 || !link::derives_from(fn().cls, k)) report(D_NotStatic, member);
                    else if (fn().is_static) report(D_StaticAccess, member);
                    gen(Op::Lap, 0);
                }
                e.place = Place::Member;
                e.index = m;
                e.flags = flags;
                return;
            }
            bool is_static = false;
            int owner = -1;
            if (!find_member_function(k, member, &is_static, &owner)) {
                // Class constants (enum inside the class) are globals named Class::name.
                const std::string full = std::string(link::symbol_at(k).name) + "::" + member;
                const int g = link::find_symbol(full);
                if (g >= 0) return global_place(g, full, e);
                report(D_UndeclaredMemberFunction, member);
                e = Expr{};
                return;
            }
            // A non-static member function needs the object of a member
            // function of the class or of a class derived from it.
            if (!is_static) {
                const bool inside = fn().cls >= 0 && link::derives_from(fn().cls, k);
                if (!inside) report(D_NotStatic, member);
                else if (fn().is_static) report(D_StaticAccess, member);
            }
            const int f = member_function_symbol(owner, member);
            if (f < 0) {
                report(D_UndeclaredMemberFunction, member);
                e = Expr{};
                return;
            }
            return direct_member_function(f, owner, is_static ? Direct::Class : Direct::This, e);
        }
        if (tok() != T_Identifier) {
            report(D_Expected, "<identifier>", tok());
            return;
        }
        name += "::" + cur().text;
        advance();
    }
    int k = link::find_symbol(name);
    if (k < 0) k = declare_library_function(name);  // ns::name of a library function
    if (k < 0) {
        report(D_Undeclared, name);
        value::Value v = value::make_int(0);
        v.type |= KJ_FLAG_GLOBAL;
        k = link::add_symbol(name, v);
        if (k < 0) return;
    }
    global_place(k, name, e);
}

}  // namespace kj::compiler
