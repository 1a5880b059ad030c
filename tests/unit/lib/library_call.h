// Calls of registered built-ins by name, for the tests of the library families.
#pragma once

#include <string>

#include "link/function_table.h"
#include "lib/library_groups.h"
#include "native_fixture.h"

namespace kj::test {

// A result record released with the object.
struct Result {
    value::Value v = value::make_int(0);
    Result() = default;
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    ~Result() { value::release(v); }
    double at(int k) const { return v.u.mat.m[0][k]; }
    bool is_matrix(int r, int c) const {
        return value::type_of(v) == value::T_Matrix && v.u.mat.r == r && v.u.mat.c == c;
    }
};

class LibraryTest : public NativeTest {
protected:
    static void SetUpTestSuite() {
        link::free_function_table();
        lib::register_library();
    }
    // Calls the named built-in with args into result; the current function is
    // set to the name, as the engine does.
    static void call(const char* name, Args& args, Result& result) {
        const link::LibEntry* e = link::find_function(name);
        ASSERT_NE(e, nullptr) << name;
        lib::set_current_function(name);
        e->fn(&result.v, args.data(), static_cast<int>(args.v.size()));
    }
    // The code the call raises (-1 when it returns) and its first message.
    static int call_error(const char* name, Args& args, std::string* message = nullptr) {
        Result r;
        clear();
        const int code = raised([&] { call(name, args, r); });
        if (message) *message = first_run_message();
        return code;
    }
};

}  // namespace kj::test
