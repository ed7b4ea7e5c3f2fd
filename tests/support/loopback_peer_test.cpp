#include "tests/support/loopback_peer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/answering_peer.h"
#include "tests/support/loopback_address.h"
#include "tests/support/loopback_sources.h"
#include "tests/support/suite_addresses.h"

namespace korva::testing {
namespace {

using std::chrono::milliseconds;

const SuiteAddresses addresses{"loopback_peer"};

TEST(LoopbackPeer, SendsReceivesAndTellsTheSender) {
    if (!LoopbackSourcesKept())
        GTEST_SKIP() << kLoopbackSourcesLost;
    const LoopbackPeer first(addresses[1]);
    const LoopbackPeer second(addresses[2], 5010);
    EXPECT_NE(first.Port(), 0);
    EXPECT_EQ(second.Port(), 5010);
    EXPECT_THROW(LoopbackPeer(addresses[2], 5010), std::runtime_error) << "the port is taken";

    EXPECT_EQ(second.Receive(milliseconds(0)), std::nullopt) << "nothing was sent yet";
    first.Send(addresses[2], 5010, std::string("one\0two", 7));
    const std::optional<Datagram> heard = second.Receive();
    ASSERT_TRUE(heard.has_value());
    EXPECT_EQ(heard->bytes, std::string("one\0two", 7));
    EXPECT_EQ(DottedQuad(heard->from), addresses[1]);
    EXPECT_EQ(PortOf(heard->from), first.Port());

    second.Send(heard->from, "");
    const std::optional<Datagram> empty = first.Receive();
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(empty->bytes, "");
}

TEST(LoopbackPeer, DiscardCountsWhatWaitsAndWaitsOnlyWhenToldTo) {
    const LoopbackPeer sender(addresses[1]);
    const LoopbackPeer receiver(addresses[2]);
    EXPECT_EQ(receiver.Discard(), 0u);
    EXPECT_EQ(receiver.Discard(milliseconds(1)), 0u);
    for (int i = 0; i < 5; ++i)
        sender.Send(addresses[2], receiver.Port(), std::to_string(i));
    // Loopback delivers a datagram within sendto(): all five wait already.
    EXPECT_EQ(receiver.Discard(milliseconds(1000)), 5u);
    EXPECT_EQ(receiver.Receive(milliseconds(0)), std::nullopt);
}

TEST(LoopbackPeer, NeverSendsOrBindsOffTheLoopback) {
    EXPECT_THROW(LoopbackPeer("192.168.0.250"), std::invalid_argument);
    EXPECT_THROW(LoopbackPeer("0.0.0.0"), std::invalid_argument);
    const LoopbackPeer peer(addresses[1]);
    EXPECT_THROW(peer.Send("10.0.0.1", 5010, "x"), std::invalid_argument);
    EXPECT_THROW(peer.Send("no such host", 5010, "x"), std::invalid_argument);
    sockaddr_in elsewhere = LoopbackAddress(addresses[1], 5010);
    elsewhere.sin_addr.s_addr = htonl(0xC0A800FAu);  // 192.168.0.250
    EXPECT_THROW(peer.TrySend(elsewhere, "x"), std::invalid_argument);
}

TEST(AnsweringPeer, AnswersWhatTheScriptAnswersAndKeepsEveryRequest) {
    if (!LoopbackSourcesKept())
        GTEST_SKIP() << kLoopbackSourcesLost;
    const AnsweringPeer device(addresses[3], 5010, [](const std::string& request) -> std::optional<std::string> {
        if (request == "quiet")
            return std::nullopt;
        return "re:" + request;
    });
    const LoopbackPeer console(addresses[1]);
    for (const char* request : {"first", "quiet", "second"})
        console.Send(addresses[3], 5010, request);
    const auto first = console.Receive();
    const auto second = console.Receive();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->bytes, "re:first");
    EXPECT_EQ(second->bytes, "re:second");
    EXPECT_EQ(DottedQuad(second->from), addresses[3]);
    EXPECT_EQ(PortOf(second->from), 5010);
    EXPECT_EQ(device.Requests(), (std::vector<std::string>{"first", "quiet", "second"}));
}

#ifndef _WIN32
// The probe must not skip the tests above where nothing calls for it.
TEST(LoopbackSources, KeptOnLinux) {
    EXPECT_TRUE(LoopbackSourcesKept());
}
#endif

}  // namespace
}  // namespace korva::testing
