// Shared set-up of the linker tests: captured messages, fresh compiler
// tables, no source compiler or native loader, and a temporary directory
// removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/settings.h"
#include "runtime/include_path.h"
#include "support/assembler.h"
#include "link/class_members.h"
#include "link/class_records.h"
#include "link/compiler_tables.h"
#include "link/entry.h"
#include "link/imports.h"
#include "link/link_errors.h"
#include "link/object_writer.h"
#include "link/resolver.h"
#include "link/symbols.h"
#include "support/capture.h"

namespace kj::link {

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_scope = std::make_unique<test::CaptureScope>();
        runtime::settings() = runtime::Settings{};
        reset_compiler_tables();
        set_source_compiler(nullptr);
        set_native_loader(nullptr);
        set_import_unit_directory("");
        runtime::clear_include_path();
        char pattern[] = "/tmp/kj_link_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_dir += '/';
    }
    void TearDown() override {
        free_compiler_tables();
        set_import_unit_directory("");
        std::filesystem::remove_all(m_dir);
        m_scope.reset();
    }

    static void reset_tables() { reset_compiler_tables(); }

    static std::vector<std::string>& messages() { return test::captured().messages; }
    const std::string& dir() const { return m_dir; }
    std::string path(const std::string& name) const { return m_dir + name; }

    // Assembles a unit into fresh tables (after registering `imports`),
    // writes it to `name` in the temporary directory, and resets the tables.
    void write_unit(const std::string& name, const std::string& source,
                    const std::vector<std::string>& imports = {}) {
        reset_tables();
        for (const std::string& i : imports) register_import(i, false, false);
        const AssemblyResult r = assemble(source);
        ASSERT_TRUE(r.ok) << r.error;
        write_tables(name);
        reset_tables();
    }

    // Writes the current tables to `name` in the temporary directory.
    void write_tables(const std::string& name) {
        std::filesystem::create_directories(std::filesystem::path(path(name)).parent_path());
        std::FILE* f = std::fopen(path(name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        EXPECT_TRUE(write_object(f));
        std::fclose(f);
    }

    void write_text(const std::string& name, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(path(name)).parent_path());
        std::ofstream(path(name)) << text;
    }

    std::vector<uint8_t> read_bytes(const std::string& name) {
        std::ifstream in(path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    bool has_message(const std::string& text) const {
        for (const std::string& m : messages())
            if (m == text) return true;
        return false;
    }

private:
    std::unique_ptr<test::CaptureScope> m_scope;
    std::string m_dir;
};

using Members = std::vector<std::pair<std::string, value::Value>>;

// A class record with these data members and member functions.
inline value::Value make_class(const Members& data, const Members& functions, int base = -1) {
    ClassBuilder builder(base);
    for (const auto& [name, v] : data) builder.add_data_member(name, v.type, v);
    for (const auto& [name, fn] : functions) builder.add_member_function(name, fn);
    return builder.finish(-1);
}

inline value::Value const_member(value::Value v) {
    v.type |= value::k_const | value::k_static;
    return v;
}

// A compiled-function value with n parameters (declared only unless an entry is given).
inline value::Value function_value(const char* name, int n, bool varargs = false, int entry = -1) {
    std::string descriptor(static_cast<std::size_t>(n), ' ');
    descriptor += '$';
    descriptor += name;
    value::Value f = make_function(entry < 0 ? 0 : entry, new_function_info(descriptor, 0, false), varargs);
    if (entry < 0) f.type |= value::k_extern;
    return f;
}

}  // namespace kj::link
