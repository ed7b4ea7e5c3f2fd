#pragma once
// The benchmarks' command lines: "--name value" pairs, each handed to the setter of its name.
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

namespace korva::bench {

using OptionSetters = std::map<std::string, std::function<void(const std::string& value)>>;

// Reads the pairs from argv[first] on. Throws std::invalid_argument for a name without a setter, so
// that a mistyped option is not measured with its default.
inline void ReadOptions(int argc, char** argv, int first, const OptionSetters& setters) {
    for (int i = first; i + 1 < argc; i += 2) {
        const auto setter = setters.find(argv[i]);
        if (setter == setters.end())
            throw std::invalid_argument(std::string("unknown option ") + argv[i]);
        setter->second(argv[i + 1]);
    }
}

}  // namespace korva::bench
