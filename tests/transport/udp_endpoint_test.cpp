#include "transport/udp_endpoint.h"

#include "own_process.h"
#include "owner_loop.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/loopback_sources.h"
#include "tests/support/suite_addresses.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace korva::transport {
namespace {

using korva::testing::LoopbackPeer;
using testing::OwnerLoop;
using testing::ThreadIds;

// The endpoint listens on every interface; the peers reach it here.
const std::string kEndpointHost = "127.0.0.1";
const korva::testing::SuiteAddresses addresses{"udp_endpoint"};

struct Delivery {
    std::string bytes;
    Sender from;
    std::thread::id thread;
};

class UdpEndpointTest : public ::testing::Test {
protected:
    void SetUp() override { endpoint.SetActive(true); }

    bool ServeUntilDelivered(std::size_t count) {
        return owner.ServeUntil(endpoint, [&] { return delivered.size() >= count; });
    }

    std::string SendAndReceive(LoopbackPeer& peer, std::string_view host, std::string_view bytes) {
        endpoint.Send(host, peer.Port(), bytes);
        const auto datagram = peer.Receive();
        return datagram ? datagram->bytes : "<nothing arrived>";
    }

    OwnerLoop owner;
    std::vector<Delivery> delivered;
    std::function<void(const std::string&)> alsoOnDatagram;
    UdpEndpoint endpoint{[this](const std::string& bytes, const Sender& from) {
                             delivered.push_back({bytes, from, std::this_thread::get_id()});
                             if (alsoOnDatagram)
                                 alsoOnDatagram(bytes);
                         },
                         owner.Waker()};
};

std::string EveryByteValue() {
    std::string bytes;
    for (int value = 0; value < 256; ++value)
        bytes += static_cast<char>(value);
    return bytes;
}

TEST_F(UdpEndpointTest, ActivationBindsAPortTheSystemChose) {
    EXPECT_TRUE(endpoint.Active());
    EXPECT_NE(endpoint.LocalPort(), 0);
    endpoint.SetActive(false);
    EXPECT_FALSE(endpoint.Active());
    EXPECT_EQ(endpoint.LocalPort(), 0);
    endpoint.SetActive(true);
    EXPECT_NE(endpoint.LocalPort(), 0);
}

// A second socket would leave replies to the first one unread, and a second receiving thread would
// outlive the endpoint: activating an active endpoint changes nothing.
TEST_F(UdpEndpointTest, SecondActivationKeepsTheOneSocketAndThread) {
    endpoint.SetActive(false);
    const std::set<int> threadsInactive = ThreadIds();
    endpoint.SetActive(true);
    const std::uint16_t port = endpoint.LocalPort();
    const std::size_t descriptors = testing::OpenDescriptorCount();
    const std::set<int> threadsActive = ThreadIds();
    const std::set<int> receiver = testing::Added(threadsInactive, threadsActive);
    ASSERT_EQ(receiver.size(), 1u) << "one receiving thread per activation";

    endpoint.SetActive(true);
    EXPECT_TRUE(endpoint.Active());
    EXPECT_EQ(endpoint.LocalPort(), port);
    EXPECT_EQ(testing::OpenDescriptorCount(), descriptors);
    const std::set<int> startedAgain = testing::Added(threadsActive, ThreadIds());
    EXPECT_TRUE(startedAgain.empty()) << startedAgain.size() << " more receiving thread(s)";

    endpoint.SetActive(false);
    std::set<int> started = receiver;
    started.insert(startedAgain.begin(), startedAgain.end());
    EXPECT_TRUE(testing::ThreadsStillListed(started).empty()) << "a receiving thread outlives deactivation";
}

TEST_F(UdpEndpointTest, ExactBytesBothWays) {
    LoopbackPeer peer(addresses[40]);
    const std::string request = "snd000\r\n";
    EXPECT_EQ(SendAndReceive(peer, addresses[40], request), request);
    EXPECT_EQ(SendAndReceive(peer, addresses[40], EveryByteValue()), EveryByteValue());

    const std::string reply = "0100,SND\0,25\r\n" + EveryByteValue();
    peer.Send(kEndpointHost, endpoint.LocalPort(), reply);
    ASSERT_TRUE(ServeUntilDelivered(1));
    EXPECT_EQ(delivered[0].bytes, reply);
    if (korva::testing::LoopbackSourcesKept()) {
        EXPECT_EQ(delivered[0].from.address, addresses[40]);
    }
    EXPECT_EQ(delivered[0].from.port, peer.Port());
    EXPECT_EQ(delivered[0].thread, std::this_thread::get_id());
}

TEST_F(UdpEndpointTest, DatagramsLongerThanTheBufferAreDroppedWhole) {
    LoopbackPeer peer(addresses[41]);
    peer.SetSendBuffer(1 << 20);  // room for all of them at once, the largest datagram among them
    const struct {
        std::size_t size;
        bool delivered;
    } cases[] = {{9000, false}, {0, true}, {8192, true}, {8193, false}, {1, true}, {65507, false}};

    std::vector<std::string> expected;
    for (const auto& c : cases) {
        std::string bytes(c.size, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>('A' + i % 26);
        peer.Send(kEndpointHost, endpoint.LocalPort(), bytes);
        if (c.delivered)
            expected.push_back(bytes);
    }
    const std::string marker = "end";
    peer.Send(kEndpointHost, endpoint.LocalPort(), marker);
    expected.push_back(marker);

    ASSERT_TRUE(ServeUntilDelivered(expected.size()));
    std::vector<std::string> got;
    for (const Delivery& d : delivered)
        got.push_back(d.bytes);
    EXPECT_EQ(got, expected);
}

TEST_F(UdpEndpointTest, DatagramsAreHandledOneAtATimeInArrivalOrder) {
    LoopbackPeer peer(addresses[42]);
    constexpr int kCount = 100;
    int running = 0;
    int overlaps = 0;
    alsoOnDatagram = [&](const std::string&) {
        if (++running > 1)
            ++overlaps;
        endpoint.ServePending();  // a modal wait inside a handler must not start the next datagram
        --running;
    };
    for (int i = 0; i < kCount; ++i)
        peer.Send(kEndpointHost, endpoint.LocalPort(), std::to_string(i));

    ASSERT_TRUE(ServeUntilDelivered(kCount));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(delivered[i].bytes, std::to_string(i));
        EXPECT_EQ(delivered[i].thread, std::this_thread::get_id());
    }
    EXPECT_EQ(overlaps, 0);
}

// The datagrams one read brings are handled one after another; what a handler changes holds for the
// ones after it as if they had been read later. The three datagrams are sent while the first handler
// runs, so they wait in the socket and arrive together.
TEST_F(UdpEndpointTest, AHandlerDecidesForTheDatagramsReadWithTheOnesAfterIt) {
    if (!korva::testing::LoopbackSourcesKept())
        GTEST_SKIP() << korva::testing::kLoopbackSourcesLost;
    LoopbackPeer peer(addresses[54]);
    const auto sendThreeWhileHandlingFirst = [&](const std::string& bytes) {
        if (bytes == "first")
            for (const char* later : {"a", "b", "c"})
                peer.Send(kEndpointHost, endpoint.LocalPort(), later);
    };

    // The operator typed another address while "a" was handled: "b" and "c" are from elsewhere now.
    alsoOnDatagram = [&](const std::string& bytes) {
        sendThreeWhileHandlingFirst(bytes);
        if (bytes == "a")
            endpoint.AcceptOnlyFrom({addresses.Number(55)});
    };
    peer.Send(kEndpointHost, endpoint.LocalPort(), "first");
    ASSERT_TRUE(ServeUntilDelivered(2));
    EXPECT_EQ(endpoint.DroppedFromElsewhere(), 2u);
    EXPECT_EQ(endpoint.DatagramsHandedOver(), 2u);
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[1].bytes, "a");

    // A handler that deactivates ends the handling of what was read with it.
    delivered.clear();
    endpoint.AcceptOnlyFrom({addresses.Number(54)});
    alsoOnDatagram = [&](const std::string& bytes) {
        sendThreeWhileHandlingFirst(bytes);
        if (bytes == "a")
            endpoint.SetActive(false);
    };
    peer.Send(kEndpointHost, endpoint.LocalPort(), "first");
    ASSERT_TRUE(ServeUntilDelivered(2));
    EXPECT_FALSE(endpoint.Active());
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[1].bytes, "a");
    EXPECT_EQ(endpoint.DatagramsHandedOver(), 4u);
}

TEST_F(UdpEndpointTest, ErrorsFromTheHandlerAreDiscarded) {
    LoopbackPeer peer(addresses[43]);
    alsoOnDatagram = [](const std::string& bytes) {
        if (bytes == "runtime")
            throw std::runtime_error("bad reply");
        if (bytes == "other")
            throw 42;
    };
    for (const char* bytes : {"runtime", "first", "other", "second"}) {
        peer.Send(kEndpointHost, endpoint.LocalPort(), bytes);
    }
    ASSERT_TRUE(ServeUntilDelivered(4));
    EXPECT_EQ(delivered[1].bytes, "first");
    EXPECT_EQ(delivered[3].bytes, "second");
    EXPECT_TRUE(endpoint.Active());
}

TEST_F(UdpEndpointTest, HostFormsReachTheirAddress) {
    LoopbackPeer peer(addresses[44]);
    LoopbackPeer localhost("127.0.0.1");
    const std::uint32_t number = addresses.Number(44);
    const std::string network = std::to_string(number >> 16 & 0xff);
    char padded[16];  // zeros in front of each part: an octal reading would go elsewhere (044 is 36)
    std::snprintf(padded, sizeof padded, "127.%03u.%03u.%03u", number >> 16 & 0xff, number >> 8 & 0xff, number & 0xff);
    const struct {
        std::string host;
        LoopbackPeer* reaches;
    } cases[] = {
        {addresses[44], &peer},
        {padded, &peer},
        {"127." + network + '.' + std::to_string(number & 0xffff), &peer},
        {"127." + std::to_string(number & 0xffffff), &peer},
        {std::to_string(number), &peer},
        {"localhost", &localhost},
        {"LocalHost", &localhost},
    };
    for (const auto& c : cases) {
        const std::string bytes = "to " + c.host;
        EXPECT_EQ(SendAndReceive(*c.reaches, c.host, bytes), bytes);
    }
}

TEST_F(UdpEndpointTest, SendFailuresCarryTheOperatorsCodesAndTexts) {
    const std::string tooBig(65508, 'x');
    const struct {
        std::string host;
        std::string_view data;
        int code;
        const char* message;
    } cases[] = {
        {"no such host", "snd000\r\n", 11001, "Socket Error # 11001\r\nHost not found."},
        {"0.0.0.0", "snd000\r\n", 10049, "Socket Error # 10049\r\nCannot assign requested address."},
        {"000.000.000.000", "snd000\r\n", 10049, "Socket Error # 10049\r\nCannot assign requested address."},
        {"0", "snd000\r\n", 10049, "Socket Error # 10049\r\nCannot assign requested address."},
        {addresses[45], tooBig, 0, "Package Size Too Big."},
    };
    for (const auto& c : cases) {
        try {
            endpoint.Send(c.host, 5010, c.data);
            ADD_FAILURE() << "sending to " << c.host << " did not fail";
        } catch (const SocketError& error) {
            EXPECT_EQ(error.code(), c.code) << c.host;
            EXPECT_STREQ(error.what(), c.message) << c.host;
        }
    }
}

TEST_F(UdpEndpointTest, LargestDatagramGoesOut) {
    LoopbackPeer peer(addresses[46]);
    const std::string largest(65507, 'y');
    EXPECT_EQ(SendAndReceive(peer, addresses[46], largest).size(), largest.size());
}

TEST_F(UdpEndpointTest, SendingWhileInactiveFails) {
    endpoint.SetActive(false);
    EXPECT_THROW(endpoint.Send(addresses[47], 5010, "snd000\r\n"), SocketError);
}

TEST_F(UdpEndpointTest, DeactivationServesTheHandOverAlreadyRequested) {
    LoopbackPeer peer(addresses[48]);
    peer.Send(kEndpointHost, endpoint.LocalPort(), "late reply");
    ASSERT_TRUE(owner.TakeWakeUp());  // the receiving thread now waits for the owner
    ASSERT_TRUE(delivered.empty());

    endpoint.SetActive(false);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].bytes, "late reply");
    EXPECT_EQ(delivered[0].thread, std::this_thread::get_id());
}

TEST_F(UdpEndpointTest, DeactivationFromInsideTheHandler) {
    LoopbackPeer peer(addresses[49]);
    alsoOnDatagram = [&](const std::string& bytes) {
        if (bytes == "close")
            endpoint.SetActive(false);
    };
    peer.Send(kEndpointHost, endpoint.LocalPort(), "close");
    ASSERT_TRUE(ServeUntilDelivered(1));
    EXPECT_FALSE(endpoint.Active());

    // The endpoint opens again and works as before.
    endpoint.SetActive(true);
    peer.Send(kEndpointHost, endpoint.LocalPort(), "again");
    ASSERT_TRUE(ServeUntilDelivered(2));
    EXPECT_EQ(delivered[1].bytes, "again");
}

TEST_F(UdpEndpointTest, DeactivationFromAHandlerThatDeactivationRuns) {
    LoopbackPeer peer(addresses[50]);
    alsoOnDatagram = [&](const std::string&) { endpoint.SetActive(false); };
    peer.Send(kEndpointHost, endpoint.LocalPort(), "pending");
    ASSERT_TRUE(owner.TakeWakeUp());
    endpoint.SetActive(false);
    EXPECT_EQ(delivered.size(), 1u);
    EXPECT_FALSE(endpoint.Active());
}

TEST(UdpEndpointWakeUp, DeactivationDoesNotWaitOutTheReadWait) {
    // With an hour between looks at the stop request, only the wake-up can end the wait; a missing
    // wake-up shows as this test hanging until CTest's time-out.
    OwnerLoop owner;
    std::vector<std::string> delivered;
    UdpEndpoint endpoint([&](const std::string& bytes, const Sender&) { delivered.push_back(bytes); }, owner.Waker(),
                         std::chrono::hours(1));
    endpoint.SetActive(true);
    LoopbackPeer peer(addresses[51]);
    peer.Send(kEndpointHost, endpoint.LocalPort(), "ping");
    ASSERT_TRUE(owner.ServeUntil(endpoint, [&] { return !delivered.empty(); }));

    endpoint.SetActive(false);  // the receiving thread is back in its hour-long wait by now
    EXPECT_FALSE(endpoint.Active());
}

TEST_F(UdpEndpointTest, OnlyDatagramsFromAcceptedAddressesAreHandedOver) {
    if (!korva::testing::LoopbackSourcesKept())
        GTEST_SKIP() << korva::testing::kLoopbackSourcesLost;
    LoopbackPeer device(addresses[52]);
    LoopbackPeer devicesOtherPort(addresses[52]);
    LoopbackPeer elsewhere(addresses[53]);
    const std::uint32_t deviceAddress = addresses.Number(52);
    const std::uint16_t port = endpoint.LocalPort();
    const auto droppedReaches = [&](std::uint64_t count) {
        for (int wait = 0; wait < 500 && endpoint.DroppedFromElsewhere() < count; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return endpoint.DroppedFromElsewhere() == count;
    };

    endpoint.AcceptOnlyFrom({deviceAddress});
    for (int i = 0; i < 3; ++i)
        elsewhere.Send(kEndpointHost, port, "from elsewhere");
    ASSERT_TRUE(droppedReaches(3));
    device.Send(kEndpointHost, port, "from the device");
    devicesOtherPort.Send(kEndpointHost, port, "from the device's other port");
    ASSERT_TRUE(ServeUntilDelivered(2));
    EXPECT_EQ(delivered[0].bytes, "from the device");
    EXPECT_EQ(delivered[1].bytes, "from the device's other port");

    // An empty list accepts nobody; the list holds until it is replaced, deactivation included.
    endpoint.AcceptOnlyFrom({});
    device.Send(kEndpointHost, port, "while nobody is accepted");
    ASSERT_TRUE(droppedReaches(4));
    endpoint.SetActive(false);
    endpoint.SetActive(true);
    elsewhere.Send(kEndpointHost, endpoint.LocalPort(), "after reopening");
    ASSERT_TRUE(droppedReaches(5));
    endpoint.AcceptOnlyFrom({addresses.Number(53), deviceAddress});
    elsewhere.Send(kEndpointHost, endpoint.LocalPort(), "accepted now");
    ASSERT_TRUE(ServeUntilDelivered(3));
    EXPECT_EQ(delivered[2].bytes, "accepted now");
    EXPECT_EQ(endpoint.DroppedFromElsewhere(), 5u);

    // Adding keeps what was accepted.
    endpoint.AcceptOnlyFrom({});
    endpoint.AlsoAcceptFrom(deviceAddress);
    endpoint.AlsoAcceptFrom(addresses.Number(53));
    device.Send(kEndpointHost, endpoint.LocalPort(), "device again");
    elsewhere.Send(kEndpointHost, endpoint.LocalPort(), "elsewhere again");
    ASSERT_TRUE(ServeUntilDelivered(5));
    EXPECT_EQ(delivered[3].bytes, "device again");
    EXPECT_EQ(delivered[4].bytes, "elsewhere again");
}

}  // namespace
}  // namespace korva::transport
