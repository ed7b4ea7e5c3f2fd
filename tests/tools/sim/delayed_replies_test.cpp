#include "tools/sim/delayed_replies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korva::sim {
namespace {

using namespace std::chrono_literals;
using Clock = DelayedReplies::Clock;

Outgoing Reply(const std::string& bytes) {
    return Outgoing{0, {}, bytes};
}

std::vector<std::string> Bytes(const std::vector<Outgoing>& replies) {
    std::vector<std::string> bytes;
    for (const Outgoing& reply : replies)
        bytes.push_back(reply.bytes);
    return bytes;
}

TEST(DelayedReplies, HoldsEachReplyUntilItIsDueOldestFirst) {
    DelayedReplies queue(8);
    const Clock::time_point start{};
    EXPECT_EQ(queue.NextDue(), std::nullopt);
    ASSERT_TRUE(queue.Add(start + 10ms, Reply("a")));
    ASSERT_TRUE(queue.Add(start + 20ms, Reply("b")));
    ASSERT_TRUE(queue.Add(start + 30ms, Reply("c")));
    EXPECT_EQ(queue.NextDue(), start + 10ms);

    EXPECT_TRUE(queue.TakeDue(start + 9ms).empty());
    EXPECT_EQ(Bytes(queue.TakeDue(start + 20ms)), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(queue.NextDue(), start + 30ms);
    EXPECT_EQ(Bytes(queue.TakeDue(start + 1s)), (std::vector<std::string>{"c"}));
    EXPECT_EQ(queue.Waiting(), 0u);
    EXPECT_EQ(queue.Dropped(), 0u);
}

TEST(DelayedReplies, AFullQueueDropsAndCountsUntilRepliesGoOut) {
    DelayedReplies queue(3);
    const Clock::time_point start{};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(queue.Add(start + std::chrono::milliseconds(i), Reply(std::to_string(i))));
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(queue.Add(start + 1s, Reply("late")));
    EXPECT_EQ(queue.Waiting(), 3u);
    EXPECT_EQ(queue.Dropped(), 5u);

    EXPECT_EQ(Bytes(queue.TakeDue(start)), (std::vector<std::string>{"0"}));
    EXPECT_TRUE(queue.Add(start + 2s, Reply("room again")));
    EXPECT_FALSE(queue.Add(start + 2s, Reply("full again")));
    EXPECT_EQ(queue.Dropped(), 6u);
    EXPECT_EQ(queue.MostWaiting(), 3u);
    EXPECT_EQ(Bytes(queue.TakeDue(start + 1h)), (std::vector<std::string>{"1", "2", "room again"}));
}

}  // namespace
}  // namespace korva::sim
