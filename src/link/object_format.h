// The layout of object files (".kjo"), shared by the writer and the reader.
// All integers are 32-bit little-endian, doubles 8-byte IEEE-754
// little-endian, with no padding. A string is an int length L followed, when
// L is not 0, by L bytes and a zero byte. Sections, in order, each opened by
// a mark (a string naming it) and closed by the mark "$kj$end":
//   header   32 bytes: "Kj%04d" with the object version, then zero bytes
//   info     "$kj$info", an empty string
//   literals "$kj$literals", int N, N values
//   symbols  "$kj$symbols", int S, S symbol entries
//   code     "$kj$pcode", int C, C instructions (1-byte opcode, int operand)
// A value is its int type word and, unless it has the no-value flag, by type
// code: int; double; matrix rows, columns, rows x columns doubles (none when
// either is 0); string as a string; array count and values; address (an
// import record) state, dialect and name; nothing for any other type.
#pragma once

namespace kj::link {

constexpr int k_object_version = 700;
constexpr int k_object_header_size = 32;
constexpr int k_longest_section_name = 60;

constexpr const char* k_section_info = "$kj$info";
constexpr const char* k_section_literals = "$kj$literals";
constexpr const char* k_section_symbols = "$kj$symbols";
constexpr const char* k_section_code = "$kj$pcode";
constexpr const char* k_section_end = "$kj$end";

// Function descriptor in a symbol entry: int argument count (a negative A
// marks a variable list with -A-1 parameters), int code entry (relative to
// the unit's first instruction), the signature string, int source-file
// literal (relative to the unit's first literal; 0 or less for none), int P
// and P pairs of parameter name and default value.
//
// A class entry: int type word, int data-member count M, int base-class
// number in the file (-1 for none) and then the base class's name, M pairs
// of member name and value, int member-function count F, F triples of name,
// int type word and function descriptor.

// Type word of a library function in a file: a declared global function,
// bound again when the program is linked.
constexpr unsigned k_library_function_word = 0x3006;

}  // namespace kj::link
