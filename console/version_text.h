#pragma once
// The program's version as the window caption shows it.
#include <string>

namespace korva::console {

// major "." minor release "-" build with three digits: 1.2.0.22 -> "1.20-022".
std::string VersionText(int major, int minor, int release, int build);

// The version text of this build; empty when the build carries no version.
std::string ProgramVersionText();

}  // namespace korva::console
