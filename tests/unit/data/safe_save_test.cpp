// Saves through a temporary file: the target changes only on commit, and a
// successful save clears what saves killed half-way left beside the target.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "data/safe_save.h"
#include "data_files_fixture.h"

namespace kj::test {
namespace {

class SafeSaveTest : public DataFilesTest {
protected:
    std::set<std::string> listing() const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
        return names;
    }
    bool save(const std::string& name, const std::string& bytes, bool commit = true) const {
        data::SafeSave s(path(name));
        if (!s.ok()) return false;
        std::fwrite(bytes.data(), 1, bytes.size(), s.file());
        return !commit || s.commit();
    }
};

// A process id that no process has any more.
pid_t dead_pid() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

TEST_F(SafeSaveTest, TargetChangesOnlyOnCommitAndKeepsItsPermissions) {
    write("m.mat", "old");
    ::chmod(path("m.mat").c_str(), 0640);
    EXPECT_TRUE(save("m.mat", "abandoned", false));
    EXPECT_EQ(read("m.mat"), "old");
    EXPECT_EQ(listing(), std::set<std::string>{"m.mat"});  // the temporary went with the save

    EXPECT_TRUE(save("m.mat", "new"));
    EXPECT_EQ(read("m.mat"), "new");
    struct stat st {};
    ASSERT_EQ(::stat(path("m.mat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(listing(), std::set<std::string>{"m.mat"});

    data::SafeSave nameless(dir + "/");
    EXPECT_FALSE(nameless.ok());
    EXPECT_NE(nameless.error().find("no file name"), std::string::npos);
}

TEST_F(SafeSaveTest, SuccessfulSaveRemovesTemporariesOfDeadProcessesOnly) {
    const std::string dead = std::to_string(dead_pid()), live = std::to_string(::getppid());
    const std::set<std::string> kept = {
        ".m.mat." + live + ".aB3xYz",   // a save going on in another process
        ".n.mat." + dead + ".aB3xYz",   // another target's
        ".m.mat." + dead + ".short",    // not a temporary's name
        ".m.mat.XYZ.aB3xYz", "m.mat.bak"};
    for (const std::string& name : kept) write(name, "x");
    write(".m.mat." + dead + ".Qw12er", std::string(1000, 'x'));  // killed half-way

    EXPECT_TRUE(save("m.mat", "data"));
    std::set<std::string> expected = kept;
    expected.insert("m.mat");
    EXPECT_EQ(listing(), expected);
    EXPECT_EQ(read("m.mat"), "data");

    // A save that fails to commit leaves the leftovers alone.
    write(".m.mat." + dead + ".Qw12er", "x");
    EXPECT_TRUE(save("m.mat", "abandoned", false));
    EXPECT_EQ(listing().count(".m.mat." + dead + ".Qw12er"), 1u);
}

}  // namespace
}  // namespace kj::test
