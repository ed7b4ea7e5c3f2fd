#pragma once
// The plain reply lines a device of a given form sends, and how it puts them on the wire.
//
// Fields are counted after the header as the console counts them: field k is comma field h + k of the
// line, with h = 2 for the new form (version, key and n come first) and 0 otherwise. Every reply runs to
// field 26, where the general changed-parameters flag sits; unused fields carry a filler, never an
// empty field, because readers skip empty fields and every later field would move down.
#include "protocol/unscramble.h"
#include "tools/sim/device_state.h"

#include <string>

namespace korva::sim {

std::string StatusLine(const DeviceState& state, const ScrambleForm& form);
std::string ParameterLine(const DeviceState& state, const ScrambleForm& form);
std::string ResetLine(const DeviceState& state, const ScrambleForm& form, bool acknowledged);
std::string WriteLine(const DeviceState& state, const ScrambleForm& form);

// The bytes that go out for a plain line. The receiver trims bytes of 32 or less from both ends before
// it unscrambles, so a line whose scrambled last byte would land there gets harmless trailing commas
// (empty fields, which readers skip) or, when no comma position helps, one filler field past field 26.
std::string SendableLine(std::string plain, const ScrambleForm& form);

// Empty when the form can be decoded by the console; otherwise why not.
std::string FormProblem(const ScrambleForm& form);

}  // namespace korva::sim
