// The preprocessor's public side: the define table that the driver fills
// (-D, the predefined symbols) and that survives between compilation units,
// the hook through which #import announces a module, and the life cycle of
// the scanner state. Directives themselves run inside the token loop.
#pragma once

namespace kj::compiler {

constexpr int k_max_defines = 512;

// Defines every name of names ("A+B" defines A and B) with the same
// replacement text (nullptr: none). case_insensitive stores the name folded
// to lower case with a '$' in front (GAUSS #define). Reports "too many
// #defines" when the table is full and "previously #defined with different
// value" when a name already has other text.
void define_names(const char* names, bool case_insensitive = false, const char* text = nullptr);
// Index of the entry for name or -1: exact match first, then (GAUSS mode
// only) a case-insensitive match against the '$' entries.
int lookup_define(const char* name);
bool is_defined(const char* name);
// Replacement text of entry index, nullptr when it has none.
const char* define_text(int index);
// Removes name unless its entry is protected; later entries move down.
void undefine(const char* name);
// Entries below the current count can no longer be removed.
void protect_defines();
// Frees every entry from max(index, protected count) on; 0 resets the
// compiler's defines to the protected ones.
void remove_defines_from(int index);
int define_count();
// The symbols every compilation on this platform sees: KJ_Linux, KJ_PARALLEL, KJ_64_BIT.
void define_platform_symbols();

// Sets the directory that quoted includes of the main source are relative to
// (ends in a separator or is empty); nullptr returns to the main source's own
// directory.
void set_source_base_path(const char* dir);

// Start-up and shutdown: a fresh scanner state with an empty define table,
// and its release (every define freed, sources closed).
bool create_preprocessor();
void destroy_preprocessor();

}  // namespace kj::compiler
