// Formatted reading, the inverse of the printing formats: scan (console
// input), sscan (a string) and fscan (a file) apply format strings to text
// and store what the conversions read through reference arguments.
//
// In a format, white space matches any run of white space (also none), "%%"
// matches "%", other characters must match the input exactly. A conversion is
// "%", an optional "*" (read but do not store), an optional width, an
// optional "#", and one of:
//   d i          an int                 e f g E F G   a double (also ".",
//   s            a word as a string                   ".NaN", "+.Inf", "-.Inf")
//   c            a character as an int (with a width: a string of that many)
//   z            the rest of the line as a string
//   m            a matrix in matrix-file layout: rows, columns, elements
//   #m           rows and columns from two int arguments, then the elements
//   C            a date, a time of day or a number, as a double
// d, e-g, s, m and C skip white space first (line feeds included); c and z do not.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "value/value.h"

namespace kj::lib::io {

// Characters one at a time, with one character of push-back.
class ScanInput {
public:
    virtual ~ScanInput() = default;
    virtual int get() = 0;          // -1 at the end
    virtual void unget(int c) = 0;  // c is the character get() returned last
};

class StringInput final : public ScanInput {
public:
    explicit StringInput(std::string_view text) : m_text(text) {}
    int get() override { return m_pos < m_text.size() ? static_cast<unsigned char>(m_text[m_pos++]) : -1; }
    void unget(int c) override {
        if (c >= 0 && m_pos > 0) --m_pos;
    }
    std::string_view rest() const { return m_text.substr(m_pos); }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

class StreamInput final : public ScanInput {
public:
    explicit StreamInput(std::FILE* f) : m_file(f) {}
    int get() override { return std::getc(m_file); }
    void unget(int c) override {
        if (c >= 0) std::ungetc(c, m_file);
    }

private:
    std::FILE* m_file;
};

// Called for a string argument that holds no conversion (scan prints it as a
// prompt); null: such strings are matched against the input like any format.
using PromptFn = void (*)(std::string_view text);

// Applies the formats among args[0 .. count) to the input; each storing
// conversion takes the next argument, which must be a reference (else the
// argument error for position arg_base + its index). Returns the number of
// values stored, or -1 when the input ended before anything was stored.
int scan_formats(ScanInput& in, value::Value* args, int count, int arg_base, PromptFn prompt = nullptr);

}  // namespace kj::lib::io
