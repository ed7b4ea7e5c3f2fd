#include "console/display_formats.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "protocol/messages.h"

namespace korva::console {

std::string VoltsText(std::int32_t tenths) {
    // 64 bits so that the most negative reading still has a magnitude.
    const std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(tenths));
    const std::string sign = tenths < 0 ? "-" : "";
    return sign + std::to_string(magnitude / 10) + ',' + std::to_string(magnitude % 10) + 'V';
}

std::string DegreesText(std::int32_t celsius) {
    return std::to_string(celsius) + "°C";
}

std::string PercentText(std::int32_t percent) {
    return std::to_string(percent) + '%';
}

std::string ClockText(const std::tm& local) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", local.tm_mday, local.tm_mon + 1,
                  (local.tm_year + 1900) % 100, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string ClockText(std::chrono::system_clock::time_point at) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    return ClockText(local);
}

namespace {

texts::LedState StateOf(bool good) {
    return good ? texts::LedState::kGood : texts::LedState::kBad;
}

// Devices before version 150 have one link only; the other two indicators stay dark for them.
texts::LedState StateOf(const std::optional<bool>& link) {
    return link ? StateOf(*link) : texts::LedState::kDark;
}

}  // namespace

StatusDisplay StatusDisplayOf(const StatusReading& status) {
    return {VoltsText(status.batteryTenths), DegreesText(status.temperature),
            PercentText(status.humidity),    StateOf(status.presence),
            StateOf(status.resetState),      StateOf(status.link1),
            StateOf(status.link2),           StateOf(status.link3)};
}

std::string ErrorBoxText(const std::string& message) {
    // UTF-8: the last byte of an accented letter sorts after "." as the letter does.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}

}  // namespace korva::console
