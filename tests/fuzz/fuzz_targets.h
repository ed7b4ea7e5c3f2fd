#pragma once
// Entry points shared by the libFuzzer programs and the ordinary test that replays the seed inputs.
#include <cstddef>
#include <cstdint>

namespace korva::fuzz {

// Unscrambles, reads the reply in every way the console and korvactl do, and renders korvactl's JSON.
void DecodeReply(const std::uint8_t* data, std::size_t size);
// Loads the bytes as a settings file, reads the console's keys, changes them and renders the result.
void ReadSettingsFile(const std::uint8_t* data, std::size_t size);
// Reads the bytes as korvactl's own inputs: as a device list file, as command-line arguments one a line
// (for every network command), as durations, new parameters and `decode`'s hex lines; and builds
// durations, counts, subnets and hex lines from the bytes whose parsed values are known.
void ReadKorvactlInputs(const std::uint8_t* data, std::size_t size);
// Reads the bytes as a run of the console: operator actions, polling ticks, datagrams and names found or
// not, in any order, against the console's rules; checks what they promise (no answer counted twice, no
// reset command beyond the fifteenth, NÃO sends nothing, the automatic parameter request ends after a
// parameter reply until another device or the restarted one is polled, nothing thrown).
void DriveConsoleCore(const std::uint8_t* data, std::size_t size);
// Reads the bytes as a fleet of simulated devices, a plan for it and the faults of its network, applies
// the plan and, when nothing went wrong, applies it again; checks that each row's result tells what its
// device may hold, that a write reaches only the row's MAC, and that a second run changes nothing.
void DriveApplyPlan(const std::uint8_t* data, std::size_t size);

}  // namespace korva::fuzz
