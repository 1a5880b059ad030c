// Link errors: "Link error: ", "'%s' " with a name when there is one, then the
// row of the table, through the host's message output. Codes 0 and 1 stop the
// process; the others add one to the link error count.
#pragma once

namespace kj::link {

enum LinkError : int {
    L_SymbolTableFull = 0, L_OutOfMemory = 1, L_UnexpectedEof = 2, L_WritingFile = 3,
    L_FileError = 4, L_IncompatibleTypes = 5, L_RedefinedFunction = 6, L_RedefinedClass = 7,
    L_DuplicateIdentifier = 8, L_UndefinedBaseClass = 9, L_UndefinedFunction = 10,
    L_UndefinedReference = 11, L_NoDynamicLinking = 12, L_TooManyInternal = 13,
    L_DllFunctionName = 14, L_CannotLoadDll = 15, L_CannotLoadDllFunction = 16,
    L_NeedMainIp = 17, L_NoArgumentsAllowed = 18, L_ArgumentBeforeEllipsis = 19,
    L_DollarExpected = 20, L_NotObjectFile = 21, L_Recompile = 22, L_NotInitialized = 23,
};

constexpr int k_link_error_count = 24;

const char* link_error_text(int code);
// Prints the message (name may be null), after `where` ("file (line): ") when
// given, and counts it; codes 0 and 1 end the process.
void report_link_error(int code, const char* name = nullptr, const char* where = nullptr);
int link_error_count();
void reset_link_error_count();

}  // namespace kj::link
