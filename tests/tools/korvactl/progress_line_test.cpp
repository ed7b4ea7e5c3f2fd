#include "tools/korvactl/output/progress_line.h"

#include <gtest/gtest.h>

namespace korva::ctl {
namespace {

TEST(ProgressLine, TellsCountsRateAndTimeLeft) {
    using Seconds = std::chrono::duration<double>;
    const struct {
        std::uint64_t total;
        ProgressCounts counts;
        double elapsed;
        const char* text;
    } cases[] = {
        {4096, {0, 0, 0}, 0.3, "scan: asking 0/4096, 0 found, 0 failed"},
        {4096, {1200, 37, 2}, 6.0, "scan: asking 1200/4096, 37 found, 2 failed, 200/s, ETA 15s"},
        {65536, {1000, 3, 0}, 5.0, "scan: asking 1000/65536, 3 found, 0 failed, 200/s, ETA 5m23s"},
        {16777216, {1000, 0, 0}, 5.0, "scan: asking 1000/16777216, 0 found, 0 failed, 200/s, ETA 23h18m"},
        {256, {256, 20, 0}, 1.28, "scan: asking 256/256, 20 found, 0 failed, 200/s"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressLine::Text("scan: ", "ctl.progress.asking", c.total, c.counts, Seconds(c.elapsed),
                                     language::English()),
                  c.text);
}

}  // namespace
}  // namespace korva::ctl
