#pragma once
// What a window shows for the device's numbers, for the time of a reply and in its error box, as UTF-8
// for every front end. The console shows a decimal comma and "/" ":" separators on every machine, so
// these format by hand and never ask the system locale.
#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

#include "console/console_texts.h"

namespace korva {
struct StatusReading;
}  // namespace korva

namespace korva::console {

// Battery voltage from tenths of a volt, one decimal: 244 -> "24,4V".
std::string VoltsText(std::int32_t tenths);
// Temperature in whole degrees: 26 -> "26°C".
std::string DegreesText(std::int32_t celsius);
// Relative humidity in whole percent: 60 -> "60%".
std::string PercentText(std::int32_t percent);
// Two-digit day, month and year, 24-hour time, from a local time: "07/03/16 14:05:09".
std::string ClockText(const std::tm& local);
// The same for a moment, in this machine's time zone.
std::string ClockText(std::chrono::system_clock::time_point at);

// What a status reply shows: each reading's text, also what a screen reader says of it, and the state
// of each indicator, which decides its colour, its boxed caption and its words.
struct StatusDisplay {
    std::string battery;
    std::string temperature;
    std::string humidity;
    texts::LedState presence;
    texts::LedState resetEc;
    texts::LedState link1;
    texts::LedState link2;  // dark for devices with one link
    texts::LedState link3;
};
StatusDisplay StatusDisplayOf(const StatusReading& status);

// The message as the error box shows it: a "." is added when the last byte sorts after ".", so a
// message that already ends in a full stop (or a line break) is left alone.
std::string ErrorBoxText(const std::string& message);

}  // namespace korva::console
