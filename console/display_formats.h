#pragma once
// What the window shows for the device's numbers and for the time of a reply. The console shows a
// decimal comma and "/" ":" separators on every machine, so these format by hand and never ask the
// system locale.
#include <QDateTime>
#include <QString>
#include <cstdint>

namespace korva::console {

// Battery voltage from tenths of a volt, one decimal: 244 -> "24,4V".
QString VoltsText(std::int32_t tenths);
// Temperature in whole degrees: 26 -> "26°C".
QString DegreesText(std::int32_t celsius);
// Relative humidity in whole percent: 60 -> "60%".
QString PercentText(std::int32_t percent);
// Two-digit day, month and year, 24-hour time: "07/03/16 14:05:09".
QString ClockText(const QDateTime& moment);

}  // namespace korva::console
