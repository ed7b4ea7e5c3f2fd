#include "console/display_formats.h"

#include <cstdlib>

namespace korva::console {

QString VoltsText(std::int32_t tenths) {
    // 64 bits so that the most negative reading still has a magnitude.
    const std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(tenths));
    const QString sign = tenths < 0 ? QStringLiteral("-") : QString();
    return sign + QString::number(magnitude / 10) + u',' + QString::number(magnitude % 10) + u'V';
}

QString DegreesText(std::int32_t celsius) {
    return QString::number(celsius) + QStringLiteral("°C");
}

QString PercentText(std::int32_t percent) {
    return QString::number(percent) + u'%';
}

QString ClockText(const QDateTime& moment) {
    // Numeric format codes are locale-independent in QDateTime::toString; only names would not be.
    return moment.toString(QStringLiteral("dd/MM/yy HH:mm:ss"));
}

}  // namespace korva::console
