#include "compiler/keywords.h"

#include <cstring>
#include <iterator>

#include "compiler/tokens.h"

namespace kj::compiler {

namespace {

// Sorted by strcmp order; the tests check the order and the counts.
constexpr Keyword k_kj_table[] = {
    {"array", T_Array},       {"break", T_Break},
    {"case", T_Case},         {"char", T_Char},
    {"class", T_Class},       {"const", T_Const},
    {"continue", T_Continue}, {"decl", T_Decl},
    {"default", T_Default},   {"delete", T_Delete},
    {"do", T_Do},             {"double", T_Double},
    {"else", T_Else},         {"enum", T_Enum},
    {"extern", T_Extern},     {"for", T_For},
    {"foreach", T_Foreach},   {"goto", T_Goto},
    {"if", T_If},             {"inline", T_Inline},
    {"int", T_Int},           {"matrix", T_Matrix},
    {"namespace", T_Namespace}, {"new", T_New},
    {"operator", T_Operator}, {"parallel", T_Parallel},
    {"protected", T_Protected}, {"public", T_Public},
    {"return", T_Return},     {"serial", T_Serial},
    {"short", T_Short},       {"static", T_Static},
    {"string", T_String},     {"struct", T_Struct},
    {"switch", T_Switch},     {"switch_single", T_SwitchSingle},
    {"this", T_This},         {"virtual", T_Virtual},
    {"while", T_While},       {"$$$", T_NoToken},
};

// The dot words sort first ('.' < letters); ".*." is matched by the GAUSS
// operator scanner and listed here for its name.
constexpr Keyword k_gauss_table[] = {
    {".*.", T_StarStar},  {".and", T_DotAndAnd}, {".eq", T_DotEq},    {".eqv", T_G_Eqv},
    {".ge", T_DotGe},     {".gt", T_DotGt},      {".le", T_DotLe},    {".lt", T_DotLt},
    {".ne", T_DotNe},     {".not", T_G_Not},     {".or", T_DotOrOr},  {".xor", T_G_Xor},
    {"and", T_AndAnd},    {"break", T_Break},    {"call", T_G_Call},  {"continue", T_Continue},
    {"dataloop", T_G_Dataloop}, {"declare", T_G_Declare}, {"do", T_Do}, {"else", T_Else},
    {"elseif", T_G_Elseif}, {"endata", T_G_Endata}, {"endfor", T_G_Endfor}, {"endif", T_G_Endif},
    {"endo", T_G_Endo},   {"endp", T_G_Endp},    {"eq", T_Eq},        {"eqv", T_G_EqvWord},
    {"external", T_G_External}, {"fn", T_G_Fn},  {"for", T_For},      {"ge", T_Ge},
    {"gosub", T_G_Gosub}, {"goto", T_Goto},      {"gt", T_Gt},        {"if", T_If},
    {"keyword", T_G_Keyword}, {"le", T_Le},      {"let", T_G_Let},    {"local", T_G_Local},
    {"lt", T_Lt},         {"matrix", T_Matrix},  {"ne", T_Ne},        {"new", T_New},
    {"not", T_Not},       {"or", T_OrOr},        {"pop", T_G_Pop},    {"proc", T_G_Proc},
    {"retp", T_G_Retp},   {"return", T_Return},  {"string", T_String}, {"until", T_G_Until},
    {"while", T_While},   {"xor", T_G_XorWord},  {"$$$", T_NoToken},
};

constexpr KeywordTable k_kj{k_kj_table, static_cast<int>(std::size(k_kj_table)) - 1};
constexpr KeywordTable k_gauss{k_gauss_table, static_cast<int>(std::size(k_gauss_table)) - 1};
static_assert(std::size(k_kj_table) == 40);
static_assert(std::size(k_gauss_table) == 55);

}  // namespace

const KeywordTable& kj_keywords() { return k_kj; }
const KeywordTable& gauss_keywords() { return k_gauss; }

int find_keyword(const KeywordTable& table, const char* word) {
    int lo = 0;
    int hi = table.count - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int cmp = std::strcmp(word, table.entries[mid].spelling);
        if (cmp == 0) return table.entries[mid].code;
        if (cmp < 0)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return 0;
}

const char* keyword_spelling(const KeywordTable& table, int code) {
    for (int i = 0; i < table.count; ++i)
        if (table.entries[i].code == code) return table.entries[i].spelling;
    return nullptr;
}

}  // namespace kj::compiler
