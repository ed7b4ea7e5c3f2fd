// Times as both programs print them.
#include "tools/common/time_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace korva::tools {
namespace {

using std::chrono::milliseconds;
using std::chrono::system_clock;

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
    setenv("TZ", "UTC-2", 1);  // POSIX zones count westwards: two hours east of UTC
    tzset();
    EXPECT_EQ(TimeText(At(1'796'630'478'042), TimeStyle::kLocalClock), "10:01:18.042");
    EXPECT_EQ(TimeText(At(1'796'630'478'042), TimeStyle::kIsoUtc), "2026-12-07T08:01:18.042Z");
    if (saved)
        setenv("TZ", before.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace korva::tools
