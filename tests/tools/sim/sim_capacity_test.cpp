// The simulator's weighing of a range before it allocates: which ranges it refuses, and why.
#include "tools/sim/sim_capacity.h"

#include <gtest/gtest.h>

namespace korva::sim {
namespace {

SimOptions Serving(const char* range, std::optional<std::uint64_t> devices = std::nullopt) {
    SimOptions options;
    options.addresses = *ParseIpv4Range(range);
    options.devices = devices;
    return options;
}

TEST(SimCapacity, RangesBeyondTheDescriptorsOrTheMemoryAreRefusedWithTheReason) {
    constexpr std::uint64_t kMillion = 1'000'000;
    const struct {
        const char* what;
        SimOptions options;
        std::uint64_t descriptors;
        const char* problem;  // empty: it fits
    } cases[] = {
        {"a /8", Serving("127.0.0.0/8"), 20'000,
         "16777216 addresses need as many sockets, and this process may open 20000 descriptors at most (ulimit "
         "-Hn); listen on fewer addresses"},
        {"the sockets and the few others just fit", Serving("127.0.0.0/18"), 16'384 + kOtherDescriptors, ""},
        {"one descriptor short", Serving("127.0.0.0/18"), 16'384 + kOtherDescriptors - 1,
         "16384 addresses need as many sockets, and this process may open 16399 descriptors at most (ulimit -Hn); "
         "listen on fewer addresses"},
        {"a /12 of devices where descriptors abound", Serving("127.0.0.0/12"), 4 * kMillion,
         "1048576 addresses with 1048576 devices need about "},
        {"the same /12 with ten devices", Serving("127.0.0.0/12", 10), 4 * kMillion, ""},
        {"more devices than addresses count as the addresses", Serving("127.0.40.0/24", 1'000'000'000), 20'000, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string problem = CapacityProblem(c.options, c.descriptors, kMemoryBudget);
        if (*c.problem == '\0')
            EXPECT_EQ(problem, "");
        else
            EXPECT_EQ(problem.rfind(c.problem, 0), 0u) << problem;
    }
    EXPECT_NE(CapacityProblem(Serving("127.0.0.0/12"), 4 * kMillion, kMemoryBudget)
                  .find("more than the 1024 MB the simulator allows itself; listen on fewer addresses or put fewer "
                        "devices on them (--devices)"),
              std::string::npos);
}

TEST(SimCapacity, TheEstimateGrowsWithTheDevicesAndStaysWithinTheBudgetForASlash16) {
    EXPECT_LT(MemoryNeeded(Serving("127.0.0.0/12", 10)), MemoryNeeded(Serving("127.0.0.0/12", 11)));
    EXPECT_LT(MemoryNeeded(Serving("127.0.0.0/16")), kMemoryBudget);
    EXPECT_EQ(MemoryNeeded(Serving("127.0.40.0/24", 1'000'000)), MemoryNeeded(Serving("127.0.40.0/24")));
}

}  // namespace
}  // namespace korva::sim
