// Classes: declarations, member lookup, member-function contexts, new and
// delete.
#include "compiler/parser.h"
#include "link/symbols.h"
#include "value/value.h"

namespace kj::compiler {

bool is_class_symbol(int sym) {
    const value::Value& v = link::symbol_at(sym).val;
    return value::type_of(v) == value::T_Class && v.u.obj.cls == sym;
}

int find_data_member(int, const std::string&, uint32_t*, int*) { return -1; }

bool find_member_function(int, const std::string&, int*, bool*, bool*) { return false; }

MemberContext member_context(const std::string&, uint32_t qualifiers) {
    MemberContext m;
    m.is_static = (qualifiers & value::k_static) != 0;
    return m;
}

void member_declared(const MemberContext&, const std::string&) {}
void member_defined(const MemberContext&, const std::string&, int) {}

void class_declaration(bool) { report(D_OutOfPlace, "class"); }
void new_expression(Expr&) { report(D_OutOfPlace, "new"); }
void delete_expression(Expr&) { report(D_OutOfPlace, "delete"); }

}  // namespace kj::compiler
