// Run-time errors and warnings. An error is reported where it is raised (while
// the frames still exist), then unwinds with RunError to the run boundary.
#pragma once

#include <string_view>

#include <kj80x.h>

namespace kj::vm {

// Thrown after the error has been reported; caught at the run boundaries only.
struct RunError {
    int code;
};

// The code of a RunError that ends the program as if main had returned (the
// library function exit): nothing is reported, the run does not fail, and the
// engine leaves the exit code as main's result. Set by request_program_exit.
constexpr int k_program_exit = -2;
// Unwinds the running program with k_program_exit; `code` becomes main's result.
[[noreturn]] void request_program_exit(int code);
int program_exit_code();

constexpr int k_warning_base = 68;  // warning kind k is message 68 + k
constexpr int k_message_count = 73;

enum RunCode : int {
    E_RunTime = 0, E_Fatal = 1, E_Library = 2, E_StackOverflow = 3, E_OutOfMemory = 4,
    E_NotFunction = 5, E_DivideByZero = 6, E_MemberNeedsObject = 7, E_UndeclaredMember = 8,
    E_Singular = 9, E_BadOperand = 10, E_IncompatibleType = 11, E_NoValue = 12,
    E_WrongArgCount = 13, E_WrongType = 14, E_IndexRange = 15, E_CannotIndex = 16,
    E_ScalarExpected = 17, E_ScalarOrMatrix = 18, E_ScalarOrString = 19, E_AssignConst = 20,
    E_ClassExpected = 21, E_UndefinedMemberFunc = 22, E_NotFunctionMember = 23,
    E_UndefinedFunc = 24, E_InvalidClass = 25, E_DeleteConst = 26, E_Reference = 27,
    E_NegPowerZero = 28, E_SvdFailed = 29, E_Typecast = 30, E_InvalidRange = 31,
    E_RangeArray = 32, E_IntPowOverflow = 33, E_ArgsDifferent = 34, E_CallbackMember = 35,
    E_CallbackExpected = 36, E_ArgError = 37, E_IndexMissing = 38, E_NegativeDim = 39,
    E_ArgSize = 40, E_InCallback = 41, E_InvalidNumber = 42, E_Overflow = 43, E_FpException = 44,
    E_CastInt = 45, E_CastDouble = 46, E_CastMatrix = 47, E_CastVector = 48,
    E_VectorExpected = 55, E_JumpAddress = 56, E_OneArrayItem = 57, E_NoPipe = 58,
    E_UserAbort = 59, E_PublicMember = 60, E_StringExpected = 61, E_UseConstant = 62,
    E_LambdaContext = 63, E_ForeachChanged = 64, E_StackError = 65, E_ForLoop = 66,
    E_InfiniteLoop = 67,
};

enum WarningKind : int {
    W_Decomposition = 0, W_MaxIterations = 1, W_ConcatPadded = 2, W_NonInteger = 3,
    W_VectorIndex = 4, W_Named = 5,
};

const char* run_message_text(int code);  // "" past the table

// Reports and unwinds (KjRunError). Never returns.
[[noreturn, gnu::cold, gnu::noinline]] void raise_run_error(int code, std::string_view text = {});
// Prints text (when given) with location and trace, then unwinds (KjRunErrorMessage).
[[noreturn, gnu::cold, gnu::noinline]] void raise_run_error_message(const char* text);

void run_warning(const char* name, int kind);
void run_warning_message(const char* name, const char* text);
int warning_mask();
void set_warning_mask(int mask);

// Hooks the engine installs: location and call trace of the current
// instruction for error reports, and the location line after a warning.
struct ErrorReporter {
    void (*error_location)() = nullptr;     // "Runtime error occurred in ..." and trace
    void (*warning_location)() = nullptr;   // location text after a warning
    const char* (*current_function)() = nullptr;  // running function's name, or null
};
void set_error_reporter(const ErrorReporter& r);

}  // namespace kj::vm

namespace kj::vm {

// Index error reports: "[%d]", "[%d][]" (row of a vector being materialised) or
// "[][%d]" (column), then " in " and the value's description; error 15. Ranges
// print "[%d : %d]" in the same three forms and raise error 31.
enum class IndexForm { Single, Row, Column };
[[noreturn, gnu::cold]] void raise_index_error(int index, IndexForm form, const KjValue& v);
[[noreturn, gnu::cold]] void raise_range_error(int first, int last, IndexForm form, const KjValue& v);
// Error 16 "cannot index this type" with the value's description.
[[noreturn, gnu::cold]] void raise_cannot_index(const KjValue& v);
// In the GAUSS dialect printed indices are 1-based.
void set_one_based_index_reports(bool on);

}  // namespace kj::vm
