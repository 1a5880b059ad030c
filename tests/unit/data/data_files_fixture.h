// Test support for the data-set files: a fresh temporary folder per test and
// the data-set layer's messages collected as "Caption: text" lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/message_function.h"

namespace kj::test {

class DataFilesTest : public testing::Test {
protected:
    std::string dir;

    void SetUp() override {
        char tmpl[] = "/tmp/kj_data_XXXXXX";
        dir = ::mkdtemp(tmpl);
        messages().clear();
        data::set_message_function(
            [](const char* caption, const char* text) { messages() += std::string(caption) + ": " + text + "\n"; });
    }
    void TearDown() override {
        data::set_message_function(nullptr);
        std::filesystem::remove_all(dir);
    }
    static std::string& messages() {
        static std::string text;
        return text;
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    void write(const std::string& name, const std::string& bytes) const {
        std::FILE* f = std::fopen(path(name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::string read(const std::string& name) const {
        std::string bytes;
        if (std::FILE* f = std::fopen(path(name).c_str(), "rb")) {
            char buf[4096];
            std::size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
            std::fclose(f);
        }
        return bytes;
    }
};

}  // namespace kj::test
