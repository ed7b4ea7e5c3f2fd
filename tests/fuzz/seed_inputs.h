#pragma once
// Seed inputs for the fuzzers, also replayed by an ordinary test: known replies, every reply form,
// truncated prefixes, empty fields, high bytes, very long lines, odd settings files.
#include <string>
#include <vector>

namespace korva::fuzz {

std::vector<std::string> ReplySeeds();
std::vector<std::string> SettingsSeeds();

}  // namespace korva::fuzz
