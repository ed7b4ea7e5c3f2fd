// The console's three remembered values on top of the settings file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "app/settings/console_settings.h"

namespace {

using korva::app::ConsoleSettings;
using korva::app::ReadConsoleSettings;
using korva::app::WriteConsoleSettings;

class ConsoleSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/korva-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        path_ = korva::app::SettingsPathIn(folder_);
    }
    void TearDown() override {
        std::remove(path_.c_str());
        rmdir(folder_.c_str());
    }
    void Write(const std::string& bytes) const { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string Read() const {
        std::ifstream file(path_, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }

    std::string folder_;
    std::string path_;
};

void ExpectSettings(const ConsoleSettings& actual, const ConsoleSettings& expected) {
    EXPECT_EQ(actual.address, expected.address);
    EXPECT_EQ(actual.mask, expected.mask);
    EXPECT_EQ(actual.gateway, expected.gateway);
}

TEST_F(ConsoleSettingsTest, FileLivesBesideTheExecutable) {
    EXPECT_EQ(korva::app::SettingsPathIn("/opt/korva"), "/opt/korva/KorvaCfg.ini");
    EXPECT_EQ(korva::app::SettingsPathIn("/opt/korva/"), "/opt/korva/KorvaCfg.ini");
    EXPECT_EQ(path_, folder_ + "/KorvaCfg.ini");
}

TEST_F(ConsoleSettingsTest, MissingValuesReadAsDefaults) {
    struct Case {
        const char* file;
        ConsoleSettings expected;
    };
    const Case cases[] = {
        {nullptr, {"192.168.0.250", "255.255.255.0", "192.168.0.1"}},
        {"", {"192.168.0.250", "255.255.255.0", "192.168.0.1"}},
        {"[Geral]\nIP=10.0.0.7\n", {"10.0.0.7", "255.255.255.0", "192.168.0.1"}},
        {"[GERAL]\r\nmsk=255.0.0.0\r\ngw=10.0.0.1\r\n", {"192.168.0.250", "255.0.0.0", "10.0.0.1"}},
        {"[Outro]\nIP=1.2.3.4\n", {"192.168.0.250", "255.255.255.0", "192.168.0.1"}},
    };
    for (const Case& c : cases) {
        std::remove(path_.c_str());
        if (c.file != nullptr)
            Write(c.file);
        ExpectSettings(ReadConsoleSettings(path_), c.expected);
    }
    std::remove(path_.c_str());
    ReadConsoleSettings(path_);
    EXPECT_NE(access(path_.c_str(), F_OK), 0) << "reading creates nothing";
}

TEST_F(ConsoleSettingsTest, ValuesComeBackExactlyAsTyped) {
    // No validation and no reformatting: a mask the device would refuse and Windows-1252 text stay.
    const ConsoleSettings typed{"no such host", "255.255.255.255.1", "gateway \xE9"};
    WriteConsoleSettings(path_, typed);
    ExpectSettings(ReadConsoleSettings(path_), typed);
    const std::string written = Read();
    EXPECT_NE(written.find("[Geral]"), std::string::npos);
    EXPECT_NE(written.find("IP=no such host"), std::string::npos);
    EXPECT_NE(written.find("msk=255.255.255.255.1"), std::string::npos);
    EXPECT_NE(written.find("GW=gateway \xE9"), std::string::npos);
}

TEST_F(ConsoleSettingsTest, WritingKeepsEverythingElseOfTheFile) {
    Write("; copied from the old PC\r\n[Geral]\r\nip=1.1.1.1\r\nmodelo=K2\r\n[Outro]\r\nIP=9.9.9.9\r\n");
    WriteConsoleSettings(path_, {"10.0.0.7", "255.0.0.0", "10.0.0.1"});
    const std::string written = Read();
    EXPECT_EQ(written.rfind("; copied from the old PC\r\n[Geral]\r\n", 0), 0u) << written;
    EXPECT_NE(written.find("modelo=K2\r\n"), std::string::npos);
    EXPECT_NE(written.find("[Outro]\r\nIP=9.9.9.9\r\n"), std::string::npos);
    EXPECT_EQ(written.find("1.1.1.1"), std::string::npos);
    ExpectSettings(ReadConsoleSettings(path_), {"10.0.0.7", "255.0.0.0", "10.0.0.1"});
}

TEST_F(ConsoleSettingsTest, TheLanguageIsReadAndNeverWritten) {
    EXPECT_EQ(korva::app::ReadLanguageSetting(path_), "") << "no file";
    Write("[Geral]\r\nIdioma=en\r\nIP=1.1.1.1\r\n");
    const auto store = korva::app::SettingsFileAt(path_);
    EXPECT_EQ(store->Language(), "en");
    store->Save({"10.0.0.7", "255.0.0.0", "10.0.0.1"});
    EXPECT_EQ(Read(), "[Geral]\r\nIdioma=en\r\nIP=10.0.0.7\r\nmsk=255.0.0.0\r\nGW=10.0.0.1\r\n");
    std::remove(path_.c_str());
    store->Save({"10.0.0.7", "255.0.0.0", "10.0.0.1"});
    EXPECT_EQ(Read().find("Idioma"), std::string::npos) << "the console never writes a language of its own";
}

TEST_F(ConsoleSettingsTest, UnwritableFileRaisesTheMessageTheErrorBoxShows) {
    const std::string unwritable = folder_ + "/missing/KorvaCfg.ini";
    try {
        WriteConsoleSettings(unwritable, {});
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + unwritable);
    }
}

}  // namespace
