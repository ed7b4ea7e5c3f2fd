#pragma once
// A calendar date and time in this machine's time zone, for tests of what the window shows of a moment.
#include <chrono>
#include <ctime>

namespace korva::testing {

inline std::tm LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;  // whatever the zone says of that day
    return local;
}

inline std::chrono::system_clock::time_point LocalMoment(int year, int month, int day, int hour, int minute,
                                                         int second) {
    std::tm local = LocalTime(year, month, day, hour, minute, second);
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

}  // namespace korva::testing
