// Loading native libraries by file name and by the search, with the kernel
// libraries the project builds as the libraries to find.
#include <filesystem>

#include "link/dll_loader.h"
#include "link_fixture.h"

namespace kj::link {
namespace {

class DllLoaderTest : public LinkTest {
protected:
    // A copy of a built library under another name inside the test folder.
    std::string copy_library(const std::string& from, const std::string& to) {
        std::filesystem::create_directories(std::filesystem::path(path(to)).parent_path());
        std::filesystem::copy_file(std::string(KJ_BINARY_DIR) + "/" + from, path(to));
        return path(to);
    }
};

TEST_F(DllLoaderTest, FileNamesAreTrimmedAndGetTheLibraryExtension) {
    const std::string file = copy_library("kjkernelmatmul_64.so", "plain.so");
    void* fn = nullptr;
    // Trailing blanks and control characters are cut; ".so" is added.
    EXPECT_EQ(load_dll((dir() + "plain \t\r\n").c_str(), "KjKnlMatmul", &fn), 0);
    EXPECT_NE(fn, nullptr);
    EXPECT_EQ(load_dll(file.c_str(), "KjKnlEigensym", &fn), L_CannotLoadDllFunction);
    EXPECT_EQ(load_dll(file.c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(load_dll((dir() + "absent").c_str(), nullptr, nullptr), L_CannotLoadDll);
    EXPECT_EQ(load_dll("   ", nullptr, nullptr), L_CannotLoadDll);
    // A file that is not a library does not load.
    std::ofstream(path("text.so")) << "not a library\n";
    EXPECT_EQ(load_dll(path("text.so").c_str(), nullptr, nullptr), L_CannotLoadDll);
    EXPECT_TRUE(messages().empty());
}

TEST_F(DllLoaderTest, TheSearchRunsAlongTheIncludePathThenIntoPackageFolders) {
    copy_library("kjkernelmatmul_64.so", "lib/found.so");
    copy_library("kjkernelmatmul_64.so", "lib/packages/boxed/boxed.so");
    copy_library("kjkernelmatmul_64.so", "lib/packages/far/away/far.so");
    runtime::add_to_include_path((dir() + "lib").c_str());
    runtime::settings().verbose = 2;
    void* fn = nullptr;
    EXPECT_EQ(find_dll("found", "KjKnlMatmul", &fn), 0);
    EXPECT_EQ(find_dll("boxed", "KjKnlMatmul", &fn), 0);
    // Only NAME/NAME inside "packages", and only for a plain name.
    EXPECT_EQ(find_dll("far", "KjKnlMatmul", &fn), L_CannotLoadDll);
    EXPECT_EQ(find_dll("packages/boxed/boxed", nullptr, nullptr), 0);
    std::vector<std::string> progress;
    for (const std::string& m : messages())
        if (m.find("DLL") != std::string::npos) progress.push_back(m);
    EXPECT_EQ(progress, (std::vector<std::string>{
                            "Searching for DLL: found\n", "Linked KjKnlMatmul from DLL: found\n",
                            "Searching for DLL: boxed\n", "Linked KjKnlMatmul from DLL: boxed\n",
                            "Searching for DLL: far\n",
                            "Searching for DLL: packages/boxed/boxed\n", "Loaded DLL: packages/boxed/boxed\n"}));
}

}  // namespace
}  // namespace kj::link
