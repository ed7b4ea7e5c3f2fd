#include "app/settings/profile_file.h"
#include "settings_folder_fixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using korva::app::ProfileFile;
using ProfileFileTest = korva::app::testing::SettingsFolderTest;

namespace {

TEST_F(ProfileFileTest, ReadsLikeTheWindowsProfileFunctions) {
    Write(
        "IP=before any section\r\n"
        "[Outra]\r\n"
        "IP=other section\r\n"
        "[ geral ]\r\n"
        "; IP=commented out\r\n"
        "  Ip  =  10.0.0.7 \t\r\n"
        "ip=second of the name\r\n"
        "msk=\r\n"
        "no equals sign\r\n"
        "GW=a=b\r\n"
        "Quoted=\"x y\"\r\n"
        "inner=a  b\r\n"
        "\xC1rea=acento\r\n"  // "Área" in Windows-1252
        "[GERAL]\r\n"
        "late=second section of the name\r\n"
        "[Configura\xC7\xC3O]\r\n"
        "k=cp1252 section\r\n");
    const ProfileFile file = ProfileFile::Load(path_);
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"Geral", "IP", "10.0.0.7"},
        {"GERAL", "ip", "10.0.0.7"},
        {"Outra", "ip", "other section"},
        {"Geral", "msk", ""},
        {"Geral", "GW", "a=b"},
        {"Geral", "Quoted", "\"x y\""},
        {"Geral", "inner", "a  b"},
        {"Geral", "\xE1REA", "acento"},
        {"configura\xE7\xE3o", "K", "cp1252 section"},
        {"Geral", "late", std::nullopt},
        {"Geral", "no equals sign", std::nullopt},
        {"Geral", "; IP", std::nullopt},
        {"Falta", "IP", std::nullopt},
        {"Geral", "xyz", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(file.Value(c.section, c.key), c.expected) << c.section << "/" << c.key;
    }
}

TEST_F(ProfileFileTest, MissingFileReadsNothingAndCreatesNothing) {
    const ProfileFile file = ProfileFile::Load(path_);
    EXPECT_EQ(file.Value("Geral", "IP"), std::nullopt);
    EXPECT_FALSE(fs::exists(path_));
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(ProfileFileTest, RoundTripCreatesFileAndSection) {
    ProfileFile file = ProfileFile::Load(path_);
    file.SetValue("Geral", "IP", "10.0.0.7");
    file.SetValue("Geral", "msk", "255.255.0.0");
    file.SetValue("Geral", "GW", "texto livre \xE9");
    file.SaveAtomically(path_);
    EXPECT_EQ(Read(), "[Geral]\r\nIP=10.0.0.7\r\nmsk=255.255.0.0\r\nGW=texto livre \xE9\r\n");
    const ProfileFile again = ProfileFile::Load(path_);
    EXPECT_EQ(again.Value("geral", "ip"), "10.0.0.7");
    EXPECT_EQ(again.Value("Geral", "MSK"), "255.255.0.0");
    EXPECT_EQ(again.Value("Geral", "GW"), "texto livre \xE9");
}

TEST_F(ProfileFileTest, WritingKeepsEverythingElseByteForByte) {
    struct Case {
        const char* what;
        std::string before;
        std::string after;  // after setting Geral/IP to 1.2.3.4
    };
    const Case cases[] = {
        {"replaced in place, spacing and spelling kept",
         "; settings\r\n[Outra]\r\nx=1\r\n\r\n[GERAL]\r\n  ip = 9.9.9.9\r\nmsk=255.0.0.0\r\n",
         "; settings\r\n[Outra]\r\nx=1\r\n\r\n[GERAL]\r\n  ip = 1.2.3.4\r\nmsk=255.0.0.0\r\n"},
        {"added after the section's last key, before the blank line",
         "[Geral]\nmsk=255.0.0.0\n; about Outra\n\n[Outra]\nIP=5.5.5.5\n",
         "[Geral]\nmsk=255.0.0.0\nIP=1.2.3.4\n; about Outra\n\n[Outra]\nIP=5.5.5.5\n"},
        {"added right after a header without keys", "[Geral]\n; about Outra\n\n[Outra]\n",
         "[Geral]\nIP=1.2.3.4\n; about Outra\n\n[Outra]\n"},
        {"section added at the end, LF file stays LF", "[Outra]\nx=1\n", "[Outra]\nx=1\n\n[Geral]\nIP=1.2.3.4\n"},
        {"cut-short last line gets its line end", "[Outra]\r\nx=1", "[Outra]\r\nx=1\r\n\r\n[Geral]\r\nIP=1.2.3.4\r\n"},
        {"mixed line ends each kept", "[Geral]\nIP=0\r\nmsk=1\n", "[Geral]\nIP=1.2.3.4\r\nmsk=1\n"},
        {"value cut short replaced", "[Geral]\r\nIP=10.0", "[Geral]\r\nIP=1.2.3.4"},
        {"empty file", "", "[Geral]\r\nIP=1.2.3.4\r\n"},
        {"UTF-8 mark before the header", "\xEF\xBB\xBF[Geral]\nIP=0\n", "\xEF\xBB\xBF[Geral]\nIP=1.2.3.4\n"},
    };
    for (const Case& c : cases) {
        Write(c.before);
        ProfileFile file = ProfileFile::Load(path_);
        file.SetValue("Geral", "IP", "1.2.3.4");
        file.SaveAtomically(path_);
        EXPECT_EQ(Read(), c.after) << c.what;
        EXPECT_EQ(ProfileFile::Load(path_).Value("Geral", "IP"), "1.2.3.4") << c.what;
    }
}

TEST_F(ProfileFileTest, LineBreaksInAValueCannotCutTheFile) {
    ProfileFile file;
    file.SetValue("Geral", "IP", "1.2\r\n[Injected]\nx=1");
    EXPECT_EQ(file.Text(), "[Geral]\r\nIP=1.2  [Injected] x=1\r\n");
    EXPECT_EQ(file.Value("Injected", "x"), std::nullopt);
}

TEST_F(ProfileFileTest, NamesThatCannotBeStoredAreRefused) {
    ProfileFile file;
    EXPECT_THROW(file.SetValue("Ge]ral", "IP", "1"), std::invalid_argument);
    EXPECT_THROW(file.SetValue("Geral", "I=P", "1"), std::invalid_argument);
    EXPECT_THROW(file.SetValue("Geral", "I\nP", "1"), std::invalid_argument);
    EXPECT_THROW(file.SetValue("Geral", " ", "1"), std::invalid_argument);
    EXPECT_EQ(file.Text(), "");
}

TEST_F(ProfileFileTest, WriteFailureNamesThePathAndLeavesNothingBehind) {
    // Running as root makes permission bits useless here; a file where a folder should be still fails.
    Write("not a folder");
    const std::string blocked = path_ + "/KorvaCfg.ini";
    ProfileFile file = ProfileFile::Load(blocked);
    EXPECT_EQ(file.Value("Geral", "IP"), std::nullopt);
    file.SetValue("Geral", "IP", "1.2.3.4");
    try {
        file.SaveAtomically(blocked);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + blocked);
    }
    EXPECT_EQ(Read(), "not a folder");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"KorvaCfg.ini"});
}

TEST_F(ProfileFileTest, AFolderInPlaceOfTheFileReadsNothingAndIsNotReplaced) {
    fs::create_directory(path_);
    ProfileFile file = ProfileFile::Load(path_);
    EXPECT_EQ(file.Value("Geral", "IP"), std::nullopt);
    file.SetValue("Geral", "IP", "1");
    EXPECT_THROW(file.SaveAtomically(path_), std::runtime_error);

    // Written in full beside it, then the rename over the folder fails.
    ProfileFile fresh;
    fresh.SetValue("Geral", "IP", "1");
    EXPECT_THROW(fresh.SaveAtomically(path_), std::runtime_error);

    EXPECT_TRUE(fs::is_directory(path_));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"KorvaCfg.ini"});
}

TEST_F(ProfileFileTest, HugeFileIsReadInPartAndNeverTruncatedByAWrite) {
    std::string bytes = "[Geral]\r\nIP=10.0.0.7\r\n";
    bytes += std::string(9u << 20, 'x');
    bytes += "\r\n[Tail]\r\nk=v\r\n";
    Write(bytes);
    ProfileFile file = ProfileFile::Load(path_);
    EXPECT_EQ(file.Value("Geral", "IP"), "10.0.0.7");
    file.SetValue("Geral", "IP", "1.2.3.4");
    EXPECT_THROW(file.SaveAtomically(path_), std::runtime_error);
    EXPECT_EQ(fs::file_size(path_), bytes.size());
}

TEST_F(ProfileFileTest, BinaryGarbageNeverCrashesAndKeepsWhatParses) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 20; ++round) {
        std::string bytes;
        for (int i = 0; i < 2000; ++i)
            bytes += static_cast<char>(byte(random));
        bytes += "\n[Geral]\nIP=10.0.0.7\n";
        for (int i = 0; i < 500; ++i)
            bytes += static_cast<char>(byte(random) % 2 ? '\0' : '[');
        Write(bytes);
        ProfileFile file = ProfileFile::Load(path_);
        ASSERT_EQ(file.Text(), bytes) << "every byte kept, round " << round;
        file.SetValue("Geral", "msk", "255.0.0.0");
        file.SaveAtomically(path_);
        const ProfileFile again = ProfileFile::Load(path_);
        EXPECT_EQ(again.Value("Geral", "msk"), "255.0.0.0") << round;
    }
}

}  // namespace
