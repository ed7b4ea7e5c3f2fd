#pragma once
// The version the caption shows, read from the executable's own version resource, so that the file's
// properties and the window can never tell two versions.
#include <string>

namespace korva::console::win32 {

// "1.00-001" for file version 1.0.0.1; empty when the executable carries no version resource.
std::string ExecutableVersionText();

}  // namespace korva::console::win32
