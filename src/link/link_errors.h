// Link errors: the 24-row message table, the report form and the process-wide
// count that the driver reads after linking.
#pragma once

namespace kj::link {

enum LinkCode : int {
    L_SymbolTableFull = 0, L_OutOfMemory = 1, L_UnexpectedEof = 2, L_WritingFile = 3,
    L_FileError = 4, L_IncompatibleTypes = 5, L_RedefinedFunction = 6, L_RedefinedClass = 7,
    L_DuplicateIdentifier = 8, L_UndefinedBaseClass = 9, L_UndefinedFunction = 10,
    L_UndefinedReference = 11, L_NoDynamicLinking = 12, L_TooManyInternals = 13,
    L_DllNameMissing = 14, L_CannotLoadDll = 15, L_CannotLoadDllFunction = 16,
    L_NeedMainIp = 17, L_NoArguments = 18, L_ArgumentBeforeEllipsis = 19,
    L_DollarExpected = 20, L_NotObjectFile = 21, L_RecompileObject = 22, L_NotInitialised = 23,
};
constexpr int k_link_code_count = 24;

const char* link_error_text(int code);  // "" outside the table

// Sends "Link error: " + "'name' " (when name is non-null) + the table row
// through KjMessage. Codes 0 and 1 then stop the process (fatal stop); every
// other code adds one to the link error count.
void report_link_error(int code, const char* name);

int link_error_count();
void reset_link_error_count();

}  // namespace kj::link
