// korvactl watch while another host floods its port with small datagrams: the flood must not crowd
// the device's replies out of the socket's buffer.
#include "tests/support/flood.h"
#include "tests/support/suite_addresses.h"
#include "tests/support/udp_sockets.h"
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace korva::ctl::testing {
namespace {

const korva::testing::SuiteAddresses addresses{"flooded_watch"};

using korva::testing::Flood;

// korvactl's own UDP port, once its endpoint is open.
std::uint16_t PortOf(const ChildProcess& program) {
    for (int i = 0; i < 2000; ++i) {
        const auto sockets = korva::testing::UdpSocketsOf(program.Pid());
        if (!sockets.empty())
            return sockets.front().localPort;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 0;
}

TEST(FloodedWatch, RepliesGetThroughAFloodFromAnotherAddress) {
    const std::string device = addresses[5];
    Simulator sim(device);
    ASSERT_TRUE(sim.Ready());
    constexpr int kRounds = 24;
    ChildProcess watch(KORVACTL_PATH, {"watch", device, "--interval", "100ms", "--count", std::to_string(kRounds)});
    const std::uint16_t port = PortOf(watch);
    ASSERT_NE(port, 0) << "korvactl opened no UDP socket";
    std::size_t flooded = 0;
    {
        Flood flood(addresses[6], addresses[7], port, "x", 50'000'000);
        ASSERT_TRUE(watch.Wait().has_value());
        flooded = flood.Sent();
    }
    int answered = 0;
    for (const auto& record : JsonLines(watch.Out()))
        answered += record.value("keyword", "") == "SND" ? 1 : 0;
    EXPECT_GE(answered, kRounds - 2) << "rounds answered under a flood of " << flooded << " datagrams";
    EXPECT_GT(flooded, 10'000u) << "the flood was too thin to prove anything";
}

}  // namespace
}  // namespace korva::ctl::testing
