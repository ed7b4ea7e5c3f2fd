// Texts the window builds itself: readings with a decimal comma whatever the locale, the clock, the
// version in the caption and the default error box's full stop.
#include <gtest/gtest.h>
#include <QLocale>
#include <climits>
#include <string>

#include "console/display_formats.h"
#include "console/version_text.h"
#include "tests/support/local_time.h"

namespace {

using korva::console::ClockText;
using korva::console::DegreesText;
using korva::console::ErrorBoxText;
using korva::console::PercentText;
using korva::console::ProgramVersionText;
using korva::console::VersionText;
using korva::console::VoltsText;
using korva::testing::LocalTime;

TEST(DisplayFormats, ReadingsUseADecimalCommaWhateverTheLocale) {
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German)}) {
        QLocale::setDefault(locale);
        struct Case {
            std::string shown, expected;
        };
        const Case cases[] = {
            {VoltsText(244), "24,4V"},
            {VoltsText(0), "0,0V"},
            {VoltsText(5), "0,5V"},
            {VoltsText(-5), "-0,5V"},
            {VoltsText(-123), "-12,3V"},
            {VoltsText(123456), "12345,6V"},
            {VoltsText(INT_MIN), "-214748364,8V"},
            {DegreesText(26), "26°C"},
            {DegreesText(-3), "-3°C"},
            {PercentText(60), "60%"},
            {ClockText(LocalTime(2016, 3, 7, 14, 5, 9)), "07/03/16 14:05:09"},
            {ClockText(LocalTime(2031, 12, 31, 0, 0, 0)), "31/12/31 00:00:00"},
        };
        for (const Case& c : cases)
            EXPECT_EQ(c.shown, c.expected);
    }
    QLocale::setDefault(QLocale::c());
}

TEST(VersionText, MajorDotMinorReleaseDashBuild) {
    EXPECT_EQ(VersionText(1, 2, 0, 22), "1.20-022");
    EXPECT_EQ(VersionText(1, 0, 0, 1), "1.00-001");
    EXPECT_EQ(VersionText(2, 10, 3, 1234), "2.103-1234");
    EXPECT_EQ(ProgramVersionText(), "1.00-001");
}

TEST(ErrorBoxText, FullStopOnlyAfterCharactersThatSortAfterIt) {
    struct Case {
        std::string message, shown;
    };
    const Case cases[] = {
        {"Socket Error # 11001\r\nHost not found.", "Socket Error # 11001\r\nHost not found."},
        {"Unable to write to /tmp/KorvaCfg.ini", "Unable to write to /tmp/KorvaCfg.ini."},
        {"Socket Error # 4\r\n", "Socket Error # 4\r\n"},
        {"ends in a dash -", "ends in a dash -"},
        {"ends in a slash /", "ends in a slash /."},
        {"acentuação", "acentuação."},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
}

}  // namespace
