// Compiles small in-memory sources and gives the p-code of one function as a
// listing, with captured compiler messages.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <kj80x.h>

#include "runtime/fatal_error.h"
#include "runtime/host.h"
#include "runtime/settings.h"
#include "compiler/compiler.h"
#include "compiler/diagnostics.h"
#include "compiler/emitter.h"
#include "compiler/preprocessor.h"
#include "compiler/scanner.h"
#include "link/code_image.h"
#include "link/compiler_tables.h"
#include "link/symbols.h"

namespace kj::compiler::test {

// A fatal compile error (full table, too many errors) ends compiling with this.
using StopCompiling = runtime::FatalError;

class CodegenTest : public ::testing::Test {
protected:
    static inline std::vector<std::string> messages;

    void SetUp() override {
        saved_message_fn_ = runtime::state().message_fn;
        SetKjMessage([](const char* t) { messages.emplace_back(t); });
        messages.clear();
        runtime::settings() = runtime::Settings{};
        link::reset_compiler_tables();
        reset_compiler_state();
        create_preprocessor();
    }

    void TearDown() override {
        destroy_preprocessor();
        link::free_compiler_tables();
        runtime::state().message_fn = saved_message_fn_;
    }

    // Compiles the source (as "t.g" in the GAUSS dialect); returns the error count.
    int compile(const std::string& source, bool gauss = false) {
        open_source_text(gauss ? "t.g" : "t.kj", source);
        if (gauss) set_dialect(Dialect::Gauss);
        int errors = 0;
        try {
            errors = compile_unit();
        } catch (const StopCompiling&) {
            errors = -1;
        }
        close_scan();
        return errors;
    }

    // The body of function `name` (after its ELF and INT, up to its end) as a listing.
    std::string body(const std::string& name) {
        const int k = link::find_symbol(name);
        if (k < 0) return "no function " + name;
        const int entry = static_cast<int>(link::symbol_at(k).val.u.fn.entry);
        int end = entry + 1;
        while (end < link::code_size() && link::code_at(end).op != static_cast<int32_t>(link::Op::Elf)) ++end;
        // Jump targets relative to the first listed instruction.
        const int base = entry + 2;
        std::string out;
        for (int i = base; i < end; ++i) {
            link::Instr in = link::code_at(i);
            const bool jump = in.op == static_cast<int32_t>(link::Op::Jmp) ||
                              in.op == static_cast<int32_t>(link::Op::Jmf) ||
                              in.op == static_cast<int32_t>(link::Op::Jmt);
            out += std::string(link::mnemonic(in.op)) + " " + std::to_string(jump ? in.operand - base : in.operand) + "\n";
        }
        return out;
    }

    // Compiles "f(a, b, c) { <statements> }" and lists its body.
    std::string code_of(const std::string& statements, const std::string& prelude = "") {
        EXPECT_EQ(compile(prelude + "f(a, b, c)\n{\n" + statements + "\n}\n"), 0) << joined();
        return body("f");
    }

    static std::string joined() {
        std::string all;
        for (const auto& m : messages) all += m + "\n";
        return all;
    }

private:
    KjMessageFn saved_message_fn_ = nullptr;
};

}  // namespace kj::compiler::test
