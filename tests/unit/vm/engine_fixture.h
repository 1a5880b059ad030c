// Test fixture: fresh compiler tables, captured messages and exit codes, and
// helpers that assemble a program and run its main through FKjRun.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <kj80x.h>

#include "api/upward_hooks.h"
#include "runtime/host.h"
#include "runtime/settings.h"
#include "support/capture.h"
#include "support/assembler.h"
#include "link/code_image.h"
#include "link/compiler_tables.h"
#include "link/symbols.h"
#include "vm/engine.h"

namespace kj::test {

// Adds a native function symbol with nparam const parameters.
inline int add_native(const char* name, int nparam, KjNativeFunction fn, bool varargs = false) {
    value::Value f{};
    f.type = value::T_Native | (varargs ? value::k_varargs : 0u);
    f.u.nat.nparam = nparam;
    f.u.nat.fn = fn;
    f.u.nat.info = link::new_function_info(std::string(static_cast<std::size_t>(nparam), 'c') + "$" + name, 0, false);
    return link::add_symbol(name, f);
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtime::install_default_callbacks();
        api::install_upward_hooks();  // TearDown removes the error reporter
        SetKjRunMessage([](const char* t) { captured().run_messages.emplace_back(t); });
        SetKjMessage([](const char* t) { captured().messages.emplace_back(t); });
        SetKjExit([](int code) { captured().exit_codes.push_back(code); });
        captured() = Captured{};
        runtime::state().exit_call_count = 0;
        runtime::state().user_exit_code = 0;
        runtime::settings() = runtime::Settings{};
        link::reset_compiler_tables();
    }

    void TearDown() override {
        KjRunExit();
        link::free_compiler_tables();
        runtime::error_reporter() = runtime::ErrorReporter{};
        runtime::install_default_callbacks();
    }

    // Assembles src; the test fails when it does not assemble.
    void assemble(const std::string& src) {
        const link::AssemblyResult r = link::assemble(src);
        ASSERT_TRUE(r.ok) << r.error;
    }

    // Assembles src, initialises the run and runs main (or `name`). Returns FKjRun's result.
    int run(const std::string& src, const char* name = nullptr) {
        assemble(src);
        const int start = IKjRunInit();
        EXPECT_GT(start, 0);
        return FKjRun(start, name);
    }

    // Runs main and returns the value of global "r" afterwards.
    value::Value run_for_r(const std::string& src) {
        EXPECT_EQ(run("global r\n" + src), 1) << joined();
        return global("r");
    }

    static value::Value global(const char* name) {
        const int k = link::find_symbol(name);
        EXPECT_GE(k, 0) << name;
        return k >= 0 ? link::symbol_at(k).val : value::make_none();
    }

    static const std::vector<std::string>& run_messages() { return captured().run_messages; }
    static const std::vector<std::string>& messages() { return captured().messages; }
    static const std::vector<int>& exit_codes() { return captured().exit_codes; }

    static std::string joined() {
        std::string all;
        for (const auto& m : captured().run_messages) all += m + "\n";
        for (const auto& m : captured().messages) all += m + "\n";
        return all;
    }
};

}  // namespace kj::test
