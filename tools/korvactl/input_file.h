#pragma once
// Files korvactl reads (device lists, captured datagrams). A directory opens like a file on Linux and
// then reads as empty, so it is refused by name here instead of passing for an empty list.
#include <fstream>
#include <optional>
#include <string>

namespace korva::ctl {

// The file opened for reading, or nullopt with the system's reason ("Is a directory") in reason.
std::optional<std::ifstream> OpenInputFile(const std::string& path, std::string& reason);

// After reading in to its end: the system's reason when the reading stopped on an error, else empty.
std::string ReadError(const std::ifstream& in);

}  // namespace korva::ctl
