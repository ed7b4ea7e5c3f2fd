#pragma once
// Device lists kept in files: one device a line, "#" starts a comment, blank lines are skipped.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace korva::ctl {

std::vector<std::string> ReadAddressLines(std::istream& in);

// The names given as arguments, then those of each file in turn. nullopt, with the reason in error,
// when a file cannot be read (a directory cannot).
std::optional<std::vector<std::string>> CollectDeviceNames(const std::vector<std::string>& names,
                                                           const std::vector<std::string>& files, std::string& error);

}  // namespace korva::ctl
