// Lookups away from the owner's thread: an answer waits until the owner serves it, and once the owner
// has gone, a lookup still running wakes nobody.
#include "transport/background_lookups.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "tests/support/test_resolvers.h"

namespace {

using namespace std::chrono_literals;
constexpr std::uint32_t kFound = 0x7F000001;

bool Within(std::chrono::milliseconds bound, const auto& done) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(BackgroundLookups, AnAnswerReachesTheOwnerWhenItServesThemAndNoneWakesItOnceItIsGone) {
    auto resolver = std::make_shared<SlowResolver>(kFound, 10s);
    std::atomic<int> wakes = 0;
    std::vector<std::optional<std::uint32_t>> heard;
    {
        korva::transport::BackgroundLookups lookups(resolver, [&] { ++wakes; });
        for (int i = 0; i < 2; ++i)
            lookups.Start("korva.site", [&](std::optional<std::uint32_t> address) { heard.push_back(address); });
        ASSERT_TRUE(Within(5s, [&] { return resolver->Asked() == 2; })) << "both at once, neither waiting";
        lookups.ServeFinished();
        EXPECT_TRUE(heard.empty()) << "nothing has been found yet";
        resolver->Answer();
        ASSERT_TRUE(Within(5s, [&] { return wakes == 2; }));
        EXPECT_TRUE(heard.empty()) << "answers wait for the owner";
        lookups.ServeFinished();
        EXPECT_EQ(heard, (std::vector<std::optional<std::uint32_t>>{kFound, kFound}));
    }
    auto held = std::make_shared<SlowResolver>(kFound, 10s);
    {
        korva::transport::BackgroundLookups lookups(held, [&] { ++wakes; });
        lookups.Start("korva.site", [](std::optional<std::uint32_t>) { FAIL() << "heard after its owner went"; });
        ASSERT_TRUE(Within(5s, [&] { return held->Asked() == 1; }));
    }
    held->Answer();
    ASSERT_TRUE(Within(5s, [&] { return held->Answered() == 1; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(wakes, 2) << "the lookup finished after its owner had gone, and woke nobody";
}

}  // namespace
