// The built console, run from a folder of its own, told to end with SIGTERM as a logout or `kill`
// does: it must exit normally and write its settings file beside itself on the way out.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "app/console_settings.h"
#include "tests/support/udp_sockets.h"

namespace {

namespace fs = std::filesystem;
constexpr std::chrono::seconds kPatience{30};

// The console opens its UDP endpoint once its window is up and its signal handling is in place.
bool HasUdpSocket(pid_t pid) {
    return !korva::testing::UdpSocketsOf(pid).empty();
}

// The child's wait status once it has ended, or nothing after the patience has run out.
std::optional<int> WaitForExit(pid_t pid, std::chrono::seconds patience) {
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < giveUp) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

class RunningConsole : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/korvacfg-signal-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        program_ = folder_ / "KorvaCfg";
        fs::copy_file(KORVA_CONSOLE_PROGRAM, program_);
        fs::permissions(program_, fs::perms::owner_all);
    }

    void TearDown() override {
        if (pid_ > 0 && !WaitForExit(pid_, std::chrono::seconds(0))) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        fs::remove_all(folder_);
    }

    void Start() {
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            execl(program_.c_str(), program_.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    fs::path SettingsFile() const { return korva::app::SettingsPathIn(folder_.string()); }

    fs::path folder_;
    fs::path program_;
    pid_t pid_ = -1;
};

TEST_F(RunningConsole, SigtermSavesTheSettingsAndExitsNormally) {
    korva::app::ConsoleSettings settings;
    settings.address = "127.0.0.215";
    settings.mask = "255.255.255.240";
    korva::app::WriteConsoleSettings(SettingsFile().string(), settings);
    Start();

    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (!HasUdpSocket(pid_) && std::chrono::steady_clock::now() < giveUp) {
        ASSERT_FALSE(WaitForExit(pid_, std::chrono::seconds(0))) << "the console ended on its own";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(HasUdpSocket(pid_)) << "the console did not come up";
    // Only a save at the end can bring the file back.
    ASSERT_TRUE(fs::remove(SettingsFile()));

    ASSERT_EQ(kill(pid_, SIGTERM), 0);
    const std::optional<int> status = WaitForExit(pid_, kPatience);
    ASSERT_TRUE(status.has_value()) << "still running after SIGTERM";
    pid_ = -1;
    ASSERT_FALSE(WIFSIGNALED(*status)) << "ended by signal " << WTERMSIG(*status);
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    ASSERT_TRUE(fs::exists(SettingsFile())) << "settings not saved";
    const korva::app::ConsoleSettings saved = korva::app::ReadConsoleSettings(SettingsFile().string());
    EXPECT_EQ(saved.address, "127.0.0.215");
    EXPECT_EQ(saved.mask, "255.255.255.240");
}

}  // namespace
