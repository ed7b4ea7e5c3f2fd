// Which settings files the console uses on Linux, as the system answers for a user without privileges:
// beside the program when its folder takes the file, in the user's configuration folder when it does
// not or when the program is installed, and a read-only file beside the program read with the saves
// going to the user's folder.
#include "app/settings/settings_place.h"
#include "app/settings/console_settings.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/unprivileged.h"

namespace {

namespace fs = std::filesystem;
using korva::app::ConsoleSettings;
using korva::app::InstalledProgramFolder;
using korva::app::LinuxSettingsPlace;
using korva::app::ReadConsoleSettings;
using korva::app::SettingsPlace;
using korva::app::UserSettingsFolder;

// "read from | saved to", so that a choice made in another process comes back as text.
std::string Shown(const SettingsPlace& place) {
    return place.readFrom + " | " + place.saveTo;
}

TEST(UserSettingsFolder, FollowsTheXdgRulesThenTheUserDatabase) {
    struct Case {
        const char* xdgConfigHome;
        const char* home;
        const char* databaseHome;
        const char* expected;
    };
    // Relative and empty values are to be ignored, not taken relative to wherever the program started.
    const Case cases[] = {
        {"/home/ana/cfg", "/home/ana", "/home/db", "/home/ana/cfg/KorvaCfg"},
        {"cfg", "/home/ana", "/home/db", "/home/ana/.config/KorvaCfg"},
        {"", "/home/ana", "/home/db", "/home/ana/.config/KorvaCfg"},
        {nullptr, "/home/ana", "/home/db", "/home/ana/.config/KorvaCfg"},
        {nullptr, "home", "/home/db", "/home/db/.config/KorvaCfg"},
        {nullptr, nullptr, "/root", "/root/.config/KorvaCfg"},
        {"cfg", "", "/home/db", "/home/db/.config/KorvaCfg"},
        {nullptr, "home", "", ""},
        {nullptr, nullptr, "db", ""},
        {nullptr, nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UserSettingsFolder(c.xdgConfigHome, c.home, c.databaseHome), c.expected)
            << (c.xdgConfigHome ? c.xdgConfigHome : "unset") << ", " << (c.home ? c.home : "unset") << ", "
            << (c.databaseHome ? c.databaseHome : "none");
    }
}

class SettingsPlaceTest : public testing::Test {
protected:
    void SetUp() override {
        std::string name = "/tmp/korva-place-XXXXXX";
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        root_ = name;
        // The unprivileged cases must reach the program's folder inside.
        fs::permissions(root_, fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
        program_ = root_ / "prefix" / "bin";
        fs::create_directories(program_);
        user_ = (root_ / "home" / ".config" / "KorvaCfg").string();
    }
    void TearDown() override {
        fs::permissions(program_, fs::perms::owner_all, fs::perm_options::add, ignore_);
        fs::remove_all(root_, ignore_);
    }

    std::string Beside() const { return (program_ / "KorvaCfg.ini").string(); }
    std::string InUserFolder() const { return user_ + "/KorvaCfg.ini"; }
    static std::string Only(const std::string& path) { return path + " | " + path; }

    // The choice as an operator without privileges gets it.
    std::string ChosenUnprivileged(bool installed = false) const {
        return korva::testing::RunUnprivileged(
            [&] { return Shown(LinuxSettingsPlace(program_.string(), installed, user_)); });
    }
    std::string Chosen(const std::string& programFolder, bool installed, const std::string& userFolder) const {
        return Shown(LinuxSettingsPlace(programFolder, installed, userFolder));
    }

    void MarkInstalled() {
        fs::create_directories(root_ / "prefix" / "share" / "applications");
        std::ofstream(root_ / "prefix" / "share" / "applications" / "korvacfg.desktop") << "[Desktop Entry]\n";
    }

    fs::path root_;
    fs::path program_;
    std::string user_;
    std::error_code ignore_;
};

TEST_F(SettingsPlaceTest, TheProgramsFolderComesFirstWhenItTakesTheFile) {
    korva::testing::GiveToUnprivilegedUser(program_.string());
    EXPECT_EQ(ChosenUnprivileged(), Only(Beside())) << "no file yet, writable folder";

    std::ofstream(Beside()) << "[Geral]\n";
    korva::testing::GiveToUnprivilegedUser(Beside());
    EXPECT_EQ(ChosenUnprivileged(), Only(Beside())) << "writable file";

    // Without a folder of the user's own there is nowhere else to go, unless the program is installed.
    EXPECT_EQ(Chosen(program_.string(), false, ""), Only(Beside()));
    EXPECT_EQ(Chosen(program_.string(), true, ""), " | ");
}

TEST_F(SettingsPlaceTest, TheUsersFolderTakesOverWhenTheProgramsFolderCannotTakeTheFile) {
    korva::testing::GiveToUnprivilegedUser(program_.string());
    std::ofstream(Beside()) << "[Geral]\n";
    korva::testing::GiveToUnprivilegedUser(Beside());
    fs::permissions(Beside(), fs::perms::none);
    EXPECT_EQ(ChosenUnprivileged(), Only(InUserFolder())) << "a file that cannot be read";

    fs::remove(Beside());
    fs::permissions(program_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(ChosenUnprivileged(), Only(InUserFolder())) << "a read-only folder";

    EXPECT_EQ(Chosen((root_ / "missing").string(), false, user_), Only(InUserFolder())) << "no folder at all";
    fs::permissions(program_, fs::perms::owner_all);
    ASSERT_TRUE(fs::create_directory(Beside()));
    EXPECT_EQ(Chosen(program_.string(), false, user_), Only(InUserFolder())) << "a folder in the file's place";
}

TEST_F(SettingsPlaceTest, AReadOnlyFileIsReadUntilTheUsersOwnFileTakesOver) {
    korva::testing::GiveToUnprivilegedUser(program_.string());
    std::ofstream(Beside()) << "[Geral]\nIP=127.0.85.7\n";
    korva::testing::GiveToUnprivilegedUser(Beside());
    fs::permissions(Beside(), fs::perms::owner_read);
    const std::string carried = Beside() + " | " + InUserFolder();
    EXPECT_EQ(ChosenUnprivileged(), carried) << "in a writable folder";
    fs::permissions(program_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(ChosenUnprivileged(), carried) << "in a read-only folder";

    korva::app::MakeUserSettingsFolder(user_);
    std::ofstream(InUserFolder()) << "[Geral]\nIP=127.0.85.8\n";
    for (const fs::path& mine : {root_ / "home", root_ / "home" / ".config", fs::path(user_), fs::path(InUserFolder())})
        korva::testing::GiveToUnprivilegedUser(mine.string());
    EXPECT_EQ(ChosenUnprivileged(), Only(InUserFolder())) << "once the user's own file is there";
}

TEST_F(SettingsPlaceTest, AnInstalledProgramKeepsItsSettingsInTheUsersFolderEvenForRoot) {
    EXPECT_FALSE(InstalledProgramFolder(program_.string())) << "a bin folder alone is no installation";
    MarkInstalled();
    EXPECT_TRUE(InstalledProgramFolder(program_.string()));
    EXPECT_TRUE(InstalledProgramFolder(program_.string() + "/"));
    EXPECT_FALSE(InstalledProgramFolder((root_ / "prefix").string())) << "only the prefix's bin folder";

    EXPECT_EQ(Chosen(program_.string(), true, user_), Only(InUserFolder()));
    EXPECT_EQ(Chosen(program_.string(), false, user_), Only(Beside()));
}

TEST_F(SettingsPlaceTest, TheUsersFolderIsMadeForThatUserOnly) {
    korva::app::MakeUserSettingsFolder(user_);
    for (const fs::path& made :
         {fs::path(user_), fs::path(user_).parent_path(), fs::path(user_).parent_path().parent_path()}) {
        struct stat info {};
        ASSERT_EQ(stat(made.c_str(), &info), 0) << made;
        EXPECT_TRUE(S_ISDIR(info.st_mode)) << made;
        EXPECT_EQ(info.st_mode & 07777, 0700u) << made;
    }
    // A file in the way stops it without an error: the save reports it later.
    std::ofstream(root_ / "blocked") << "not a folder";
    korva::app::MakeUserSettingsFolder((root_ / "blocked" / "KorvaCfg").string());
    EXPECT_TRUE(fs::is_regular_file(root_ / "blocked"));
}

TEST_F(SettingsPlaceTest, EverySaveMakesTheUsersFolderWhenItIsMissing) {
    const auto store = korva::app::SettingsStoreAt(program_.string(), true, user_);
    EXPECT_FALSE(fs::exists(root_ / "home")) << "nothing is made before a save";
    ConsoleSettings typed;
    for (const char* address : {"127.0.41.1", "127.0.41.2"}) {
        SCOPED_TRACE(address);
        typed.address = address;
        ASSERT_NO_THROW(store->Save(typed));
        EXPECT_EQ(ReadConsoleSettings(InUserFolder()).address, address);
        EXPECT_EQ(fs::status(user_).permissions(), fs::perms::owner_all);
        // Deleted during the session: the next save makes it again.
        fs::remove_all(root_ / "home");
    }
    EXPECT_FALSE(fs::exists(Beside()));
}

TEST_F(SettingsPlaceTest, AnInstalledProgramWithoutAHomeFolderWritesNothingAndSaysWhy) {
    MarkInstalled();
    const auto store = korva::app::SettingsStoreAt(program_.string(), true, "");
    EXPECT_EQ(store->Load().address, ConsoleSettings().address);
    try {
        store->Save(ConsoleSettings());
        ADD_FAILURE() << "saved somewhere";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Unable to write the settings: no home folder to keep them in (XDG_CONFIG_HOME and HOME are not "
                  "absolute paths, and the user database gives none)");
    }
    EXPECT_TRUE(fs::is_empty(program_));
}

}  // namespace
