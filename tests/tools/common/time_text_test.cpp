// Times as both programs print them.
#include "tools/common/time_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace korva::tools {
namespace {

using std::chrono::milliseconds;
using std::chrono::system_clock;

// TZ as each C library reads it; nullptr: none.
void SetTimeZone(const char* zone) {
#ifdef _WIN32
    _putenv_s("TZ", zone != nullptr ? zone : "");
    _tzset();
#else
    if (zone != nullptr)
        setenv("TZ", zone, 1);
    else
        unsetenv("TZ");
    tzset();
#endif
}

system_clock::time_point At(long long millisSinceEpoch) {
    return system_clock::time_point(milliseconds(millisSinceEpoch));
}

TEST(TimeText, IsoUtcToTheMillisecondWithLeadingZeros) {
    EXPECT_EQ(TimeText(At(0), TimeStyle::kIsoUtc), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(TimeText(At(1'796'630'478'005), TimeStyle::kIsoUtc), "2026-12-07T08:01:18.005Z");
    EXPECT_EQ(TimeText(At(1'796'630'478'999), TimeStyle::kIsoUtc), "2026-12-07T08:01:18.999Z");
}

TEST(TimeText, LocalClockIsTheTimeOfDayInTheLocalZone) {
    const char* saved = std::getenv("TZ");
    const std::string before = saved ? saved : "";
    SetTimeZone("UTC-2");  // zones count westwards: two hours east of UTC
    EXPECT_EQ(TimeText(At(1'796'630'478'042), TimeStyle::kLocalClock), "10:01:18.042");
    EXPECT_EQ(TimeText(At(1'796'630'478'042), TimeStyle::kIsoUtc), "2026-12-07T08:01:18.042Z");
    SetTimeZone(saved != nullptr ? before.c_str() : nullptr);
}

}  // namespace
}  // namespace korva::tools
