// Test support for the file built-ins: a fresh folder per test, whole-file
// reads and writes, references, and calls of the built-ins by name.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "lib/io/file_value.h"
#include "lib/library_call.h"
#include "lib/select_fixture.h"
#include "value/value.h"

namespace kj::test {

class FileTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        char templ[] = "/tmp/kj_files_XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        m_dir = templ;
    }
    void TearDown() override {
        // Files a test left open are closed as the runtime's shutdown does.
        lib::io::close_all_files();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
        LibraryTest::TearDown();
    }
    std::string path(const std::string& name) const { return m_dir + "/" + name; }

    static void write_file(const std::string& p, const std::string& bytes) {
        std::ofstream out(p, std::ios::binary);
        out << bytes;
    }
    static std::string read_file(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static std::string text_of(const value::Value& v) {
        return v.u.str.s ? std::string(v.u.str.s, static_cast<std::size_t>(v.u.str.len)) : std::string();
    }
    static value::Value str(const std::string& s) {
        value::Value v = value::make_int(0);
        value::set_string(v, s);
        return v;
    }
    // The file value of fopen(name, mode); an int 0 on failure.
    void open(Result& f, const std::string& name, const std::string& mode) {
        Args a{str(name), str(mode)};
        call("fopen", a, f);
    }
    int close(Result& f) {
        Result r;
        Args a{f.v};
        a.v[0].type &= ~value::k_owns;
        call("fclose", a, r);
        return r.v.u.ival;
    }

    // fwrite(f, x) with x moved into the call.
    int write(Result& f, value::Value x) {
        Result r;
        Args a{f.v, x};
        call("fwrite", a, r);
        return r.v.u.ival;
    }
    // fread(f, &x, code[, r[, c]]) into x; the item count.
    int read(Result& f, value::Value& x, const std::string& code, int r = -1, int c = -1) {
        Result n;
        Args a{f.v, reference(&x), str(code)};
        if (r >= 0) a.v.push_back(value::make_int(r));
        if (c >= 0) a.v.push_back(value::make_int(c));
        call("fread", a, n);
        return n.v.u.ival;
    }
    // A built-in of the file alone (rows, columns, feof, ...) as an int.
    int simple(const char* fn, Result& f) {
        Result r;
        Args a{f.v};
        call(fn, a, r);
        return r.v.u.ival;
    }

private:
    std::string m_dir;
};

}  // namespace kj::test
