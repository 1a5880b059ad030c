// Data files with a header the runtime keeps: ".dat" files with variable
// names and "F" matrix data files, written with fwrite, read with fread and
// loadmat, their byte layout, and damaged headers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "io/file_fixture.h"

namespace kv = kj::value;
using kj::test::Args;
using kj::test::Result;

namespace {

// Little-endian bytes written out by hand.
std::string le32(std::uint32_t v) {
    std::string s;
    for (int k = 0; k < 4; ++k) s += static_cast<char>((v >> (8 * k)) & 0xFF);
    return s;
}
std::string le64(std::uint64_t v) { return le32(static_cast<std::uint32_t>(v)) + le32(static_cast<std::uint32_t>(v >> 32)); }
std::string zeros(std::size_t n) { return std::string(n, '\0'); }
std::string padded(const std::string& name) { return name + zeros(32 - name.size()); }
const std::string k_signature = std::string("KjDATA") + '\x1A' + '\x01';

class DataFiles : public kj::test::FileTest {
protected:
    static kv::Value names(std::initializer_list<const char*> list) {
        kv::Value v = kv::make_int(0);
        kv::set_array(v, static_cast<int>(list.size()));
        int k = 0;
        for (const char* s : list) kv::set_string(v.u.arr.v[k++], s);
        return v;
    }
    static std::vector<std::string> strings_of(const kv::Value& v) {
        std::vector<std::string> out;
        if (kv::type_of(v) != kv::T_Array) return out;
        for (int k = 0; k < v.u.arr.n; ++k) out.push_back(text_of(v.u.arr.v[k]));
        return out;
    }
    // loadmat(name, &names): the matrix into m, the names returned.
    std::vector<std::string> load(const std::string& name, Result& m) {
        kv::Value n = kv::make_int(0);
        Args a{str(name), kj::test::reference(&n)};
        call("loadmat", a, m);
        std::vector<std::string> out = strings_of(n);
        kv::release(n);
        return out;
    }
};

TEST_F(DataFiles, NamedDataFileByteLayoutAndReadingBack) {
    Result f;
    open(f, path("a.dat"), "wf");
    ASSERT_EQ(kv::type_of(f.v), kv::T_File);
    // The names come first, once.
    Args early{f.v, kj::test::matrix(1, 2, {1, 2})};
    std::string msg;
    EXPECT_NE(call_error("fwrite", early, &msg), -1);
    EXPECT_EQ(msg, "Must first write variable names as array of strings\n");
    EXPECT_EQ(write(f, names({"a", "bc"})), 2);
    Args again{f.v, names({"x", "y"})};
    EXPECT_NE(call_error("fwrite", again, &msg), -1);
    EXPECT_EQ(msg, "Variable names already written\n");
    EXPECT_EQ(write(f, kj::test::matrix(1, 2, {1, -2})), 2);
    EXPECT_EQ(write(f, kj::test::matrix(1, 2, {0.5, 4})), 2);
    EXPECT_EQ(simple("rows", f), 2);
    EXPECT_EQ(simple("columns", f), 2);
    close(f);

    // 128-byte header, 2 x 32 bytes of names, 2 type bytes, 6 bytes of padding,
    // then the elements.
    const std::string expected = k_signature + le32(2) + le32(2) + le32(2) + le32(200) + le64(32) + zeros(96) +
                                 padded("a") + padded("bc") + zeros(8) + le64(0x3FF0000000000000) +
                                 le64(0xC000000000000000) + le64(0x3FE0000000000000) + le64(0x4010000000000000);
    EXPECT_EQ(read_file(path("a.dat")), expected);

    // Opened for reading: the names with "s" (the position stays put), then the whole matrix.
    Result g;
    open(g, path("a.dat"), "rf");
    ASSERT_EQ(kv::type_of(g.v), kv::T_File);
    kv::Value n = kv::make_int(0), x = kv::make_int(0);
    EXPECT_EQ(read(g, n, "s"), 2);
    EXPECT_EQ(strings_of(n), (std::vector<std::string>{"a", "bc"}));
    EXPECT_EQ(read(g, x, "f"), 4);
    ASSERT_TRUE(kv::type_of(x) == kv::T_Matrix && x.u.mat.r == 2 && x.u.mat.c == 2);
    EXPECT_EQ(x.u.mat.m[0][1], -2);
    EXPECT_EQ(x.u.mat.m[1][0], 0.5);
    kv::release(n);
    kv::release(x);
    close(g);

    // Appending keeps the names and adds rows; a second set of names is refused.
    Result app;
    open(app, path("a.dat"), "af");
    Args more{app.v, names({"z"})};
    EXPECT_NE(call_error("fwrite", more, &msg), -1);
    EXPECT_EQ(msg, "Variable names already written\n");
    EXPECT_EQ(write(app, kj::test::matrix(1, 2, {NAN, 7})), 2);
    close(app);
    Result m;
    EXPECT_EQ(load(path("a.dat"), m), (std::vector<std::string>{"a", "bc"}));
    ASSERT_TRUE(m.is_matrix(3, 2));
    EXPECT_TRUE(std::isnan(m.at(4)));
    EXPECT_EQ(m.at(5), 7);
}

TEST_F(DataFiles, MatrixDataFilesWithTheLongHeader) {
    Result f;
    open(f, path("m.bin"), "wF");
    EXPECT_EQ(write(f, kj::test::matrix(1, 3, {1, 2, 3})), 3);
    EXPECT_EQ(write(f, kj::test::matrix(1, 3, {-0.0, INFINITY, 8})), 3);
    // Names belong to ".dat" files only.
    Args no{f.v, names({"a"})};
    EXPECT_NE(call_error("fwrite", no), -1);
    close(f);
    const std::string bytes = read_file(path("m.bin"));
    ASSERT_EQ(bytes.size(), 136u + 48);
    EXPECT_EQ(bytes.substr(0, 136), k_signature + le32(1) + le32(2) + le32(3) + le32(136) + le64(48) + zeros(104));
    EXPECT_EQ(bytes.substr(136 + 24, 8), le64(0x8000000000000000));

    // "f" reads either header kind; appending with "a" and "f" keeps the kind.
    Result a;
    open(a, path("m.bin"), "af");
    EXPECT_EQ(write(a, kj::test::matrix(1, 3, {4, 5, 6})), 3);
    close(a);
    EXPECT_EQ(read_file(path("m.bin")).substr(8, 4), le32(1));
    Result g;
    open(g, path("m.bin"), "rf");
    kv::Value x = kv::make_int(0);
    EXPECT_EQ(read(g, x, "f"), 9);
    ASSERT_TRUE(kv::type_of(x) == kv::T_Matrix && x.u.mat.r == 3 && x.u.mat.c == 3);
    EXPECT_TRUE(std::signbit(x.u.mat.m[1][0]));
    EXPECT_EQ(x.u.mat.m[1][1], INFINITY);
    EXPECT_EQ(x.u.mat.m[2][2], 6);
    kv::release(x);
    close(g);

    // In a ".dat" file the names fix the columns, even when there are none.
    Result e;
    open(e, path("e.dat"), "wf");
    EXPECT_EQ(write(e, names({})), 0);
    Args wide{e.v, kj::test::matrix(1, 2, {1, 2})};
    std::string wrong;
    EXPECT_NE(call_error("fwrite", wide, &wrong), -1);
    EXPECT_EQ(wrong, "Columns don't match: file: 0, matrix: 2\n");
    close(e);

    // A ".fmt" name whose first byte is not a binary matrix header is read as
    // a data file; anything else that is no data file is refused.
    write_file(path("m.fmt"), bytes);
    Result m;
    EXPECT_TRUE(load(path("m.fmt"), m).empty());
    EXPECT_TRUE(m.is_matrix(2, 3));
    write_file(path("junk.fmt"), "KjDATB" + zeros(200));
    Args junk{str(path("junk.fmt"))};
    std::string msg;
    EXPECT_NE(call_error("loadmat", junk, &msg), -1);
    EXPECT_EQ(msg, "Invalid .fmt or .dat file");
}

TEST_F(DataFiles, SaveAndLoadThroughTheDataSetKinds) {
    // savemat names the columns from its array or as Var<n>; NaN survives.
    Result ok;
    Args s{str(path("s.dat")), kj::test::matrix(2, 3, {1, NAN, 3, 4, 5, -6}), names({"first", "second"})};
    call("savemat", s, ok);
    EXPECT_EQ(ok.v.u.ival, 1);
    Result m;
    EXPECT_EQ(load(path("s.dat"), m), (std::vector<std::string>{"first", "second", "Var3"}));
    ASSERT_TRUE(m.is_matrix(2, 3));
    EXPECT_TRUE(std::isnan(m.at(1)));
    EXPECT_EQ(m.at(5), -6);

    // A name longer than 32 bytes is cut without splitting a character.
    const std::string longer = std::string(31, 'x') + "\xC3\xA9";  // 33 bytes, the last character 2 bytes
    kv::Value one = kv::make_int(0);
    kv::set_array(one, 1);
    kv::set_string(one.u.arr.v[0], longer.c_str());
    Result ok2;
    Args l{str(path("long.dat")), kj::test::matrix(1, 1, {2}), one};
    call("savemat", l, ok2);
    Result m2;
    EXPECT_EQ(load(path("long.dat"), m2), (std::vector<std::string>{std::string(31, 'x')}));

    // The old ".dht" name is read in the same layout but never written.
    write_file(path("old.dht"), read_file(path("s.dat")));
    Result m3;
    EXPECT_EQ(load(path("old.dht"), m3).size(), 3u);
    EXPECT_TRUE(m3.is_matrix(2, 3));
    clear();
    Result no;
    Args d{str(path("new.dht")), kj::test::matrix(1, 1, {1})};
    call("savemat", d, no);
    EXPECT_EQ(no.v.u.ival, 0);
    EXPECT_EQ(first_run_message(), "Error: Old .dht data files are only read; save as .dat: " + path("new.dht"));
}

TEST_F(DataFiles, DamagedHeadersAreRefused) {
    const std::string good = k_signature + le32(2) + le32(1) + le32(1) + le32(168) + le64(8) + zeros(96) +
                             padded("v") + zeros(8) + le64(0x3FF0000000000000);
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"counts past the offset field", k_signature + le32(2) + le32(0x7FFFFFFF) + le32(0x7FFFFFFF) +
                                             le32(0) + le64(0) + zeros(160),
         "Error: Invalid .dat file header: "},
        {"huge row count", k_signature + le32(1) + le32(0x7FFFFFFF) + le32(1) + le32(136) +
                               le64(0x7FFFFFFFULL * 8) + zeros(104),
         "Error: The .dat file is shorter than its header says: "},
        // 2^31-1 x (2^30+1) elements: the byte count wraps past 64 bits to 2^33-8.
        {"wrapping element count", k_signature + le32(1) + le32(0x7FFFFFFF) + le32(0x40000001) + le32(136) +
                                       le64((1ULL << 33) - 8) + zeros(104),
         "Error: Invalid .dat file header: "},
        {"element block cut", good.substr(0, good.size() - 1), "Error: The .dat file is shorter than its header says: "},
        {"unknown kind", k_signature + le32(3) + good.substr(12), "Error: Invalid .dat file header: "},
        {"offset disagrees", good.substr(0, 20) + le32(128) + good.substr(24), "Error: Invalid .dat file header: "},
        {"negative rows", k_signature + le32(2) + le32(0xFFFFFFFF) + good.substr(16), "Error: Invalid .dat file header: "},
        {"header cut", good.substr(0, 40), "Error: The .dat file is shorter than its header says: "},
        {"no signature", "rows,cols\n1,2\n", "Error: Invalid .fmt or .dat file: "},
    };
    write_file(path("good.dat"), good);
    Result m;
    EXPECT_EQ(load(path("good.dat"), m), (std::vector<std::string>{"v"}));
    EXPECT_TRUE(m.is_matrix(1, 1));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(path("bad.dat"), c.bytes);
        clear();
        Result r;
        Args a{str(path("bad.dat"))};
        call("loadmat", a, r);
        EXPECT_EQ(kv::type_of(r.v), kv::T_Int);
        EXPECT_EQ(first_run_message(), c.message + path("bad.dat"));
        // fopen gives no file for it either.
        Result f;
        open(f, path("bad.dat"), "rf");
        EXPECT_EQ(kv::type_of(f.v), kv::T_Int);
    }
    // The obsolete binary format has its own message.
    write_file(path("old.dat"), "\xDA" + zeros(40));
    clear();
    Result r;
    Args a{str(path("old.dat"))};
    call("loadmat", a, r);
    EXPECT_EQ(first_run_message(), "Error: Please convert old .dht/.dat to new .dat file");
}

}  // namespace
