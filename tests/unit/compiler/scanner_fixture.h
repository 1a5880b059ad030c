// Shared set-up for the scanner and preprocessor tests: a fresh scanner state,
// messages captured from KjMessage, temporary source files, token lists.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <kj80x.h>

#include "runtime/host.h"
#include "runtime/settings.h"
#include "runtime/include_path.h"
#include "compiler/preprocessor.h"
#include "compiler/scanner.h"
#include "compiler/tokens.h"

namespace kj::compiler::test {

struct Tok {
    int code;
    std::string text;
    int line;
    bool operator==(const Tok&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Tok& t) {
    return os << "{" << t.code << ", \"" << t.text << "\", line " << t.line << "}";
}

class ScannerTest : public ::testing::Test {
protected:
    static inline std::vector<std::string> messages;
    static void capture(const char* text) { messages.emplace_back(text); }

    void SetUp() override {
        saved_message_fn_ = runtime::state().message_fn;
        saved_verbose_ = runtime::settings().verbose;
        saved_path_ = runtime::include_path();
        SetKjMessage(capture);
        messages.clear();
        runtime::settings().verbose = 0;
        runtime::clear_include_path();
        create_preprocessor();
        dir_ = std::filesystem::temp_directory_path() /
               ("kj_scan_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }

    void TearDown() override {
        destroy_preprocessor();
        runtime::clear_include_path();
        if (!saved_path_.empty()) runtime::add_to_include_path(saved_path_.c_str());
        runtime::settings().verbose = saved_verbose_;
        runtime::state().message_fn = saved_message_fn_;
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // Writes a file below the test's temporary folder; returns its path.
    std::string write(const std::string& rel, std::string_view content) {
        std::filesystem::path p = dir_ / rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    std::string dir() const { return dir_.string() + "/"; }

    // Every token of the open source up to (not including) <eof>.
    static std::vector<Tok> drain() {
        std::vector<Tok> out;
        for (int guard = 0; guard < 100000; ++guard) {
            int t = next_token();
            if (t == T_Eof) break;
            out.push_back({t, std::string(token_text(), static_cast<std::size_t>(token_length())),
                           current_line()});
        }
        return out;
    }
    static std::vector<Tok> scan(std::string_view src, Dialect d = Dialect::Kj) {
        open_source_text("t.kj", src);
        set_dialect(d);
        std::vector<Tok> out = drain();
        close_scan();
        return out;
    }
    static std::vector<int> codes(std::string_view src, Dialect d = Dialect::Kj) {
        std::vector<int> out;
        for (const Tok& t : scan(src, d)) out.push_back(t.code);
        return out;
    }
    static std::string joined_messages() {
        std::string all;
        for (const auto& m : messages) all += m + "\n";
        return all;
    }

private:
    KjMessageFn saved_message_fn_ = nullptr;
    int saved_verbose_ = 0;
    std::string saved_path_;
    std::filesystem::path dir_;
};

}  // namespace kj::compiler::test
