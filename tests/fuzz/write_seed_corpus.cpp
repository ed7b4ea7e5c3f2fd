// write_seed_corpus DIR: writes DIR/<target>/* for each fuzz target, the fuzzers' starting inputs.
#include "tests/fuzz/seed_inputs.h"

#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

void WriteAll(const std::filesystem::path& folder, const std::vector<std::string>& seeds) {
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < seeds.size(); ++i)
        std::ofstream(folder / ("seed-" + std::to_string(i)), std::ios::binary) << seeds[i];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: write_seed_corpus DIR\n";
        return 2;
    }
    const std::filesystem::path root = argv[1];
    WriteAll(root / "reply", korva::fuzz::ReplySeeds());
    WriteAll(root / "settings", korva::fuzz::SettingsSeeds());
    WriteAll(root / "korvactl_inputs", korva::fuzz::KorvactlInputSeeds());
    WriteAll(root / "console_core", korva::fuzz::ConsoleCoreSeeds());
    WriteAll(root / "apply_plan", korva::fuzz::ApplyPlanSeeds());
    return 0;
}
