// The settings file's cases that need POSIX: permission bits, a reaped child's process number, symbolic
// links.
#include "app/settings/profile_file.h"
#include "settings_folder_fixture.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using korva::app::ProfileFile;
using ProfileFileTest = korva::app::testing::SettingsFolderTest;
namespace fs = std::filesystem;

TEST_F(ProfileFileTest, SaveLeavesNoTemporaryFileAndKeepsPermissions) {
    Write("[Geral]\nIP=1\n");
    ASSERT_EQ(chmod(path_.c_str(), 0640), 0);
    ProfileFile file = ProfileFile::Load(path_);
    file.SetValue("Geral", "IP", "2");
    file.SaveAtomically(path_);
    file.SaveAtomically(path_);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"KorvaCfg.ini"});
    struct stat info {};
    ASSERT_EQ(stat(path_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(ProfileFileTest, SaveRemovesWhatKilledWritersLeftAndNothingElse) {
    // A process number that is certainly gone: a child that has ended and been reaped.
    const pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0)
        _exit(0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string abandoned = "KorvaCfg.ini.tmp" + std::to_string(gone) + "-3";
    const std::vector<std::string> kept = {
        "KorvaCfg.ini.tmp1-0",                             // its writer (init) is running
        "KorvaCfg.ini.tmp" + std::to_string(gone) + "-x",  // not a name this writer makes
        "Other.ini.tmp" + std::to_string(gone) + "-0",     // another file's
        "KorvaCfg.ini.tmp" + std::to_string(gone),         // no counter
    };
    for (const std::string& name : kept)
        Write((folder_ / name).string(), "keep");
    Write((folder_ / abandoned).string(), "[Geral]\nIP=half");

    ProfileFile file = ProfileFile::Load(path_);
    file.SetValue("Geral", "IP", "127.0.0.1");
    file.SaveAtomically(path_);

    std::vector<std::string> expected = kept;
    expected.push_back("KorvaCfg.ini");
    std::vector<std::string> entries = FolderEntries();
    std::sort(entries.begin(), entries.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries, expected);
}

TEST_F(ProfileFileTest, SymbolicLinkKeepsPointingAtTheUpdatedFile) {
    const std::string real = (folder_ / "real.ini").string();
    Write(real, "[Geral]\nIP=1\n");
    fs::create_symlink(real, path_);
    ProfileFile file = ProfileFile::Load(path_);
    file.SetValue("Geral", "IP", "2");
    file.SaveAtomically(path_);
    EXPECT_TRUE(fs::is_symlink(path_));
    EXPECT_EQ(ProfileFile::Load(real).Value("Geral", "IP"), "2");
}

}  // namespace
