// Which settings file the program uses on Windows: beside it when its folder takes the file, in
// %APPDATA%\KorvaCfg when it does not.
#include "app/settings_place_win32.h"
#include "app/wide_path_win32.h"
#include "settings_folder_fixture.h"

#include <windows.h>

#include <string>

namespace {

using korva::app::ChooseWindowsSettingsPath;
using korva::app::RoamingSettingsFolder;
using korva::app::WidePath;
using korva::app::WindowsSettingsPath;
using SettingsPlaceTest = korva::app::testing::SettingsFolderTest;
namespace fs = std::filesystem;

TEST(RoamingSettingsFolder, IsKorvaCfgInAnAbsoluteAppData) {
    EXPECT_EQ(RoamingSettingsFolder("C:\\Users\\ana\\AppData\\Roaming"), "C:\\Users\\ana\\AppData\\Roaming\\KorvaCfg");
    // A relative or empty value would put the file wherever the program was started from.
    EXPECT_EQ(RoamingSettingsFolder("AppData\\Roaming"), "");
    EXPECT_EQ(RoamingSettingsFolder(""), "");
}

TEST_F(SettingsPlaceTest, TheProgramsFolderComesFirstWhenItTakesTheFile) {
    const std::string program = folder_.string();
    const std::string user = (folder_ / "roaming").string();
    const std::string beside = (folder_ / "KorvaCfg.ini").string();
    EXPECT_EQ(ChooseWindowsSettingsPath(program, user), beside) << "no file yet, writable folder";
    EXPECT_TRUE(FolderEntries().empty()) << "asking left something behind";

    Write("[Geral]\r\n");
    EXPECT_EQ(ChooseWindowsSettingsPath(program, user), beside) << "writable file";
    EXPECT_EQ(Read(), "[Geral]\r\n");
}

TEST_F(SettingsPlaceTest, TheUsersFolderTakesOverWhenTheProgramsFolderCannotTakeTheFile) {
    const std::string user = (folder_ / "roaming").string();
    const std::string inUserFolder = user + "\\KorvaCfg.ini";

    Write("[Geral]\r\n");
    ASSERT_TRUE(SetFileAttributesW(fs::path(path_).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ChooseWindowsSettingsPath(folder_.string(), user), inUserFolder) << "read-only file";
    SetFileAttributesW(fs::path(path_).c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(ChooseWindowsSettingsPath((folder_ / "missing").string(), user), inUserFolder) << "no such folder";
    fs::rename(path_, folder_ / "old.ini");
    fs::create_directory(path_);
    EXPECT_EQ(ChooseWindowsSettingsPath(folder_.string(), user), inUserFolder) << "a folder in the file's place";
    // Without a folder of the user's own there is nowhere else to go.
    EXPECT_EQ(ChooseWindowsSettingsPath((folder_ / "missing").string(), ""),
              (folder_ / "missing" / "KorvaCfg.ini").string());
}

TEST_F(SettingsPlaceTest, FolderNamesBeyondAsciiAreKept) {
    // "Técnico" in UTF-8, the program's own encoding of paths.
    const std::string program = folder_.string() + "\\T\xC3\xA9" "cnico\\Korva";
    ASSERT_TRUE(fs::create_directories(fs::path(WidePath(program))));
    EXPECT_EQ(ChooseWindowsSettingsPath(program, folder_.string()), program + "\\KorvaCfg.ini");
}

TEST_F(SettingsPlaceTest, ThisProgramsChoiceIsBesideItWhenItsFolderIsWritable) {
    const std::wstring appData = (folder_ / "AppData").wstring();
    ASSERT_TRUE(SetEnvironmentVariableW(L"APPDATA", appData.c_str()));
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(fs::path(WidePath(WindowsSettingsPath())), fs::path(self).parent_path() / "KorvaCfg.ini");
    EXPECT_FALSE(fs::exists(appData)) << "the user's folder is made only when chosen";
}

}  // namespace
