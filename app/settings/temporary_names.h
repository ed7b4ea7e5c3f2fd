#pragma once
// The names of the temporary files a save writes beside its target, "<target>.tmp<pid>-<n>": the
// writer's process number in the name lets the next save remove what a killed writer left.
#include <string>
#include <string_view>

namespace korva::app {

std::string TemporaryName(const std::string& target, unsigned long writer, unsigned attempt);

// The writer's process number in entry, a name in the target's folder, or 0 when entry is not one of
// targetName's temporary files.
unsigned long WriterOf(std::string_view entry, std::string_view targetName);

}  // namespace korva::app
