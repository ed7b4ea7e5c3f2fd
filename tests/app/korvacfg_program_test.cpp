// The built console, run from a folder of its own: told to end with SIGTERM as a logout or `kill` does,
// it must exit normally and write its settings file on the way out, beside itself or, installed, in the
// user's configuration folder. Asked for its version or usage, it answers without a display.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/settings/console_settings.h"
#include "tests/support/child_process.h"
#include "tests/support/suite_addresses.h"
#include "tests/support/udp_sockets.h"

namespace {

namespace fs = std::filesystem;
using korva::testing::ChildProcess;
const korva::testing::SuiteAddresses addresses{"korvacfg_program"};
constexpr std::chrono::seconds kPatience{30};
// Runs a program with variables added to its environment; it replaces itself with the program, so the
// child's process is the program's.
constexpr const char* kEnv = "/usr/bin/env";

// The console opens its UDP endpoint once its window is up and its signal handling is in place.
bool HasUdpSocket(pid_t pid) {
    return !korva::testing::UdpSocketsOf(pid).empty();
}

class RunningConsole : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/korvacfg-signal-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        PlaceProgramIn(folder_);
    }

    void PlaceProgramIn(const fs::path& programFolder) {
        fs::create_directories(programFolder);
        program_ = programFolder / "KorvaCfg";
        fs::copy_file(KORVA_CONSOLE_PROGRAM, program_, fs::copy_options::overwrite_existing);
        fs::permissions(program_, fs::perms::owner_all);
    }

    void TearDown() override {
        console_.reset();  // killed if a failed test left it running
        fs::remove_all(folder_);
    }

    void Start(const fs::path& configHome = {}) {
        std::vector<std::string> arguments = {"QT_QPA_PLATFORM=offscreen"};
        if (!configHome.empty())
            arguments.push_back("XDG_CONFIG_HOME=" + configHome.string());
        arguments.push_back(program_.string());
        console_.emplace(kEnv, arguments);
    }

    void WaitUntilUp() {
        const auto giveUp = std::chrono::steady_clock::now() + kPatience;
        while (!HasUdpSocket(console_->Pid()) && std::chrono::steady_clock::now() < giveUp) {
            ASSERT_FALSE(console_->Wait(std::chrono::seconds(0))) << "the console ended on its own";
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ASSERT_TRUE(HasUdpSocket(console_->Pid())) << "the console did not come up";
    }

    void EndWithSigterm() {
        console_->Signal(SIGTERM);
        const std::optional<int> status = console_->Wait(kPatience);
        ASSERT_TRUE(status.has_value()) << "still running after SIGTERM";
        EXPECT_EQ(*status, 0) << "128 and more: ended by signal " << *status - 128;
    }

    fs::path SettingsFile() const { return korva::app::SettingsPathIn(folder_.string()); }

    fs::path folder_;
    fs::path program_;
    std::optional<ChildProcess> console_;
};

TEST_F(RunningConsole, SigtermSavesTheSettingsAndExitsNormally) {
    korva::app::ConsoleSettings settings;
    settings.address = addresses[1];
    settings.mask = "255.255.255.240";
    korva::app::WriteConsoleSettings(SettingsFile().string(), settings);
    Start();
    ASSERT_NO_FATAL_FAILURE(WaitUntilUp());
    // Only a save at the end can bring the file back.
    ASSERT_TRUE(fs::remove(SettingsFile()));

    ASSERT_NO_FATAL_FAILURE(EndWithSigterm());
    ASSERT_TRUE(fs::exists(SettingsFile())) << "settings not saved";
    const korva::app::ConsoleSettings saved = korva::app::ReadConsoleSettings(SettingsFile().string());
    EXPECT_EQ(saved.address, addresses[1]);
    EXPECT_EQ(saved.mask, "255.255.255.240");
}

TEST_F(RunningConsole, InstalledItKeepsItsSettingsInTheUsersConfigurationFolder) {
    // The layout every install makes: the program in a prefix's bin folder, its desktop entry in share.
    const fs::path prefix = folder_ / "usr";
    PlaceProgramIn(prefix / "bin");
    fs::create_directories(prefix / "share" / "applications");
    std::ofstream(prefix / "share" / "applications" / "korvacfg.desktop") << "[Desktop Entry]\n";
    const fs::path configHome = folder_ / "config";
    const fs::path userFile = configHome / "KorvaCfg" / "KorvaCfg.ini";
    fs::create_directories(userFile.parent_path());
    korva::app::ConsoleSettings settings;
    settings.address = addresses[2];
    settings.gateway = addresses[3];
    korva::app::WriteConsoleSettings(userFile.string(), settings);

    Start(configHome);
    ASSERT_NO_FATAL_FAILURE(WaitUntilUp());
    // Only a save at the end can bring the file back.
    ASSERT_TRUE(fs::remove(userFile));
    ASSERT_NO_FATAL_FAILURE(EndWithSigterm());

    ASSERT_TRUE(fs::exists(userFile)) << "settings not saved in the user's folder";
    const korva::app::ConsoleSettings saved = korva::app::ReadConsoleSettings(userFile.string());
    EXPECT_EQ(saved.address, addresses[2]) << "read from the user's file at start";
    EXPECT_EQ(saved.gateway, addresses[3]);
    EXPECT_FALSE(fs::exists(korva::app::SettingsPathIn((prefix / "bin").string())));
}

// What the program printed on its standard output and its exit status, run with no display at all.
std::pair<std::string, int> RunWithoutDisplay(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(),
                     {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb", KORVA_CONSOLE_PROGRAM});
    const korva::testing::Finished run = korva::testing::RunToEnd(kEnv, arguments);
    return {run.out, run.exitStatus};
}

TEST(ConsoleCommandLine, VersionAndHelpAreAnsweredWithoutOpeningAWindow) {
    EXPECT_EQ(RunWithoutDisplay({"--version"}),
              std::make_pair(std::string("KorvaCfg ") + KORVA_PROGRAM_VERSION + "\n", 0));
    const auto [usage, status] = RunWithoutDisplay({"--help"});
    EXPECT_EQ(status, 0);
    EXPECT_NE(usage.find("usage: KorvaCfg"), std::string::npos) << usage;
    EXPECT_NE(usage.find("XDG_CONFIG_HOME"), std::string::npos) << usage;
    // Without those options the same command line needs the display it lacks: the check above is real.
    EXPECT_NE(RunWithoutDisplay({}).second, 0);
}

}  // namespace
