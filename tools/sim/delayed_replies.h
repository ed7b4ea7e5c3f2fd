#pragma once
// Replies held back by --delay-ms until they are due. A flood of requests during a long delay once
// grew the simulator to hundreds of megabytes, so the queue has a bound: a reply that finds it full is
// dropped and counted, like a device that runs out of buffers.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace korva::sim {

// Where a reply goes: the requester's address and port, host byte order.
struct ReplyAddress {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

struct Outgoing {
    std::size_t socket = 0;  // the answering device's address in the range, so the reply comes from there
    ReplyAddress to;
    std::string bytes;
};

class DelayedReplies {
public:
    using Clock = std::chrono::steady_clock;

    // About a megabyte at most, and room for the longest delay (60 s) of a request every 15 ms.
    static constexpr std::size_t kDefaultCapacity = 4096;

    explicit DelayedReplies(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

    // false when the queue is full and the reply was dropped.
    bool Add(Clock::time_point due, Outgoing reply);
    // The replies due by now, oldest first, taken out of the queue.
    std::vector<Outgoing> TakeDue(Clock::time_point now);
    std::optional<Clock::time_point> NextDue() const;

    std::size_t Waiting() const { return queue_.size(); }
    std::size_t MostWaiting() const { return mostWaiting_; }
    std::uint64_t Dropped() const { return dropped_; }

private:
    struct Entry {
        Clock::time_point due;
        Outgoing reply;
    };

    std::size_t capacity_;
    // Every reply waits the same delay, so they fall due in the order they came: a queue, not a heap.
    std::deque<Entry> queue_;
    std::size_t mostWaiting_ = 0;
    std::uint64_t dropped_ = 0;
};

}  // namespace korva::sim
