// Compile-time diagnostics: one table of 88 rows (index = code), counted
// errors, uncounted warnings (79-84) and remarks (85, 86), fatal codes (1-4)
// and the limit of 25 errors per process. Code 87 is counted.
#pragma once

#include <string>

namespace kj::compiler {

enum Diag : int {
    D_Duplicate = 0, D_ConstantBufferFull = 1, D_CodeBufferFull = 2, D_SymbolTableFull = 3,
    D_OutOfMemory = 4, D_Undeclared = 5, D_Expected = 6, D_DivideByZero = 7, D_UndeclaredMember = 8,
    D_UndeclaredMemberFunction = 9, D_NotFunction = 10, D_OutOfPlace = 11, D_LeftValue = 12,
    D_InvalidMember = 13, D_MemberDeclExpected = 14, D_FunctionDeclExpected = 15,
    D_IllegalRedefinition = 16, D_ClassNameExpected = 17, D_TooManyLoops = 18,
    D_FormalRedefined = 19, D_NotFirstFormal = 20, D_WrongArgCount = 21, D_InitExternal = 22,
    D_ArgCountRedefined = 23, D_ArgQualifierRedefined = 24, D_MustBeConstant = 25,
    D_BadOperand = 26, D_TypeUnexpected = 27, D_MustBeInt = 28, D_MustBeIntOrDouble = 29,
    D_ReferenceOfConstant = 30, D_AssignConstant = 31, D_ClassExpected = 32,
    D_FunctionMemberNotFound = 33, D_OnlyStaticInit = 34, D_MemberDefined = 35,
    D_BodyExpected = 36, D_OnlyNonStaticMember = 37, D_UnexpectedEof = 38, D_NotStatic = 39,
    D_CtorReturnsValue = 40, D_ClassBeforeDot = 41, D_CtorStatic = 42, D_StaticAccess = 43,
    D_PublicMemberExpected = 44, D_MemberBodyInClass = 45, D_ClassRedefined = 46,
    D_DtorArguments = 47, D_DtorName = 48, D_FileNotFound = 49, D_LinkErrors = 50,
    D_DuplicateLabel = 51, D_TooManyLabels = 52, D_UndefinedLabel = 53, D_InfiniteMatrix = 54,
    D_MustBeScalar = 55, D_DimensionTooSmall = 56, D_NestedMultipleAssign = 57,
    D_DefaultNotAllowed = 58, D_DefaultTwice = 59, D_TooManyInteractiveLocals = 60,
    D_ConstantRedefined = 61, D_MatrixSeparator = 62, D_AssignInTest = 63,
    D_NestedNamespace = 64, D_EmptyNamespace = 65, D_WrongElementCount = 66,
    D_ClearFunction = 67, D_DefaultNotLast = 68, D_ReferenceLambda = 69, D_NestedLambda = 70,
    D_LambdaModifiesLocal = 71, D_ForeachFirstTerm = 72, D_ForeachIndex = 73,
    D_ForeachTargetModified = 74, D_ReferenceOfSerial = 75, D_BlockNotClosed = 76,
    D_ForExpected = 77, D_DefaultsHere = 78,
    W_EmptyStatement = 79, W_AssignInTest = 80, W_Duplicate = 81, W_UndeclaredGlobal = 82,
    W_LongString = 83, W_NotParallel = 84, R_ParallelLoop = 85, R_CanonicalLoop = 86,
    D_NestingTooDeep = 87,
};

constexpr int k_diagnostic_count = 88;
constexpr int k_max_compile_errors = 25;

const char* diagnostic_text(int code);  // "" past the table

// Reports code with optional text ("'text' " in front of the row), after the
// location prefix of the scanner. Code 6 appends the found token's name as
// "'name'" (found_token). Warnings print only with warnings on, remarks only
// when verbose; neither is counted. Codes 1-4 print "Fatal error: aborted" and
// stop the process; the 25th counted error prints "Maximum number of errors
// reached" and stops it.
void report(int code, const std::string& text = {}, int found_token = 0);
// As report, located at `line` of the current file instead of the scanner's line.
void report_at(int line, int code, const std::string& text = {});

// Errors counted since the last reset_diagnostics.
int compile_error_count();
// Also ends silencing.
void reset_diagnostics();
// After an error that ends the unit's parse: nothing more is reported (or
// counted) until reset_diagnostics.
void silence_diagnostics();
bool diagnostics_silenced();

}  // namespace kj::compiler
