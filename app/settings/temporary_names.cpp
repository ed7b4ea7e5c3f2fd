#include "app/settings/temporary_names.h"

namespace korva::app {

std::string TemporaryName(const std::string& target, unsigned long writer, unsigned attempt) {
    return target + ".tmp" + std::to_string(writer) + "-" + std::to_string(attempt);
}

unsigned long WriterOf(std::string_view entry, std::string_view targetName) {
    const std::string_view prefix = ".tmp";
    if (entry.size() <= targetName.size() + prefix.size() || entry.substr(0, targetName.size()) != targetName ||
        entry.substr(targetName.size(), prefix.size()) != prefix) {
        return 0;
    }
    const std::string_view rest = entry.substr(targetName.size() + prefix.size());
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 9 ||
        rest.find_first_not_of("0123456789-") != std::string_view::npos) {
        return 0;
    }
    unsigned long writer = 0;
    for (char digit : rest.substr(0, dash))
        writer = writer * 10 + static_cast<unsigned long>(digit - '0');
    return writer;
}

}  // namespace korva::app
