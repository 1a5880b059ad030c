// Placeholders for the operators on values until they land: every entry is
// "bad operand". The dispatch loop handles int and double scalars itself.
#include "vm/operators.h"
#include "vm/run_error.h"

namespace kj::vm {

void apply_operator(int, value::Value*&) { raise_run_error(E_BadOperand); }
void apply_inline(int, value::Value&) { raise_run_error(E_BadOperand); }
void index_load(value::Value*&) { raise_run_error(E_BadOperand); }
void index_store(value::Value*&) { raise_run_error(E_BadOperand); }
void index_load_gauss(int, value::Value*&) { raise_run_error(E_BadOperand); }
void index_store_gauss(int, value::Value*&) { raise_run_error(E_BadOperand); }
void multiple_assign_element(int, value::Value&) { raise_run_error(E_BadOperand); }
void new_value(int, value::Value*&) { raise_run_error(E_BadOperand); }

}  // namespace kj::vm
