// The link check's binding of declared functions to native libraries.
#include "link/code_image.h"
#include "link_fixture.h"

namespace kj::link {
namespace {

class EntryBindingTest : public LinkTest {};

void native_entry(KjValue*, KjValue*, int) {}

// Loads "box_64" not at all and "box" with the function "scale" only.
// "crate_64" loads without any function; "crate" does not load.
int fake_loader(const char* library, const char* function, KjNativeFunction* fn) {
    if (std::string(library) == "crate_64") return L_CannotLoadDllFunction;
    if (std::string(library) != "box") return L_CannotLoadDll;
    if (std::string(function) != "scale") return L_CannotLoadDllFunction;
    *fn = native_entry;
    return 0;
}

// A declared function with this signature text, named by a LOD.
int declare(const char* name, const char* descriptor) {
    value::Value f = make_function(0, new_function_info(descriptor, 0, false), false);
    f.type |= value::k_extern;
    const int k = add_symbol(name, f);
    emit(Op::Lod, k);
    return k;
}

TEST_F(EntryBindingTest, BindingTextsGoThroughTheNativeLoader) {
    const struct {
        const char* name;
        const char* descriptor;
        NativeLoader loader;
        std::vector<std::string> messages;
    } cases[] = {
        {"bound", " $f@box,scale", fake_loader, {}},
        // Without a function the binding names only the library, and so does the message.
        {"no comma", " $f@box", fake_loader,
         {"Link error: 'box' dll function name not specified", "Link error: 'f' undefined function"}},
        {"empty function name", " $f@box,", fake_loader,
         {"Link error: 'box' dll function name not specified", "Link error: 'f' undefined function"}},
        {"no loader", " $f@box,scale", nullptr,
         {"Link error: 'f' dynamic linking not supported", "Link error: 'f' undefined function"}},
        {"library missing", " $f@nobox,scale", fake_loader,
         {"Link error: 'nobox' cannot load dll", "Link error: 'f' undefined function"}},
        {"function missing", " $f@box,rotate", fake_loader,
         {"Link error: 'rotate' cannot load function from dll", "Link error: 'f' undefined function"}},
        {"no binding text", " $f", fake_loader, {"Link error: 'f' undefined function"}},
        // A "_64" library without the function is reported; the plain name is tried after it.
        {"_64 library lacks it", " $f@crate,scale", fake_loader,
         {"Link error: 'scale' cannot load function from dll", "Link error: 'crate' cannot load dll",
          "Link error: 'f' undefined function"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset_tables();
        messages().clear();
        set_native_loader(c.loader);
        const int k = declare("f", c.descriptor);
        EXPECT_EQ(check_globals(0), static_cast<int>(c.messages.size()));
        EXPECT_EQ(messages(), c.messages);
        if (c.messages.empty()) {
            const value::Value& v = symbol_at(k).val;
            EXPECT_EQ(value::type_of(v), value::T_Native);
            EXPECT_EQ(v.u.nat.fn, native_entry);
            EXPECT_EQ(v.u.nat.nparam, 1);
            EXPECT_FALSE(value::has_flag(v, value::k_extern));
            EXPECT_STREQ(v.u.nat.info->descriptor, " $f");  // the binding is cut off
        }
    }
}

}  // namespace
}  // namespace kj::link
