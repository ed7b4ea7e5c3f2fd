#pragma once
// The devices a command talks to: each name the user gave, resolved once up front. Replies are told
// apart by their sender's address, and requests go only to these addresses.
#include <string>
#include <vector>

namespace korva::ctl {

struct DeviceTarget {
    std::string name;     // as the user typed it
    std::string address;  // dotted quad; empty when the name could not be resolved
    std::string error;    // why not
};

// Resolves every name ("localhost", dotted quads, host names). A name that resolves to an address
// already in the list is left out with a warning on warnings: its replies could not be told apart.
std::vector<DeviceTarget> ResolveTargets(const std::vector<std::string>& names, std::vector<std::string>& warnings);
DeviceTarget ResolveTarget(const std::string& name);

// "Socket Error # 11001" CR LF "Host not found." as one line: "Socket Error # 11001 Host not found."
std::string OneLine(std::string message);

}  // namespace korva::ctl
