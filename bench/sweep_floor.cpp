// The floor for korvactl's sweeps: one UDP socket that sends a request to every address of a range,
// taking in whatever replies are waiting after each send, then waits until every address has answered
// or none has for --quiet-ms. No decoding, no bookkeeping beyond a count: what the simulator and the
// loopback device allow, measured on the same simulator sockets as korvactl in the same run.
//
//   sweep_floor --range 127.1.0.0-127.1.39.15 --request status|params [--quiet-ms 200]
//
// Prints "asked", "answered", "seconds" (first send to the last reply or the last send, whichever is
// later), "answered_per_s" and "asked_per_s".
#include "bench/monotonic_clock.h"
#include "bench/options.h"
#include "protocol/ipv4_range.h"
#include "protocol/messages.h"
#include "tests/support/loopback_address.h"
#include "tests/support/loopback_peer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

// As large as the console's endpoint asks for, so that both receivers have the same room.
constexpr int kReceiveBuffer = 4 << 20;

// The replies waiting after patience, noting when the last of them was read.
std::uint64_t TakeWaiting(const korva::testing::LoopbackPeer& peer, std::int64_t& lastReply,
                          std::chrono::milliseconds patience = std::chrono::milliseconds(0)) {
    const std::size_t taken = peer.Discard(patience);
    if (taken > 0)
        lastReply = korva::bench::MonotonicNanoseconds();
    return taken;
}

}  // namespace

int main(int argc, char** argv) {
    std::string rangeText;
    std::string kind = "status";
    int quietMs = 200;
    korva::bench::ReadOptions(argc, argv, 1,
                              {{"--range", [&](const std::string& value) { rangeText = value; }},
                               {"--request", [&](const std::string& value) { kind = value; }},
                               {"--quiet-ms", [&](const std::string& value) { quietMs = std::stoi(value); }}});
    const auto range = korva::ParseIpv4Range(rangeText);
    if (!range || range->first >> 24 != 127 || range->Last() >> 24 != 127) {
        std::fprintf(stderr, "sweep_floor: --range must be a loopback range\n");
        return 2;
    }
    const std::string request = kind == "params" ? korva::BuildParameterRequest(false) : korva::BuildLiveDataRequest();

    korva::testing::LoopbackPeer peer("127.0.0.1");
    peer.SetReceiveBuffer(kReceiveBuffer);
    const std::int64_t start = korva::bench::MonotonicNanoseconds();
    std::int64_t lastReply = start;
    std::uint64_t answered = 0;
    for (std::uint64_t i = 0; i < range->count; ++i) {
        peer.TrySend(korva::testing::LoopbackAddress(range->At(i), korva::kDevicePort), request);
        answered += TakeWaiting(peer, lastReply);
    }
    const std::int64_t sent = korva::bench::MonotonicNanoseconds();
    while (answered < range->count) {
        const std::uint64_t taken = TakeWaiting(peer, lastReply, std::chrono::milliseconds(quietMs));
        if (taken == 0)
            break;
        answered += taken;
    }
    const double seconds = static_cast<double>(std::max(lastReply, sent) - start) / 1e9;
    std::printf("asked %llu\nanswered %llu\nseconds %.4f\nanswered_per_s %.0f\nasked_per_s %.0f\n",
                static_cast<unsigned long long>(range->count), static_cast<unsigned long long>(answered), seconds,
                static_cast<double>(answered) / seconds, static_cast<double>(range->count) / seconds);
    return 0;
}
