// The fuzzers' seeds and every input a fuzzer once crashed on, run as an ordinary test.
#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/seed_inputs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace korva::fuzz {
namespace {

using Target = void (*)(const std::uint8_t*, std::size_t);

void RunAll(Target target, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs)
        target(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

std::vector<std::string> Regressions(const char* kind) {
    std::vector<std::string> inputs;
    const auto folder = std::filesystem::path(KORVA_FUZZ_REGRESSIONS) / kind;
    if (!std::filesystem::is_directory(folder))
        return inputs;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        inputs.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return inputs;
}

TEST(FuzzSeeds, ReplyDecodingKeepsItsPromises) {
    const auto seeds = ReplySeeds();
    ASSERT_GT(seeds.size(), 50u);
    // reply_fuzzer cuts longer inputs to a datagram's length, so a longer seed would not be what it says.
    for (const std::string& seed : seeds)
        EXPECT_LE(seed.size(), kLongestDatagram) << seed.substr(0, 40);
    RunAll(DecodeReply, seeds);
    RunAll(DecodeReply, Regressions("reply"));
}

TEST(FuzzSeeds, SettingsReaderKeepsItsPromises) {
    RunAll(ReadSettingsFile, SettingsSeeds());
    RunAll(ReadSettingsFile, Regressions("settings"));
}

TEST(FuzzSeeds, KorvactlInputReadersKeepTheirPromises) {
    RunAll(ReadKorvactlInputs, KorvactlInputSeeds());
    RunAll(ReadKorvactlInputs, Regressions("korvactl_inputs"));
}

TEST(FuzzSeeds, ApplyKeepsItsPromisesAgainstAFleet) {
    RunAll(DriveApplyPlan, ApplyPlanSeeds());
    RunAll(DriveApplyPlan, Regressions("apply_plan"));
}

TEST(FuzzSeeds, ConsoleRulesKeepTheirPromises) {
    RunAll(DriveConsoleCore, ConsoleCoreSeeds());
    RunAll(DriveConsoleCore, Regressions("console_core"));
}

}  // namespace
}  // namespace korva::fuzz
