#include "tools/common/time_text.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace korva::tools {

// Written with the C library into a buffer: a string stream costs more than the rest of a record's
// output, and a sweep writes one time per device.
std::string TimeText(std::chrono::system_clock::time_point time, TimeStyle style) {
    const auto since = time.time_since_epoch();
    const std::time_t seconds = std::chrono::duration_cast<std::chrono::seconds>(since).count();
    const auto millis = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count() % 1000);
    std::tm parts{};
    std::array<char, 64> text{};
    std::size_t length = 0;
    if (style == TimeStyle::kIsoUtc) {
        gmtime_r(&seconds, &parts);
        length = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S", &parts);
    } else {
        localtime_r(&seconds, &parts);
        length = std::strftime(text.data(), text.size(), "%H:%M:%S", &parts);
    }
    const int tail = std::snprintf(text.data() + length, text.size() - length,
                                   style == TimeStyle::kIsoUtc ? ".%03dZ" : ".%03d", millis);
    return std::string(text.data(), length + static_cast<std::size_t>(tail > 0 ? tail : 0));
}

}  // namespace korva::tools
