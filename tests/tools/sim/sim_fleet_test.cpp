// Many devices on a run of addresses: where they are, how they differ, and where a reset takes them.
#include "tools/sim/sim_fleet.h"

#include "protocol/messages.h"
#include "protocol/unscramble.h"
#include "tests/support/suite_addresses.h"

#include <gtest/gtest.h>

#include <set>

namespace korva::sim {
namespace {

const korva::testing::SuiteAddresses addresses{"sim_fleet"};
const std::uint32_t kFirst = addresses.Number(0);
const ScrambleForm kForm{150, 0x3F, 0x14};

SimFleet Fleet(std::uint64_t addresses, std::uint64_t devices, int resetAcknowledgedOn = 1) {
    return SimFleet({{kFirst, addresses}, devices, kForm, 1, resetAcknowledgedOn});
}

// The keyword and the plain text of the reply, or empty when there is none.
PlainReply Ask(SimFleet& fleet, std::uint32_t address, const std::string& request) {
    const auto reply = fleet.Answer(address, request);
    return reply ? UnscrambleReply(reply->sent) : PlainReply{};
}

std::string Keyword(const PlainReply& plain) {
    return plain.text.empty() ? "" : ReplyKeyword(plain.text, plain.headerOffset);
}

// Writes new parameters to the device at address and resets it until acknowledged; the reset
// commands it took, 0 when none was acknowledged within 20.
int WriteAndReset(SimFleet& fleet, std::uint32_t address, const std::string& newAddress) {
    EXPECT_EQ(Keyword(Ask(fleet, address, BuildWriteCommand(newAddress, "255.255.255.0", addresses[1]))), "WPR");
    for (int command = 1; command <= 20; ++command) {
        const PlainReply status = Ask(fleet, address, BuildLiveDataRequest());
        const std::int32_t echo = ReadStatus(status.text, status.headerOffset, status.formatVersion).echo;
        const PlainReply reset = Ask(fleet, address, BuildResetCommand(echo));
        EXPECT_EQ(Keyword(reset), "RST");
        if (ReadResetAck(reset.text, reset.headerOffset))
            return command;
    }
    return 0;
}

TEST(SimFleet, DevicesSitOnTheFirstAddressesEachWithItsOwnMacAndAddress) {
    SimFleet fleet = Fleet(16, 5);
    std::set<std::string> macs;
    for (std::uint32_t i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        const PlainReply plain = Ask(fleet, kFirst + i, BuildParameterRequest(false));
        if (i >= 5) {
            EXPECT_TRUE(plain.text.empty()) << "a free address answers";
            EXPECT_EQ(fleet.DeviceAt(kFirst + i), nullptr);
            continue;
        }
        const ParameterReading reading = ReadParameters(plain.text, plain.headerOffset, plain.formatVersion);
        EXPECT_EQ(reading.address, addresses[i]);
        macs.insert(reading.mac);
    }
    EXPECT_EQ(macs.size(), 5u);
    EXPECT_FALSE(fleet.Answer(kFirst + 16, BuildLiveDataRequest()).has_value()) << "outside the range";
}

TEST(SimFleet, AnAcknowledgedResetMovesTheDeviceToItsNewAddressWhenListenedOnAndFree) {
    const struct {
        std::string newAddress;
        bool arrives;  // answers at the new address afterwards
    } cases[] = {
        {addresses[9], true},          // free, in the range
        {addresses[1], false},         // taken by another device: it would clash, so it is not heard
        {addresses[256 + 20], false},  // outside what the simulator listens on
        {addresses[0], true},          // its own address: stays
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.newAddress);
        SimFleet fleet = Fleet(16, 2);
        ASSERT_EQ(WriteAndReset(fleet, kFirst, c.newAddress), 1);
        const std::uint32_t to = ParseIpv4Range(c.newAddress)->first;
        const PlainReply there = Ask(fleet, to, BuildParameterRequest(true));
        if (c.arrives) {
            ASSERT_EQ(Keyword(there), "RPR");
            EXPECT_EQ(ReadParameters(there.text, there.headerOffset, there.formatVersion).address, c.newAddress);
            EXPECT_EQ(fleet.Gone(), 0u);
        } else {
            EXPECT_EQ(fleet.Gone(), 1u);
        }
        if (to != kFirst) {
            EXPECT_TRUE(Ask(fleet, kFirst, BuildLiveDataRequest()).text.empty()) << "still at the old address";
        }
        // The other device is where it was, whoever asked for its address.
        EXPECT_EQ(Keyword(Ask(fleet, kFirst + 1, BuildLiveDataRequest())), "SND");
    }
}

TEST(SimFleet, ResetAcknowledgedOnlyOnTheKthCommandOfEachDevice) {
    for (const int k : {1, 2, 5}) {
        SCOPED_TRACE(k);
        SimFleet fleet = Fleet(4, 2, k);
        EXPECT_EQ(WriteAndReset(fleet, kFirst, addresses[3]), k);
        EXPECT_EQ(WriteAndReset(fleet, kFirst + 1, addresses[2]), k) << "counted per device";
        EXPECT_EQ(Keyword(Ask(fleet, kFirst + 3, BuildLiveDataRequest())), "SND");
        EXPECT_EQ(Keyword(Ask(fleet, kFirst + 2, BuildLiveDataRequest())), "SND");
        // Counting starts again after an acknowledged reset.
        EXPECT_EQ(WriteAndReset(fleet, kFirst + 3, addresses[3]), k);
    }
}

}  // namespace
}  // namespace korva::sim
