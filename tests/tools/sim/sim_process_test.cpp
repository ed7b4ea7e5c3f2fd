#include "sim_process.h"

#include "protocol/messages.h"
#include "protocol/unscramble.h"
#include "tests/support/loopback_address.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/suite_addresses.h"
#include "tests/support/udp_sockets.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace korva::sim {
namespace {

const korva::testing::SuiteAddresses addresses{"sim_process"};

using korva::testing::LoopbackPeer;
using testing::SimProcess;

// A console stand-in's question to a device, and its answer.
std::optional<std::string> Ask(const LoopbackPeer& client, const std::string& device, const std::string& request) {
    client.Send(device, kDevicePort, request);
    const auto answer = client.Receive();
    return answer ? std::optional(answer->bytes) : std::nullopt;
}

TEST(SimProcess, AnswersOnItsAddressAndStopsOnASignal) {
    const struct {
        unsigned host;
        const char* form;
        int version;
        int stopSignal;
    } cases[] = {
        {24, "plain", 0, SIGTERM},
        {25, "120", 120, SIGINT},
        {26, "130", 130, SIGTERM},
        {27, "150", 150, SIGINT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.form);
        const std::string address = addresses[c.host];
        SimProcess sim({"--address", address, "--form", c.form});
        const auto ready = sim.ReadLine();
        ASSERT_TRUE(ready.has_value());
        EXPECT_NE(ready->find(address + ":5010"), std::string::npos) << *ready;

        LoopbackPeer client(addresses[28]);
        const struct {
            std::string request;
            const char* keyword;
        } exchanges[] = {{BuildLiveDataRequest(), "SND"},
                         {BuildParameterRequest(false), "RPR"},
                         {BuildWriteCommand(addresses[29], "255.0.0.0", addresses[1]), "WPR"}};
        for (const auto& exchange : exchanges) {
            const auto sent = Ask(client, address, exchange.request);
            ASSERT_TRUE(sent.has_value()) << exchange.keyword;
            const PlainReply plain = UnscrambleReply(*sent);
            EXPECT_EQ(plain.formatVersion, c.version);
            EXPECT_EQ(ReplyKeyword(plain.text, plain.headerOffset), exchange.keyword);
        }

        sim.Signal(c.stopSignal);
        EXPECT_EQ(sim.Wait(), std::optional<int>(0));
    }
}

TEST(SimProcess, VerboseLogsEachRequestAndReply) {
    SimProcess sim({"--address", addresses[30], "--form", "plain", "--verbose"});
    ASSERT_TRUE(sim.ReadLine().has_value());
    LoopbackPeer client(addresses[31]);
    ASSERT_TRUE(Ask(client, addresses[30], BuildLiveDataRequest()).has_value());

    const auto request = sim.ReadLine();
    const auto reply = sim.ReadLine();
    ASSERT_TRUE(request && reply);
    EXPECT_NE(request->find("<- " + addresses[31] + ":"), std::string::npos) << *request;
    EXPECT_NE(request->find("snd000\\r\\n"), std::string::npos) << *request;
    EXPECT_NE(reply->find("-> " + addresses[31] + ":"), std::string::npos) << *reply;
    EXPECT_NE(reply->find("0100,SND,"), std::string::npos) << *reply;
}

TEST(SimProcess, ARangeHasADeviceOnEachOfItsFirstAddressesAnsweringFromItsOwnAddress) {
    // Sixteen addresses from host 16 of the suite's second block.
    const unsigned first = 256 + 16;
    const std::string clientAddress = addresses[256 + 200];
    SimProcess sim({"--address", addresses[first] + "/28", "--devices", "4", "--form", "plain", "--verbose"});
    const auto ready = sim.ReadLine();
    ASSERT_TRUE(ready.has_value());
    EXPECT_NE(ready->find(addresses.Range(first, first + 15) + ":5010 (4 devices)"), std::string::npos) << *ready;
    LoopbackPeer client(clientAddress);
    for (unsigned i = 0; i < 4; ++i) {
        const std::string device = addresses[first + i];
        SCOPED_TRACE(device);
        client.Send(device, kDevicePort, BuildParameterRequest(false));
        const auto sent = client.Receive();
        ASSERT_TRUE(sent.has_value());
        EXPECT_EQ(korva::testing::DottedQuad(sent->from), device);
        const PlainReply plain = UnscrambleReply(sent->bytes);
        EXPECT_EQ(ReadParameters(plain.text, plain.headerOffset, plain.formatVersion).address, device);
        ASSERT_TRUE(sim.ReadLine().has_value());  // the request
        const auto answered = sim.ReadLine();
        ASSERT_TRUE(answered.has_value());
        EXPECT_NE(answered->find(device + " -> " + clientAddress + ":"), std::string::npos) << *answered;
    }
    // A free address of the range hears the request and leaves it unanswered.
    const std::string freeAddress = addresses[first + 4];
    client.Send(freeAddress, kDevicePort, BuildLiveDataRequest());
    const auto heard = sim.ReadLine();
    ASSERT_TRUE(heard.has_value());
    EXPECT_NE(heard->find(freeAddress + " <- " + clientAddress + ":"), std::string::npos) << *heard;
    const auto unanswered = sim.ReadLine();
    ASSERT_TRUE(unanswered.has_value());
    EXPECT_NE(unanswered->find("(not answered)"), std::string::npos) << *unanswered;
}

TEST(SimProcess, DelayedRepliesStillArriveInOrder) {
    SimProcess sim({"--address", addresses[33], "--form", "150", "--delay-ms", "50"});
    ASSERT_TRUE(sim.ReadLine().has_value());
    LoopbackPeer client(addresses[34]);
    for (const auto& [request, keyword] :
         {std::pair{BuildLiveDataRequest(), "SND"}, std::pair{BuildParameterRequest(true), "RPR"}}) {
        const auto sent = Ask(client, addresses[33], request);
        ASSERT_TRUE(sent.has_value()) << keyword;
        const PlainReply plain = UnscrambleReply(*sent);
        EXPECT_EQ(ReplyKeyword(plain.text, plain.headerOffset), keyword);
    }
}

TEST(SimProcess, DroppedRepliesAreLoggedNotSent) {
    SimProcess sim({"--address", addresses[35], "--drop-percent", "100", "--verbose"});
    ASSERT_TRUE(sim.ReadLine().has_value());
    LoopbackPeer client(addresses[36]);
    client.Send(addresses[35], kDevicePort, BuildLiveDataRequest());
    ASSERT_TRUE(sim.ReadLine().has_value());  // the request
    const auto dropped = sim.ReadLine();
    ASSERT_TRUE(dropped.has_value());
    EXPECT_NE(dropped->find("[dropped]"), std::string::npos) << *dropped;
}

TEST(SimProcess, ALongDelayHoldsAtMost4096RepliesAndCountsTheRestAsDropped) {
    SimProcess sim({"--address", addresses[202], "--form", "plain", "--delay-ms", "60000"});
    ASSERT_TRUE(sim.ReadLine().has_value());
    LoopbackPeer client(addresses[203]);
    // Bursts small enough for the simulator's receive buffer, each read before the next goes out, so
    // that every request reaches the simulator and the count of drops is exact.
    constexpr int kBursts = 50;
    constexpr int kBurst = 100;
    for (int burst = 0; burst < kBursts; ++burst) {
        for (int i = 0; i < kBurst; ++i)
            client.Send(addresses[202], kDevicePort, BuildLiveDataRequest());
        ASSERT_TRUE(korva::testing::WaitUntilRead(addresses[202], kDevicePort)) << "burst " << burst;
    }
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.ReadLine(), std::optional<std::string>("korva-sim: " + std::to_string(kBursts * kBurst - 4096) +
                                                         " delayed replies dropped, 4096 waited at most"));
    EXPECT_EQ(sim.Wait(), std::optional<int>(0));
}

TEST(SimProcess, RefusesAnAddressOffTheLoopback) {
    SimProcess sim({"--address", "192.168.0.250"});
    const auto message = sim.ReadLine();
    ASSERT_TRUE(message.has_value());
    EXPECT_NE(message->find("not a loopback address"), std::string::npos) << *message;
    EXPECT_EQ(sim.Wait(), std::optional<int>(2));
}

TEST(SimProcess, ASlash8IsRefusedBeforeAnythingIsBuilt) {
    // Nothing is bound: the range is weighed first. It used to build a device per address for minutes.
    SimProcess sim({"--address", "127.0.0.0/8"});
    const auto message = sim.ReadLine();
    ASSERT_TRUE(message.has_value());
    EXPECT_NE(message->find("korva-sim: 16777216 addresses need as many sockets"), std::string::npos) << *message;
    EXPECT_EQ(sim.Wait(), std::optional<int>(1));
}

TEST(SimProcess, ASecondSimulatorCannotTakeTheSameAddressAndPort) {
    SimProcess first({"--address", addresses[32]});
    ASSERT_TRUE(first.ReadLine().has_value());
    SimProcess second({"--address", addresses[32]});
    const auto message = second.ReadLine();
    ASSERT_TRUE(message.has_value());
    EXPECT_NE(message->find("cannot bind " + addresses[32] + ":5010"), std::string::npos) << *message;
    EXPECT_EQ(second.Wait(), std::optional<int>(1));
}

}  // namespace
}  // namespace korva::sim
