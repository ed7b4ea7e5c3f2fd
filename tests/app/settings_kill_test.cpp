// A console killed with SIGKILL in the middle of saving its settings leaves the old file or the new
// one, never a mixture or a truncated one. A helper program saves in a loop; it is killed at random
// moments, a bounded number of times.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "settings_saver.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kRounds = 40;

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Starts the saver on path and returns its process id once its first save is done; -1 on failure.
pid_t StartSaver(const fs::path& path) {
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ready[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    const std::string program = KORVA_SETTINGS_SAVER;
    const std::string target = path.string();
    char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(target.c_str()), nullptr};
    pid_t saver = -1;
    const bool spawned = posix_spawn(&saver, program.c_str(), &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    pollfd line{ready[0], POLLIN, 0};
    char byte = 0;
    const bool saving = spawned && poll(&line, 1, 10'000) == 1 && read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    if (spawned && !saving) {
        kill(saver, SIGKILL);
        waitpid(saver, nullptr, 0);
    }
    return saving ? saver : -1;
}

bool SameSettings(const korva::app::ConsoleSettings& a, const korva::app::ConsoleSettings& b) {
    return a.address == b.address && a.mask == b.mask && a.gateway == b.gateway;
}

TEST(SettingsKillTest, KilledWhileSavingLeavesTheOldFileOrTheNewOneNeverABrokenOne) {
    char pattern[] = "/tmp/korva-kill-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path folder = pattern;
    const fs::path path = folder / "KorvaCfg.ini";

    // A long comment the writer must carry over makes every save take a while, so that most kills land
    // in the middle of one.
    std::string comment;
    for (int line = 0; line < 4096; ++line)
        comment += "; kept by every save " + std::to_string(line) + "\r\n";
    const fs::path scratch = folder / "scratch.ini";
    WriteAll(scratch, comment);
    korva::app::WriteConsoleSettings(scratch.string(), settings_saver::kFirst);
    const std::string firstText = ReadAll(scratch);
    korva::app::WriteConsoleSettings(scratch.string(), settings_saver::kSecond);
    const std::string secondText = ReadAll(scratch);
    fs::remove(scratch);
    ASSERT_NE(firstText, secondText);

    std::mt19937 random(11);
    std::uniform_int_distribution<int> pauseMicroseconds(0, 20'000);
    int first = 0;
    int second = 0;
    int leftovers = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        WriteAll(path, round % 2 == 0 ? firstText : secondText);
        const pid_t saver = StartSaver(path);
        ASSERT_GT(saver, 0) << "the saver did not start saving";
        std::this_thread::sleep_for(std::chrono::microseconds(pauseMicroseconds(random)));
        ASSERT_EQ(kill(saver, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(saver, &status, 0), saver);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended by itself";

        const std::string text = ReadAll(path);
        ASSERT_TRUE(text == firstText || text == secondText) << "a broken file of " << text.size() << " bytes";
        const korva::app::ConsoleSettings read = korva::app::ReadConsoleSettings(path.string());
        EXPECT_TRUE(SameSettings(read, text == firstText ? settings_saver::kFirst : settings_saver::kSecond));
        (text == firstText ? first : second) += 1;
        // A kill between creating the temporary file and renaming it leaves that file behind.
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (entry.path() != path) {
                ++leftovers;
                fs::remove(entry.path());
            }
        }
    }
    std::cout << "figure settings_kill.rounds: " << kRounds << "\nfigure settings_kill.first_values: " << first
              << "\nfigure settings_kill.second_values: " << second
              << "\nfigure settings_kill.temporary_files_left: " << leftovers << std::endl;
    fs::remove_all(folder);
}

}  // namespace
