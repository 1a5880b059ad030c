#include "api/prompt_checkpoint.h"

#include <cstring>

#include "link/class_records.h"
#include "link/code_image.h"
#include "link/symbols.h"

namespace kj::api {

namespace {
bool is_class_symbol(const value::Value& v, int k) { return value::type_of(v) == value::T_Class && v.u.obj.cls == k; }

// Function values hold no payload: putting one back releases nothing.
void put_back(value::Value& slot, const value::Value& saved) {
    if (slot.type == saved.type && slot.u.fn.entry == saved.u.fn.entry && slot.u.fn.info == saved.u.fn.info) return;
    value::release(slot);
    slot = saved;
}
}  // namespace

PromptCheckpoint::PromptCheckpoint() : m_code_size(link::code_size()), m_symbols(link::symbols().count) {
    for (int k = 0; k < m_symbols; ++k) {
        const value::NamedValue& s = link::symbol_at(k);
        if (value::type_of(s.val) == value::T_Func) m_functions.push_back({k, -1, s.val});
        if (!is_class_symbol(s.val, k)) continue;
        m_class_names.push_back({k, s.name});
        const value::NamedValue* f = link::class_functions(s.val);
        for (int j = 0; j < link::class_function_count(s.val); ++j) m_functions.push_back({k, j, f[j].val});
    }
}

void PromptCheckpoint::roll_back() const {
    if (m_code_size <= link::code_size()) link::code_truncate(m_code_size);
    for (const SavedFunction& f : m_functions) {
        value::Value& v = link::symbol_at(f.symbol).val;
        if (f.member < 0) put_back(v, f.val);
        else if (is_class_symbol(v, f.symbol) && f.member < link::class_function_count(v))
            put_back(link::class_functions(v)[f.member].val, f.val);
    }
    for (const SavedName& n : m_class_names)
        if (std::strcmp(link::symbol_at(n.symbol).name, n.name.c_str()) != 0) link::rename_symbol(n.symbol, n.name);
    link::truncate_symbols(m_symbols);
}

}  // namespace kj::api
