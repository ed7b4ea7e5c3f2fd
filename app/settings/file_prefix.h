#pragma once
// The beginning of a file, up to a limit, for the settings reader: file_prefix_posix.cpp or
// file_prefix_win32.cpp.
#include <cstddef>
#include <string>

namespace korva::app {

// At most limit bytes; complete is false when the file exists but was not read whole (unreadable, not a
// regular file, or longer than limit). A missing file reads as empty and complete.
std::string ReadFilePrefix(const std::string& path, std::size_t limit, bool& complete);

}  // namespace korva::app
