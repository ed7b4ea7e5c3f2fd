#include "tools/korvactl/address_file.h"

#include "tools/korvactl/input_file.h"

#include <istream>

namespace korva::ctl {

std::vector<std::string> ReadAddressLines(std::istream& in) {
    std::vector<std::string> names;
    std::string line;
    while (std::getline(in, line)) {
        line.resize(std::min(line.find('#'), line.size()));
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos)
            continue;
        const std::size_t last = line.find_last_not_of(" \t\r");
        names.push_back(line.substr(first, last - first + 1));
    }
    return names;
}

std::optional<std::vector<std::string>> CollectDeviceNames(const std::vector<std::string>& names,
                                                           const std::vector<std::string>& files, std::string& error) {
    std::vector<std::string> all = names;
    for (const std::string& file : files) {
        std::string reason;
        if (auto in = OpenInputFile(file, reason)) {
            for (std::string& name : ReadAddressLines(*in))
                all.push_back(std::move(name));
            reason = ReadError(*in);
        }
        if (!reason.empty()) {
            error = "cannot read the device list " + file + ": " + reason;
            return std::nullopt;
        }
    }
    return all;
}

}  // namespace korva::ctl
