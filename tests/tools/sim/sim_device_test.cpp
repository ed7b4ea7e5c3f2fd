#include "tools/sim/sim_device.h"

#include "protocol/messages.h"
#include "protocol/unscramble.h"

#include <gtest/gtest.h>

#include <set>

namespace korva::sim {
namespace {

const ScrambleForm kForms[] = {
    {0, 0, 0},                                                // plain
    {101, 0, 0},                                              // old form, lowest version
    {120, 0, 0},       {129, 0, 0},       {130, 0x3F, 0x14},  // new form, addresses in hexadecimal octets
    {131, 0x3F, 0x14}, {150, 0x3F, 0x14}, {150, 0x77, 0x40},  // n beyond the first 20 bytes, key 119 -> 59
    {150, -40, 0x14},                                         // negative key: no comma at the end survives the trim
    {200, 0, 0x0E},
};

std::string FormName(const ScrambleForm& form) {
    return "form " + std::to_string(form.version) + " key " + std::to_string(form.key) + " n " + std::to_string(form.n);
}

const Ipv4 kAddress{127, 0, 0, 20};

PlainReply Decoded(const Reply& reply) {
    const PlainReply plain = UnscrambleReply(reply.sent);
    EXPECT_GT(static_cast<unsigned char>(reply.sent.front()), 32);
    EXPECT_GT(static_cast<unsigned char>(reply.sent.back()), 32);
    return plain;
}

Reply Ask(SimDevice& device, const std::string& request) {
    const auto reply = device.Answer(request);
    EXPECT_TRUE(reply.has_value()) << request;
    return reply.value_or(Reply{});
}

TEST(SimDevice, StatusRepliesOfEveryFormReadAsTheStateHeld) {
    for (const ScrambleForm& form : kForms) {
        SCOPED_TRACE(FormName(form));
        SimDevice device(InitialState(kAddress), form, 7);
        std::set<std::int32_t> echoes;
        for (int i = 0; i < 60; ++i) {
            const PlainReply plain = Decoded(Ask(device, BuildLiveDataRequest()));
            ASSERT_EQ(plain.formatVersion, form.version);
            ASSERT_EQ(ReplyKeyword(plain.text, plain.headerOffset), "SND");
            const StatusReading reading = ReadStatus(plain.text, plain.headerOffset, plain.formatVersion);
            const DeviceState& state = device.State();
            EXPECT_EQ(reading.temperature, state.temperature);
            EXPECT_EQ(reading.humidity, state.humidity);
            EXPECT_EQ(reading.batteryTenths, state.batteryTenths);
            EXPECT_EQ(reading.presence, state.presence);
            EXPECT_EQ(reading.resetState, state.resetEcInput == 0);
            EXPECT_EQ(reading.link1, state.links[0]);
            if (form.version >= 150) {
                EXPECT_EQ(reading.link2, std::optional<bool>(state.links[1]));
                EXPECT_EQ(reading.link3, std::optional<bool>(state.links[2]));
            } else {
                EXPECT_FALSE(reading.link2.has_value());
                EXPECT_FALSE(reading.link3.has_value());
            }
            EXPECT_EQ(reading.echo, state.echo);
            EXPECT_FALSE(reading.changed);
            EXPECT_FALSE(ChangedFlag(plain.text, plain.headerOffset));
            echoes.insert(reading.echo);
        }
        EXPECT_GT(echoes.size(), 50u) << "the echo number changes with every status reply";
    }
}

TEST(SimDevice, ParameterRepliesOfEveryFormReadAsTheStateHeld) {
    for (const ScrambleForm& form : kForms) {
        SCOPED_TRACE(FormName(form));
        SimDevice device(InitialState(kAddress), form, 7);
        for (bool manual : {true, false}) {
            const PlainReply plain = Decoded(Ask(device, BuildParameterRequest(manual)));
            ASSERT_EQ(ReplyKeyword(plain.text, plain.headerOffset), "RPR");
            const ParameterReading reading = ReadParameters(plain.text, plain.headerOffset, plain.formatVersion);
            EXPECT_EQ(reading.address, "127.0.0.20");
            EXPECT_EQ(reading.mask, "255.255.255.0");
            EXPECT_EQ(reading.gateway, "127.0.0.1");
            EXPECT_EQ(reading.mac, "00-1A-AB-00-00-14");  // the address's last three octets
            EXPECT_EQ(reading.firmware, "1.52 07/03/16 14:05");
            EXPECT_FALSE(reading.changed);
        }
    }
}

TEST(SimDevice, WriteThenResetPutsTheNewParametersInForce) {
    for (const ScrambleForm& form : kForms) {
        SCOPED_TRACE(FormName(form));
        SimDevice device(InitialState(kAddress), form, 11);

        PlainReply plain = Decoded(Ask(device, BuildWriteCommand("10.0.0.7", "255.255.0.0", "10.0.0.1")));
        EXPECT_EQ(ReplyKeyword(plain.text, plain.headerOffset), "WPR");
        EXPECT_TRUE(ChangedFlag(plain.text, plain.headerOffset));

        plain = Decoded(Ask(device, BuildLiveDataRequest()));
        const StatusReading status = ReadStatus(plain.text, plain.headerOffset, plain.formatVersion);
        EXPECT_TRUE(status.changed);
        EXPECT_TRUE(ChangedFlag(plain.text, plain.headerOffset));

        // Not in force before the reset.
        plain = Decoded(Ask(device, BuildParameterRequest(true)));
        ParameterReading parameters = ReadParameters(plain.text, plain.headerOffset, plain.formatVersion);
        EXPECT_EQ(parameters.address, "127.0.0.20");
        EXPECT_TRUE(parameters.changed);

        plain = Decoded(Ask(device, BuildResetCommand(status.echo + 1)));
        EXPECT_EQ(ReplyKeyword(plain.text, plain.headerOffset), "RST");
        EXPECT_FALSE(ReadResetAck(plain.text, plain.headerOffset)) << "a stale echo number is not acknowledged";
        EXPECT_TRUE(ChangedFlag(plain.text, plain.headerOffset));

        plain = Decoded(Ask(device, BuildResetCommand(status.echo)));
        EXPECT_TRUE(ReadResetAck(plain.text, plain.headerOffset));
        EXPECT_FALSE(ChangedFlag(plain.text, plain.headerOffset));

        plain = Decoded(Ask(device, BuildParameterRequest(false)));
        parameters = ReadParameters(plain.text, plain.headerOffset, plain.formatVersion);
        EXPECT_EQ(parameters.address, "10.0.0.7");
        EXPECT_EQ(parameters.mask, "255.255.0.0");
        EXPECT_EQ(parameters.gateway, "10.0.0.1");
        EXPECT_FALSE(parameters.changed);

        plain = Decoded(Ask(device, BuildLiveDataRequest()));
        EXPECT_FALSE(ReadStatus(plain.text, plain.headerOffset, plain.formatVersion).changed);
    }
}

TEST(SimDevice, NegativeEchoNumbersAreMatchedToo) {
    DeviceState state = InitialState(kAddress);
    state.echo = -12;
    SimDevice device(state, {150, 0x3F, 0x14}, 1);
    const PlainReply plain = Decoded(Ask(device, BuildResetCommand(-12)));
    EXPECT_TRUE(ReadResetAck(plain.text, plain.headerOffset));
}

TEST(SimDevice, LinesThatAreNoRequestGetNoReply) {
    SimDevice device(InitialState(kAddress), {150, 0x3F, 0x14}, 1);
    for (const char* line : {"", "\r\n", "hello", "sn", "rst000004000001\r\n", "wPr000 1.2.3.4 255.0.0.0\r\n",
                             "wPr000 1.2.3.4 255.0.0.0 1.2.3.256\r\n", "wPr001 1.2.3.4 255.0.0.0 1.2.3.1\r\n",
                             "wPr000 1.2.3.4 255.0.0.0 1.2.3.1 9.9.9.9\r\n"}) {
        EXPECT_FALSE(device.Answer(line).has_value()) << line;
    }
    EXPECT_FALSE(device.State().pending.has_value());
}

}  // namespace
}  // namespace korva::sim
