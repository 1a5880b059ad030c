// Files opened by programs: open modes, binary reading and writing in both
// byte orders, data files with their header, positions, appending, the log
// stream, zip members, and the folder functions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <minizip/zip.h>
#include <unistd.h>

#include "io/file_fixture.h"
#include "lib/io/matrix_files.h"
#include "support/run_kj.h"

namespace kv = kj::value;
using kj::test::Args;
using kj::test::Result;

namespace {

class FileFunctions : public kj::test::FileTest {
protected:
    int seek(Result& f, const std::string& code, int n) {
        Result r;
        Args a{f.v, str(code), kv::make_int(n)};
        call("fseek", a, r);
        return r.v.u.ival;
    }
    int position(Result& f) {
        Result r;
        Args a{f.v};
        call("fseek", a, r);
        return r.v.u.ival;
    }
    static std::string hex(const std::string& bytes) {
        std::string out;
        char buf[4];
        for (unsigned char b : bytes) {
            std::snprintf(buf, sizeof buf, "%02x", b);
            out += buf;
        }
        return out;
    }
};

TEST_F(FileFunctions, BinaryItemsInBothByteOrders) {
    // Expected bytes: 1 as int32, 2.5 as double, -2 as int32, 1.5 as float.
    struct Order {
        const char* mode;
        const char* bytes;
    };
    for (const Order& o : {Order{"wb", "01000000" "0000000000000440" "0000c03f" "414243"},
                           Order{"wbE", "00000001" "4004000000000000" "3fc00000" "414243"}}) {
        SCOPED_TRACE(o.mode);
        Result f;
        open(f, path("b.bin"), o.mode);
        ASSERT_EQ(kv::type_of(f.v), kv::T_File);
        EXPECT_EQ(write(f, kv::make_int(1)), 1);
        EXPECT_EQ(write(f, kv::make_double(2.5)), 1);
        close(f);
        // A float written by hand in the same order, then text.
        std::string bytes = read_file(path("b.bin"));
        const bool big = std::strchr(o.mode, 'E') != nullptr;
        bytes += big ? std::string("\x3f\xc0\x00\x00", 4) : std::string("\x00\x00\xc0\x3f", 4);
        bytes += "ABC";
        write_file(path("b.bin"), bytes);
        EXPECT_EQ(hex(bytes), o.bytes);

        Result g;
        open(g, path("b.bin"), big ? "rbE" : "rb");
        kv::Value x = kv::make_int(0);
        EXPECT_EQ(read(g, x, "i"), 1);
        EXPECT_EQ(kv::type_of(x), kv::T_Int);
        EXPECT_EQ(x.u.ival, 1);
        EXPECT_EQ(read(g, x, "%e"), 1);
        ASSERT_EQ(kv::type_of(x), kv::T_Matrix);
        EXPECT_EQ(x.u.mat.m[0][0], 2.5);
        EXPECT_EQ(read(g, x, "4"), 1);
        EXPECT_EQ(x.u.mat.m[0][0], 1.5);
        EXPECT_EQ(read(g, x, "c"), 1);
        EXPECT_EQ(x.u.ival, 'A');
        EXPECT_EQ(read(g, x, "c", 5), 2);
        EXPECT_EQ(text_of(x), "BC");
        EXPECT_EQ(read(g, x, "c"), -1);
        EXPECT_EQ(simple("feof", g), 1);
        kv::release(x);
        close(g);
    }
}

TEST_F(FileFunctions, MatricesIntsAndPositions) {
    Result f;
    open(f, path("m.bin"), "wbE");
    EXPECT_EQ(write(f, kj::test::matrix(2, 3, {1, 2, 3, 4, 5, 6})), 6);
    EXPECT_EQ(write(f, str("xy")), 2);
    EXPECT_EQ(position(f), 50);
    close(f);
    EXPECT_EQ(hex(read_file(path("m.bin")).substr(40, 10)), "4018000000000000" "7879");

    Result g;
    open(g, path("m.bin"), "rbE");
    kv::Value x = kv::make_int(0);
    EXPECT_EQ(read(g, x, "f", 2, 3), 6);
    ASSERT_TRUE(kv::type_of(x) == kv::T_Matrix && x.u.mat.r == 2 && x.u.mat.c == 3);
    EXPECT_EQ(x.u.mat.m[1][2], 6);
    // Item n of code "d" is byte 4n; "e" is byte 8n.
    EXPECT_EQ(seek(g, "d", 3), 0);
    EXPECT_EQ(position(g), 12);
    EXPECT_EQ(seek(g, "e", 2), 0);
    EXPECT_EQ(position(g), 16);
    // A short read keeps only complete rows: 4 elements and 2 bytes remain.
    EXPECT_EQ(read(g, x, "e", 10, 3), 4);
    ASSERT_EQ(kv::type_of(x), kv::T_Matrix);
    EXPECT_EQ(x.u.mat.r, 1);
    EXPECT_EQ(x.u.mat.m[0][0], 3);
    EXPECT_EQ(seek(g, "c", -1), 0);
    EXPECT_EQ(position(g), 50);
    EXPECT_EQ(read(g, x, "e"), -1);
    kv::release(x);
    close(g);

    // A file name instead of a file: opened for this one call.
    Result n;
    Args w{str(path("named.bin")), kj::test::matrix(2, 2, {1, 2, 3, 4})};
    call("fwrite", w, n);
    EXPECT_EQ(n.v.u.ival, 4);
    kv::Value z = kv::make_int(0);
    Args rd{str(path("named.bin")), kj::test::reference(&z), str("e"), kv::make_int(2), kv::make_int(2)};
    call("fread", rd, n);
    EXPECT_EQ(n.v.u.ival, 4);
    ASSERT_EQ(kv::type_of(z), kv::T_Matrix);
    EXPECT_EQ(z.u.mat.m[1][0], 3);
    kv::release(z);

    // Ints as a matrix, and the whole text with CR LF as LF.
    write_file(path("i.bin"), std::string("\x01\x00\x00\x00\xfe\xff\xff\xff", 8) + "a\r\nb\r");
    Result h;
    open(h, path("i.bin"), "rb");
    kv::Value y = kv::make_int(0);
    EXPECT_EQ(read(h, y, "d", 1, 2), 2);
    ASSERT_EQ(kv::type_of(y), kv::T_Matrix);
    EXPECT_EQ(y.u.mat.m[0][1], -2);
    EXPECT_EQ(read(h, y, "s"), 5);
    EXPECT_EQ(text_of(y), "a\nb\r");
    kv::release(y);
    close(h);
}

TEST_F(FileFunctions, DataFilesKeepTheirHeader) {
    Result f;
    open(f, path("d.fmt"), "wf");
    ASSERT_EQ(kv::type_of(f.v), kv::T_File);
    EXPECT_EQ(write(f, kj::test::matrix(3, 2, {1, 2, 3, 4, 5, 6})), 6);
    EXPECT_EQ(write(f, kj::test::matrix(3, 2, {7, 8, 9, 10, 11, 12})), 6);
    Args wrong{f.v, kj::test::matrix(1, 3)};
    std::string msg;
    EXPECT_NE(call_error("fwrite", wrong, &msg), -1);
    EXPECT_EQ(msg, "Columns don't match: file: 2, matrix: 3\n");
    // A data file's value reports the rows and columns written; a closed one none.
    EXPECT_EQ(simple("rows", f), 6);
    EXPECT_EQ(simple("columns", f), 2);
    close(f);
    EXPECT_EQ(simple("rows", f), 0);
    const std::string bytes = read_file(path("d.fmt"));
    ASSERT_EQ(bytes.size(), 16u + 12 * 8);
    EXPECT_EQ(hex(bytes.substr(0, 16)), "ddee8600" "06000000" "02000000" "60000000");

    // Appending to a data file that is not there starts one.
    Result fresh;
    open(fresh, path("new.fmt"), "af");
    EXPECT_EQ(write(fresh, kj::test::matrix(1, 3, {1, 2, 3})), 3);
    close(fresh);
    EXPECT_EQ(hex(read_file(path("new.fmt")).substr(4, 8)), "01000000" "03000000");

    // Appending continues after the last row and updates the count.
    Result a;
    open(a, path("d.fmt"), "af");
    EXPECT_EQ(write(a, kj::test::matrix(1, 2, {13, 14})), 2);
    close(a);

    Result g;
    open(g, path("d.fmt"), "rf");
    kv::Value x = kv::make_int(0);
    EXPECT_EQ(read(g, x, "f"), 14);
    ASSERT_TRUE(kv::type_of(x) == kv::T_Matrix && x.u.mat.r == 7 && x.u.mat.c == 2);
    EXPECT_EQ(x.u.mat.m[3][0], 7);
    EXPECT_EQ(x.u.mat.m[6][1], 14);
    // Code "e" positions by rows after the header.
    EXPECT_EQ(seek(g, "e", 5), 0);
    EXPECT_EQ(position(g), 16 + 5 * 16);
    kv::release(x);
    close(g);
    // The file also loads as a matrix.
    Result m;
    Args l{str(path("d.fmt"))};
    call("loadmat", l, m);
    EXPECT_TRUE(m.is_matrix(7, 2));
    // A file whose header is not a matrix header does not open as a data file.
    write_file(path("bad.fmt"), "text");
    Result b;
    open(b, path("bad.fmt"), "rf");
    EXPECT_EQ(kv::type_of(b.v), kv::T_Int);
}

TEST_F(FileFunctions, FilesLeftOpenAreFinishedWhenTheProgramEnds) {
    const kj::test::ProgramRun run = kj::test::run_kj(kj::test::program(
        "decl f = fopen(\"" + path("left.fmt") + "\", \"wf\");\n fwrite(f, <1,2;3,4;5,6>);\n"
        " fopen(\"" + path("log.txt") + "\", \"l\");\n println(\"to the log\");"));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(hex(read_file(path("left.fmt")).substr(0, 16)), "ddee8600" "03000000" "02000000" "30000000");
    EXPECT_EQ(read_file(path("log.txt")), "to the log\n");
}

TEST_F(FileFunctions, ModesPrintingAppendingAndTheLog) {
    // The first access character wins: "rw" only reads, so printing writes nothing.
    write_file(path("t.txt"), "old\n");
    Result f;
    open(f, path("t.txt"), "rw");
    Result n;
    Args p{f.v, str("new")};
    call("fprint", p, n);
    EXPECT_EQ(n.v.u.ival, 1);
    close(f);
    EXPECT_EQ(read_file(path("t.txt")), "old\n");

    Result a;
    open(a, path("t.txt"), "a");
    Args q{a.v, str("%5.2f"), kv::make_double(3.14159), str(" end")};
    call("fprintln", q, n);
    EXPECT_EQ(n.v.u.ival, 3);
    close(a);
    EXPECT_EQ(read_file(path("t.txt")), "old\n 3.14 end\n");

    // The log receives a copy of printing into files; "la" appends to it.
    Result log;
    open(log, path("log.txt"), "l");
    EXPECT_EQ(log.v.u.ival, 1);
    Result w;
    open(w, path("w.txt"), "w");
    Args r{w.v, str("to file")};
    call("fprint", r, n);
    close(w);
    Args lc{str("l")};
    call("fclose", lc, n);
    open(log, path("log.txt"), "la");
    Result w2;
    open(w2, path("w.txt"), "a");
    Args r2{w2.v, str("+more")};
    call("fprint", r2, n);
    close(w2);
    call("fclose", lc, n);
    EXPECT_EQ(read_file(path("log.txt")), "to file+more");
    EXPECT_EQ(read_file(path("w.txt")), "to file+more");

    // Failures: silent, a warning with "v", an error with "V".
    Result none;
    open(none, path("missing.txt"), "r");
    EXPECT_EQ(kv::type_of(none.v), kv::T_Int);
    EXPECT_TRUE(run_messages().empty());
    open(none, path("missing.txt"), "rv");
    EXPECT_EQ(first_run_message(), "Warning: fopen: file not found: \"" + path("missing.txt") + "\"");
    Args strict{str(path("no/such/dir.txt")), str("wV")};
    EXPECT_NE(call_error("fopen", strict), -1);

    // A closed file is no file.
    Result c;
    open(c, path("t.txt"), "r");
    EXPECT_EQ(close(c), 0);
    Args again{c.v};
    std::string msg;
    EXPECT_EQ(call_error("fclose", again, &msg), 37);
    EXPECT_EQ(msg, "fclose(): error in argument 1");
    Args del{str(path("t.txt")), str("del")};
    call("fopen", del, n);
    EXPECT_EQ(n.v.u.ival, 1);
    EXPECT_FALSE(std::filesystem::exists(path("t.txt")));
}

TEST_F(FileFunctions, ZipMembersAreReadOnly) {
    // An archive with a text member, a matrix file and an empty member.
    const std::string archive = path("pack.zip");
    zipFile z = zipOpen(archive.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(z, nullptr);
    auto add = [&](const char* name, const std::string& bytes) {
        ASSERT_EQ(zipOpenNewFileInZip(z, name, nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                      Z_DEFAULT_COMPRESSION),
                  ZIP_OK);
        if (!bytes.empty()) {
            ASSERT_EQ(zipWriteInFileInZip(z, bytes.data(), static_cast<unsigned>(bytes.size())), ZIP_OK);
        }
        ASSERT_EQ(zipCloseFileInZip(z), ZIP_OK);
    };
    add("notes.txt", "7 8.5 words\nsecond line\n");
    add("sub/m.mat", "2 1\n3\n.\n");
    add("empty.txt", "");
    unsigned char head[16];
    kj::lib::io::make_fmt_header(head, 2, 1);
    const double column[2] = {0.25, -8};
    add("data.fmt", std::string(reinterpret_cast<const char*>(head), 16) +
                        std::string(reinterpret_cast<const char*>(column), 16));
    ASSERT_EQ(zipClose(z, nullptr), ZIP_OK);

    // A data file inside the archive reads whole by its header.
    Result df;
    open(df, archive + "//data.fmt", "rf");
    ASSERT_EQ(kv::type_of(df.v), kv::T_File);
    kv::Value col = kv::make_int(0);
    EXPECT_EQ(read(df, col, "f"), 2);
    ASSERT_TRUE(kv::type_of(col) == kv::T_Matrix && col.u.mat.r == 2 && col.u.mat.c == 1);
    EXPECT_EQ(col.u.mat.m[1][0], -8);
    kv::release(col);
    close(df);

    Result f;
    open(f, archive + "//notes.txt", "r");
    ASSERT_EQ(kv::type_of(f.v), kv::T_File);
    EXPECT_EQ(simple("fsize", f), 24);
    EXPECT_EQ(seek(f, "c", 2), -1);
    EXPECT_EQ(position(f), -1);
    kv::Value i = kv::make_int(0), d = kv::make_int(0), s = kv::make_int(0);
    Result n;
    Args scan{f.v, str("%d %f %z"), kj::test::reference(&i), kj::test::reference(&d), kj::test::reference(&s)};
    call("fscan", scan, n);
    EXPECT_EQ(n.v.u.ival, 3);
    EXPECT_EQ(i.u.ival, 7);
    EXPECT_EQ(d.u.dval, 8.5);
    EXPECT_EQ(text_of(s), "words");  // the blank in the format took the blank before it
    kv::release(s);
    Result t;
    Args ft{f.v};
    call("ftime", ft, t);
    EXPECT_TRUE(std::isnan(t.v.u.dval));
    close(f);

    Result e;
    open(e, archive + "\\empty.txt", "r");
    ASSERT_EQ(kv::type_of(e.v), kv::T_File);
    EXPECT_EQ(simple("feof", e), 1);
    close(e);

    Result m;
    Args lm{str(archive + "//sub/m.mat")};
    call("loadmat", lm, m);
    ASSERT_TRUE(m.is_matrix(2, 1));
    EXPECT_EQ(m.at(0), 3);
    EXPECT_TRUE(std::isnan(m.at(1)));

    std::string msg;
    Args w{str(archive + "//notes.txt"), str("w")};
    EXPECT_NE(call_error("fopen", w, &msg), -1);
    EXPECT_EQ(msg, "Cannot write to .zip file");
    for (const char* mode : {"r+", "a"}) {
        Result g;
        open(g, archive + "//notes.txt", mode);
        EXPECT_EQ(kv::type_of(g.v), kv::T_Int) << mode;
    }
    Result missing;
    open(missing, archive + "//nothing.txt", "r");
    EXPECT_EQ(kv::type_of(missing.v), kv::T_Int);
}

TEST_F(FileFunctions, FoldersNamesAndTimes) {
    write_file(path("b.csv"), "1");
    write_file(path("a.csv"), "22");
    write_file(path("c.txt"), "");
    std::filesystem::create_directory(path("sub.csv"));
    std::filesystem::create_directory(path("zdir"));
    auto names = [&](const char* fn, const std::string& pattern) {
        Result r;
        Args a{str(pattern)};
        call(fn, a, r);
        std::string all;
        for (int k = 0; k < r.v.u.arr.n; ++k) all += text_of(r.v.u.arr.v[k]) + ";";
        return all;
    };
    EXPECT_EQ(names("getfiles", path("*.csv")), "a.csv;b.csv;");
    EXPECT_EQ(names("getfiles", path("?.*")), "a.csv;b.csv;c.txt;");
    EXPECT_EQ(names("getfolders", path("*")), "sub.csv;zdir;");
    EXPECT_EQ(names("getfiles", path("*.none")), "");

    // Sizes and positions beyond the int range come as doubles (a sparse file).
    std::filesystem::resize_file(path("c.txt"), 3000000000ULL);
    Result big;
    open(big, path("c.txt"), "rb");
    EXPECT_EQ(seek(big, "c", -1), 0);
    Result at;
    Args pos{big.v};
    call("fseek", pos, at);
    ASSERT_EQ(kv::type_of(at.v), kv::T_Double);
    EXPECT_EQ(at.v.u.dval, 3e9);
    call("fsize", pos, at);
    EXPECT_EQ(at.v.u.dval, 3e9);
    close(big);
    std::filesystem::resize_file(path("c.txt"), 0);

    Result r;
    Args size{str(path("a.csv"))};
    call("fsize", size, r);
    EXPECT_EQ(r.v.u.ival, 2);
    Args no_size{str(path("none"))};
    call("fsize", no_size, r);
    EXPECT_EQ(r.v.u.ival, -1);
    // The modification time as a day number: 1 January 1970 is day 2440588.
    Args when{str(path("a.csv"))};
    call("ftime", when, r);
    EXPECT_NEAR(r.v.u.dval, 2440588.0 + static_cast<double>(std::time(nullptr)) / 86400.0, 120.0 / 86400);

    // Renaming never replaces; removing never takes folders.
    Args ren{str(path("a.csv")), str(path("b.csv"))};
    call("frename", ren, r);
    EXPECT_EQ(r.v.u.ival, 0);
    EXPECT_EQ(read_file(path("b.csv")), "1");
    Args ren2{str(path("a.csv")), str(path("d.csv"))};
    call("frename", ren2, r);
    EXPECT_EQ(r.v.u.ival, 1);
    EXPECT_EQ(read_file(path("d.csv")), "22");
    Args rm_dir{str(path("zdir"))};
    call("fremove", rm_dir, r);
    EXPECT_EQ(r.v.u.ival, 0);
    Args rm{str(path("d.csv"))};
    call("fremove", rm, r);
    EXPECT_EQ(r.v.u.ival, 1);
    call("fremove", rm, r);
    EXPECT_EQ(r.v.u.ival, 0);

    // chdir changes where relative names resolve, and getcwd reports it.
    const std::string before = std::filesystem::current_path().string();
    Args cd{str(path("zdir"))};
    call("chdir", cd, r);
    EXPECT_EQ(r.v.u.ival, 1);
    Args none{};
    Result cwd;
    call("getcwd", none, cwd);
    EXPECT_EQ(text_of(cwd.v), std::filesystem::canonical(path("zdir")).string());
    Args rel{str("../c.txt")};
    call("fsize", rel, r);
    EXPECT_EQ(r.v.u.ival, 0);
    Args bad{str(path("nowhere"))};
    call("chdir", bad, r);
    EXPECT_EQ(r.v.u.ival, 0);
    ASSERT_EQ(::chdir(before.c_str()), 0);
}

}  // namespace
