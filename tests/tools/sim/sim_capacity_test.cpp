// The simulator's weighing of a range before it allocates: which ranges it refuses, and why.
#include "tools/sim/sim_capacity.h"
#include "tools/sim/sim_sockets.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <vector>

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
        std::uint64_t held;
        const char* problem;  // empty: it fits
    } cases[] = {
        {"a /8", Serving("127.0.0.0/8"), 20'000, 3,
         "16777216 addresses need as many sockets, and this process may open 20000 descriptors at most (ulimit "
         "-Hn), 3 of them held already; listen on fewer addresses"},
        {"the sockets, those held and the spare just fit", Serving("127.0.0.0/18"), 16'384 + 3 + kSpareDescriptors, 3,
         ""},
        {"one descriptor short", Serving("127.0.0.0/18"), 16'384 + 3 + kSpareDescriptors - 1, 3,
         "16384 addresses need as many sockets, and this process may open 16394 descriptors at most (ulimit -Hn), "
         "3 of them held already; listen on fewer addresses"},
        // A process that was left a thousand descriptors by whatever started it.
        {"inherited descriptors count", Serving("127.0.0.0/18"), 16'384 + 3 + kSpareDescriptors, 1'003,
         "16384 addresses need as many sockets, and this process may open 16395 descriptors at most (ulimit -Hn), "
         "1003 of them held already; listen on fewer addresses"},
        {"a /12 of devices where descriptors abound", Serving("127.0.0.0/12"), 4 * kMillion, 3,
         "1048576 addresses with 1048576 devices need about "},
        {"the same /12 with ten devices", Serving("127.0.0.0/12", 10), 4 * kMillion, 3, ""},
        {"more devices than addresses count as the addresses", Serving("127.0.40.0/24", 1'000'000'000), 20'000, 3, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string problem = CapacityProblem(c.options, c.descriptors, c.held, kMemoryBudget);
        if (*c.problem == '\0')
            EXPECT_EQ(problem, "");
        else
            EXPECT_EQ(problem.rfind(c.problem, 0), 0u) << problem;
    }
    EXPECT_NE(CapacityProblem(Serving("127.0.0.0/12"), 4 * kMillion, 3, kMemoryBudget)
                  .find("more than the 1024 MB the simulator allows itself; listen on fewer addresses or put fewer "
                        "devices on them (--devices)"),
              std::string::npos);
}

#ifndef _WIN32
TEST(SimCapacity, TheDescriptorsHeldAreCounted) {
    const std::uint64_t before = DescriptorsHeld();
    std::vector<int> opened;
    for (int i = 0; i < 10; ++i)
        opened.push_back(dup(STDIN_FILENO));
    EXPECT_EQ(DescriptorsHeld(), before + 10);
    for (const int fd : opened)
        close(fd);
    EXPECT_EQ(DescriptorsHeld(), before);
}
#endif

// A range that needs exactly the budget fits; a byte more than the budget does not.
TEST(SimCapacity, TheMemoryBudgetIsABoundTheRangeMayReach) {
    for (const SimOptions& options : {Serving("127.0.40.0/24"), Serving("127.0.0.0/16", 10)}) {
        const std::uint64_t needed = MemoryNeeded(options);
        EXPECT_EQ(CapacityProblem(options, 1'000'000, 3, needed), "") << options.addresses.count;
        EXPECT_NE(CapacityProblem(options, 1'000'000, 3, needed - 1), "") << options.addresses.count;
    }
}

TEST(SimCapacity, TheEstimateGrowsWithTheDevicesAndStaysWithinTheBudgetForASlash16) {
    EXPECT_LT(MemoryNeeded(Serving("127.0.0.0/12", 10)), MemoryNeeded(Serving("127.0.0.0/12", 11)));
    EXPECT_LT(MemoryNeeded(Serving("127.0.0.0/16")), kMemoryBudget);
    EXPECT_EQ(MemoryNeeded(Serving("127.0.40.0/24", 1'000'000)), MemoryNeeded(Serving("127.0.40.0/24")));
}

}  // namespace
}  // namespace korva::sim
