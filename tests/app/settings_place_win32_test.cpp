// Which settings files the program uses on Windows: beside a portable copy when its folder takes the
// file, in %APPDATA%\KorvaCfg for an installed one or when the folder does not, and a read-only file
// beside the program read with the saves going to %APPDATA%.
#include "app/settings/settings_place_win32.h"
#include "language/utf16_win32.h"
#include "settings_folder_fixture.h"

#include <windows.h>

#include <string>

namespace {

using korva::app::InstalledProgramFolder;
using korva::app::RoamingSettingsFolder;
using korva::app::SettingsPlace;
using korva::language::Wide;
using korva::app::WindowsSettingsPlace;
namespace fs = std::filesystem;

class SettingsPlaceTest : public korva::app::testing::SettingsFolderTest {
protected:
    std::string Program() const { return folder_.string(); }
    std::string User() const { return (folder_ / "roaming").string(); }
    std::string Beside() const { return path_; }
    std::string InUserFolder() const { return User() + "\\KorvaCfg.ini"; }
    // "read from | saved to"
    static std::string Shown(const SettingsPlace& place) { return place.readFrom + " | " + place.saveTo; }
    static std::string Only(const std::string& path) { return path + " | " + path; }
    std::string Chosen(const std::string& program, const std::string& user) const {
        return Shown(WindowsSettingsPlace(program, false, user));
    }
    void SetReadOnly(const std::string& path, bool readOnly) const {
        ASSERT_TRUE(SetFileAttributesW(fs::path(Wide(path)).c_str(),
                                       readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL));
    }
};

TEST(RoamingSettingsFolder, IsKorvaCfgInAnAbsoluteAppData) {
    EXPECT_EQ(RoamingSettingsFolder("C:\\Users\\ana\\AppData\\Roaming"), "C:\\Users\\ana\\AppData\\Roaming\\KorvaCfg");
    // A relative or empty value would put the file wherever the program was started from.
    EXPECT_EQ(RoamingSettingsFolder("AppData\\Roaming"), "");
    EXPECT_EQ(RoamingSettingsFolder(""), "");
}

TEST_F(SettingsPlaceTest, AnInstalledProgramIsWhereTheInstallerPutItOrInProgramFiles) {
    const std::vector<std::string> programFiles = {"C:\\Program Files", "", "C:\\Program Files (x86)"};
    const struct {
        const char* programFolder;
        const char* installLocation;
        bool installed;
    } cases[] = {
        {"C:\\Program Files\\KorvaCfg", "", true},
        {"c:\\program files\\korvacfg\\", "", true},
        {"C:\\Program Files (x86)\\Tools\\KorvaCfg", "", true},
        {"C:\\Program Files Extra\\KorvaCfg", "", false},
        {"D:\\Apps\\KorvaCfg", "D:\\apps\\korvacfg\\", true},
        {"D:\\Apps\\KorvaCfg\\old", "D:\\Apps\\KorvaCfg", false},
        {"E:\\KorvaCfg", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InstalledProgramFolder(c.programFolder, c.installLocation, programFiles), c.installed)
            << c.programFolder;
    // A short name stands for the same folder.
    const fs::path longFolder = folder_ / "A folder with a long name";
    fs::create_directory(longFolder);
    wchar_t shortName[MAX_PATH] = {};
    if (GetShortPathNameW(longFolder.c_str(), shortName, MAX_PATH) > 0 && longFolder.wstring() != shortName) {
        EXPECT_TRUE(InstalledProgramFolder(korva::language::Utf8(shortName), longFolder.string(), {}));
    }
}

TEST_F(SettingsPlaceTest, TheProgramsFolderComesFirstWhenItTakesTheFile) {
    EXPECT_EQ(Chosen(Program(), User()), Only(Beside())) << "no file yet, writable folder";
    EXPECT_TRUE(FolderEntries().empty()) << "asking left something behind";

    Write("[Geral]\r\n");
    EXPECT_EQ(Chosen(Program(), User()), Only(Beside())) << "writable file";
    EXPECT_EQ(Read(), "[Geral]\r\n");
    EXPECT_EQ(Shown(WindowsSettingsPlace(Program(), true, User())), Only(InUserFolder())) << "installed";
    EXPECT_EQ(Shown(WindowsSettingsPlace(Program(), true, "")), " | ") << "installed, without %APPDATA%";
}

TEST_F(SettingsPlaceTest, TheUsersFolderTakesOverWhenTheProgramsFolderCannotTakeTheFile) {
    EXPECT_EQ(Chosen((folder_ / "missing").string(), User()), Only(InUserFolder())) << "no such folder";
    fs::create_directory(path_);
    EXPECT_EQ(Chosen(Program(), User()), Only(InUserFolder())) << "a folder in the file's place";
    // Without a folder of the user's own there is nowhere else to go.
    EXPECT_EQ(Chosen((folder_ / "missing").string(), ""), Only((folder_ / "missing" / "KorvaCfg.ini").string()));
}

TEST_F(SettingsPlaceTest, AReadOnlyFileIsReadUntilTheUsersOwnFileTakesOver) {
    Write("[Geral]\r\nIP=127.0.85.7\r\n");
    SetReadOnly(Beside(), true);
    EXPECT_EQ(Chosen(Program(), User()), Beside() + " | " + InUserFolder());
    fs::create_directories(User());
    Write(InUserFolder(), "[Geral]\r\nIP=127.0.85.8\r\n");
    EXPECT_EQ(Chosen(Program(), User()), Only(InUserFolder())) << "once the user's own file is there";
    SetReadOnly(Beside(), false);
}

TEST_F(SettingsPlaceTest, FolderNamesBeyondAsciiAreKept) {
    // "Técnico" in UTF-8, the program's own encoding of paths.
    const std::string program = folder_.string() +
                                "\\T\xC3\xA9"
                                "cnico\\Korva";
    ASSERT_TRUE(fs::create_directories(fs::path(Wide(program))));
    EXPECT_EQ(Chosen(program, folder_.string()), Only(program + "\\KorvaCfg.ini"));
}

TEST_F(SettingsPlaceTest, ThisProgramIsPortableAndItsChoiceMakesNoFolder) {
    const std::wstring appData = (folder_ / "AppData").wstring();
    ASSERT_TRUE(SetEnvironmentVariableW(L"APPDATA", appData.c_str()));
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const SettingsPlace place = korva::app::ThisProgramsSettingsPlace();
    EXPECT_EQ(fs::path(Wide(place.readFrom)), fs::path(self).parent_path() / "KorvaCfg.ini");
    EXPECT_EQ(place.saveTo, place.readFrom);
    EXPECT_FALSE(fs::exists(appData)) << "the user's folder is made only by a save";
}

}  // namespace
