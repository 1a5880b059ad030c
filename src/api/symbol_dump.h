// Dumps of the symbol table, of a frame's named slots, of the engine's
// registers and of the p-code, for the debugger and the interactive prompt.
#pragma once

#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "value/value.h"
#include "vm/engine.h"

namespace kj::api {

// The attribute tags of a type-and-flags word, each followed by a blank.
std::string attribute_tags(uint32_t type);

// One symbol line: "%4d " index, the name with its size suffix padded to 24,
// "%-8s " type name, the tags, then the value (full: every value; otherwise
// matrices and arrays only by their size in the suffix). Ends with a line feed.
std::string symbol_line(int index, const char* name, const value::Value& v, bool full);

// A class symbol (a class definition, not an object held in a variable).
bool is_class_symbol(int k);

// "=== global symbols ===" and a line per named global; debugger_view leaves
// out constants, functions and classes. Empty when there is none to list.
std::string global_symbols(bool debugger_view, bool full);

// The named slots of a frame: arguments from ap, locals from bp.
struct FrameSlots {
    const vm::Engine* engine = nullptr;
    int ap = 0;
    int bp = 0;
    std::vector<compiler::FrameName> names;
    int cls = -1;  // class of the object a member function runs on
    const value::Value* slot(const compiler::FrameName& n) const {
        return engine->base + (n.arg ? ap : bp) + n.slot;
    }
};
// The names of the running frame of e: arguments from the function's
// parameters, locals from the names the running code has given its slots.
FrameSlots running_frame(const vm::Engine& e);
const compiler::FrameName* find_frame_name(const FrameSlots& f, const std::string& name);

// "=== local symbols ===" and a line per named slot ("" when none).
std::string local_symbols(const FrameSlots& f, bool full);
// "  ip_next=%3d sp=%3d ap=%3d bp=%3d", then " *sp=" and the top value.
std::string register_line(const vm::Engine& e);

// "=== pcode ===", a line per instruction, "=== literals ===", a line per literal.
std::string pcode_listing();

}  // namespace kj::api
