// Import records: one literal of type "address" per module a unit imports,
// so that the records travel inside object files. In the record,
// u.blob.a is the state (pending, or imported or being imported), u.blob.b
// the dialect (1 = GAUSS module) and u.blob.p points at the ImportRecord
// holding the name, the path that satisfied it and the directory the name is
// relative to. Names keep '/' as separator (a '\' is turned into '/') and
// compare without regard to case; a name ending in a separator is a
// directory record, never imported itself but searched for other imports.
#pragma once

#include <string>
#include <string_view>

#include "value/value.h"

namespace kj::link {

struct ImportRecord {
    std::string name;
    std::string path;      // the file that satisfied the import (not stored in object files)
    std::string base_dir;  // directory of the file that named the import ("" = working directory)
};

constexpr uint32_t k_import_pending = 0;
constexpr uint32_t k_import_done = 1;

bool is_import_record(const value::Value& v);
ImportRecord& import_record(const value::Value& v);
inline uint32_t import_state(const value::Value& v) { return v.u.blob.a; }
inline bool import_is_gauss(const value::Value& v) { return v.u.blob.b != 0; }

std::string normalize_import_name(std::string_view name);
bool is_directory_import(std::string_view name);
bool same_import_name(std::string_view a, std::string_view b);

// Appends a record to the literal table; its literal index, or -1 when full.
int add_import_record(std::string_view name, uint32_t state, bool gauss, std::string_view base_dir);

// Normalises the name, finds the first record of that name or adds one
// (relative to the file being compiled, see set_import_unit_directory), and
// sets its dialect. With `imported`, that record and every other pending
// record of the same name are marked imported. Returns the literal index.
int register_import(std::string_view name, bool imported, bool gauss);
// The parser's entry for an import token: a name starting with "gauss::"
// registers the rest of the name as a GAUSS module, any other a Kj module.
void register_import_name(const char* name);

// The directory that imports registered from now on are relative to: the
// compiler sets it to the directory of the source that names an import or a
// link list, the resolver around a module's compilation. Returns the
// previous one.
std::string set_import_unit_directory(std::string dir);

// "Requires import NAME" for every pending record that no imported record
// of the same name satisfies (once per name); "No imports required\n" when
// there is none.
void list_missing_imports();

}  // namespace kj::link
