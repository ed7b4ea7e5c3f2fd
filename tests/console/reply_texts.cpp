#include "reply_texts.h"

#include <algorithm>

std::string WithGeneralChangedFlag(std::string line, int headerOffset) {
    const auto fields = static_cast<int>(std::count(line.begin(), line.end(), ',')) + 1;
    for (int field = fields; field < headerOffset + 25; ++field)
        line += ",0";
    return line + ",ALT";
}
