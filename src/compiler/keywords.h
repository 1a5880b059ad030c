// Keyword tables of the two dialects: sorted by spelling, searched by binary
// search on the whole word. Each table ends in the sentinel "$$$" (<notoken>),
// which is not counted.
#pragma once

namespace kj::compiler {

struct Keyword {
    const char* spelling;
    int code;
};

struct KeywordTable {
    const Keyword* entries;
    int count;  // words before the sentinel: 39 (Kj) or 54 (GAUSS)
};

const KeywordTable& kj_keywords();
const KeywordTable& gauss_keywords();

// The keyword's token code, or 0 when word is not in the table.
int find_keyword(const KeywordTable& table, const char* word);
// The spelling of the first entry with this code, or nullptr.
const char* keyword_spelling(const KeywordTable& table, int code);

}  // namespace kj::compiler
