#pragma once
// Seed inputs for the fuzzers, also replayed by an ordinary test: known replies, every reply form,
// truncated prefixes, empty fields, high bytes, very long lines, odd settings files, korvactl's inputs.
#include <cstddef>
#include <string>
#include <vector>

namespace korva::fuzz {

// The endpoint's receive buffer drops longer datagrams whole, so no reply is ever longer; scripts/fuzz.sh
// gives reply_fuzzer the same -max_len.
constexpr std::size_t kLongestDatagram = 8192;

std::vector<std::string> ReplySeeds();
std::vector<std::string> SettingsSeeds();
// Device list files, argument lists one a line, and byte runs the target reads as numbers.
std::vector<std::string> KorvactlInputSeeds();
// Runs of the console: automatic mode, resets, writes, flagged replies, odd datagrams.
std::vector<std::string> ConsoleCoreSeeds();
// Fleets, plans and faults: moves with and without MACs, lost and late write replies, Ctrl-C.
std::vector<std::string> ApplyPlanSeeds();

}  // namespace korva::fuzz
