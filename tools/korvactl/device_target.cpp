#include "tools/korvactl/device_target.h"

#include "transport/host_address.h"
#include "transport/udp_endpoint.h"

#include <algorithm>
#include <unordered_map>

namespace korva::ctl {

std::string OneLine(std::string message) {
    for (std::size_t at; (at = message.find("\r\n")) != std::string::npos;)
        message.replace(at, 2, " ");
    std::replace(message.begin(), message.end(), '\r', ' ');
    std::replace(message.begin(), message.end(), '\n', ' ');
    while (!message.empty() && message.back() == ' ')
        message.pop_back();
    return message;
}

DeviceTarget ResolveTarget(const std::string& name) {
    DeviceTarget target{name, {}, {}};
    try {
        const std::uint32_t address = transport::ResolveHost(name);
        target.address = std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
                         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
    } catch (const transport::SocketError& error) {
        target.error = OneLine(error.what());
    }
    return target;
}

std::vector<DeviceTarget> ResolveTargets(const std::vector<std::string>& names, std::vector<std::string>& warnings) {
    std::vector<DeviceTarget> targets;
    // Lists of many thousand devices come from files; a search through the targets for each name
    // made the check quadratic.
    std::unordered_map<std::string, std::size_t> targetOfAddress;
    for (const std::string& name : names) {
        DeviceTarget target = ResolveTarget(name);
        if (!target.address.empty()) {
            const auto [known, added] = targetOfAddress.try_emplace(target.address, targets.size());
            if (!added) {
                warnings.push_back(name + " is " + target.address + " like " + targets[known->second].name +
                                   "; asked once");
                continue;
            }
        }
        targets.push_back(std::move(target));
    }
    return targets;
}

}  // namespace korva::ctl
