#include "tools/common/time_text.h"

#include <ctime>
#include <iomanip>
#include <sstream>

namespace korva::tools {

std::string TimeText(std::chrono::system_clock::time_point time, TimeStyle style) {
    const auto since = time.time_since_epoch();
    const std::time_t seconds = std::chrono::duration_cast<std::chrono::seconds>(since).count();
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(since).count() % 1000;
    std::tm parts{};
    std::ostringstream text;
    if (style == TimeStyle::kIsoUtc) {
        gmtime_r(&seconds, &parts);
        text << std::put_time(&parts, "%Y-%m-%dT%H:%M:%S");
    } else {
        localtime_r(&seconds, &parts);
        text << std::put_time(&parts, "%H:%M:%S");
    }
    text << '.' << std::setw(3) << std::setfill('0') << millis;
    if (style == TimeStyle::kIsoUtc)
        text << 'Z';
    return text.str();
}

}  // namespace korva::tools
