#include "protocol/messages.h"

#include "protocol/unscramble.h"

#include <gtest/gtest.h>

namespace korva {
namespace {

TEST(Requests, AreExactBytes) {
    EXPECT_EQ(BuildLiveDataRequest(), "snd000\r\n");
    EXPECT_EQ(BuildParameterRequest(true), "rPr000 \r\n");
    EXPECT_EQ(BuildParameterRequest(false), "rPr000\r\n");
    EXPECT_EQ(BuildResetCommand(4711), "rst0000050004711\r\n");
    EXPECT_EQ(BuildResetCommand(0), "rst0000050000000\r\n");
    EXPECT_EQ(BuildResetCommand(-5), "rst000005-0000005\r\n");
    // Six digits are one short of the seven the device counts on; seven need no padding.
    EXPECT_EQ(BuildResetCommand(123456), "rst0000050123456\r\n");
    EXPECT_EQ(BuildResetCommand(-654321), "rst000005-0654321\r\n");
    EXPECT_EQ(BuildResetCommand(1234567), "rst0000051234567\r\n");
    EXPECT_EQ(BuildResetCommand(123456789), "rst000005123456789\r\n");
    EXPECT_EQ(BuildResetCommand(-2147483647 - 1), "rst000005-2147483648\r\n");
    EXPECT_EQ(BuildWriteCommand("10.0.0.7", "255.255.255.0", "10.0.0.1"),
              "wPr000 010.000.000.007 255.255.255.000 010.000.000.001\r\n");
    EXPECT_EQ(BuildWriteCommand("", "", ""), "wPr000 000.000.000.000 000.000.000.000 000.000.000.000\r\n");
}

// The values a write passed its checks with are what the write command carries, octet by octet, in
// whatever form they were typed; a refused write gives no values to build one from.
TEST(WriteCommand, CarriesTheValuesTheChecksRead) {
    const struct {
        NewParameters typed;
        CheckedParameters read;
        const char* command;
    } cases[] = {
        {{"10.0.0.7", "255.255.255.0", "10.0.0.1"},
         {0x0A000007, 0xFFFFFF00, 0x0A000001},
         "wPr000 010.000.000.007 255.255.255.000 010.000.000.001\r\n"},
        {{"192.168.001.250", "255.255.255.252", "192.168.1.249"},
         {0xC0A801FA, 0xFFFFFFFC, 0xC0A801F9},
         "wPr000 192.168.001.250 255.255.255.252 192.168.001.249\r\n"},
        {{"172.16.5.4", "255.240.0.0", "172.31.0.99"},
         {0xAC100504, 0xFFF00000, 0xAC1F0063},
         "wPr000 172.016.005.004 255.240.000.000 172.031.000.099\r\n"},
    };
    for (const auto& c : cases) {
        const ParameterCheck check = CheckWrite(c.typed, CurrentPlace::kNetwork);
        ASSERT_TRUE(check.checked) << c.typed.address;
        EXPECT_EQ(check.checked->address, c.read.address) << c.typed.address;
        EXPECT_EQ(check.checked->mask, c.read.mask) << c.typed.address;
        EXPECT_EQ(check.checked->gateway, c.read.gateway) << c.typed.address;
        EXPECT_EQ(BuildWriteCommand(*check.checked), c.command) << c.typed.address;
        EXPECT_EQ(BuildWriteCommand(c.typed.address, c.typed.mask, c.typed.gateway), c.command) << c.typed.address;
    }
    const ParameterCheck refused = CheckWrite({"10.0.0.7", "255.255.255.0", "10.0.1.1"}, CurrentPlace::kNetwork);
    EXPECT_FALSE(refused.checked);
    EXPECT_EQ(refused.problems,
              (std::vector<ParameterProblem>{{ParameterBox::kGateway, ParameterFault::kGatewayOutsideSubnet}}));
}

TEST(ReplyKeyword, IsFieldTwoAfterTheHeaderTrimmedAndUpperCased) {
    EXPECT_EQ(ReplyKeyword("0100,snd,0", 0), "SND");
    EXPECT_EQ(ReplyKeyword("0100, SND ,0", 0), "SND");
    EXPECT_EQ(ReplyKeyword("150,3F,14,RPR,0", 2), "RPR");
    EXPECT_EQ(ReplyKeyword("0100", 0), "");
}

TEST(ReplyKind, NamesTheFourKeywordsAndNothingElse) {
    EXPECT_EQ(ReadReplyKind("0100,snd,0", 0), ReplyKind::kStatus);
    EXPECT_EQ(ReadReplyKind("150,3F,14, RPR ,0", 2), ReplyKind::kParameters);
    EXPECT_EQ(ReadReplyKind("0100,RST,0,ACK", 0), ReplyKind::kReset);
    EXPECT_EQ(ReadReplyKind("120,WPR,0", 0), ReplyKind::kWrite);
    for (const char* other : {"0100,ERR,0", "0100,SNDX,0", "0100,SN D,0", "0100"})
        EXPECT_EQ(ReadReplyKind(other, 0), ReplyKind::kUnknown) << other;
    for (const ReplyKind kind : {ReplyKind::kStatus, ReplyKind::kParameters, ReplyKind::kReset, ReplyKind::kWrite})
        EXPECT_EQ(KindOfKeyword(KeywordOf(kind)), kind);
    EXPECT_EQ(KeywordOf(ReplyKind::kUnknown), "");
}

TEST(ReadStatus, PlainReplyBelowVersion150HasNoLinks2And3) {
    const StatusReading s = ReadStatus("0100,SND,0,25,60,244,1,0,1,123", 0, 0);
    EXPECT_EQ(s.temperature, 25);
    EXPECT_EQ(s.humidity, 60);
    EXPECT_EQ(s.batteryTenths, 244);
    EXPECT_TRUE(s.presence);
    EXPECT_TRUE(s.resetState);
    EXPECT_TRUE(s.link1);
    EXPECT_FALSE(s.link2.has_value());
    EXPECT_FALSE(s.link3.has_value());
    EXPECT_EQ(s.echo, 123);
    EXPECT_FALSE(s.changed);
}

TEST(ReadStatus, FieldsMoveWithTheVersionAndTheHeaderOffset) {
    // Line fields: 1 version, 2 key, 3 n, 4 keyword, then reply fields 3.. at line field 5..
    const std::string line = "150,3F,14,SND,0,-3,45,121,0,1,0,1,0,42,X,Y,ALT";
    const StatusReading s = ReadStatus(line, 2, 150);
    EXPECT_EQ(s.temperature, -3);
    EXPECT_EQ(s.humidity, 45);
    EXPECT_EQ(s.batteryTenths, 121);
    EXPECT_FALSE(s.presence);
    EXPECT_FALSE(s.resetState);
    EXPECT_FALSE(s.link1);
    EXPECT_EQ(s.link2, std::optional<bool>(true));
    EXPECT_EQ(s.link3, std::optional<bool>(false));
    EXPECT_EQ(s.echo, 42);   // line field 14
    EXPECT_TRUE(s.changed);  // line field 17

    const StatusReading old = ReadStatus("120,SND,0,20,50,200,1,1,1,77,A,B,ALT", 0, 120);
    EXPECT_EQ(old.echo, 77);
    EXPECT_TRUE(old.changed);
    EXPECT_FALSE(old.resetState);
}

TEST(ReadStatus, EchoAndFlagFieldsAreNotTrimmed) {
    struct EchoCase {
        const char* field;
        std::int32_t echo;
    };
    for (const EchoCase c : {EchoCase{" 42", 42}, EchoCase{"42 ", 0}, EchoCase{"x2A", 42}, EchoCase{"4 2", 0}}) {
        const std::string line = std::string("0100,SND,0,1,2,3,1,0,1,") + c.field;
        EXPECT_EQ(ReadStatus(line, 0, 0).echo, c.echo) << '"' << c.field << '"';
    }
    EXPECT_FALSE(ReadStatus("0100,SND,0,1,2,3,1,0,1,5,A,B, ALT", 0, 0).changed);
    EXPECT_TRUE(ReadStatus("0100,SND,0, 1 , 2 , 3 , 1 , 0 , 1 ,5,A,B,ALT", 0, 0).presence);
}

// A parameter reply with the given fields 4-7 and the usual tail up to field 26.
std::string ParameterLine(const std::string& header, const std::string& address, const std::string& mac,
                          const std::string& flag) {
    // fields: 2 RPR, 3, 4 address, 5 mask, 6 gateway, 7 MAC, 8-14 filler, 15 firmware, 16-17 filler,
    // 18 hour, 19 minute, 20 month, 21 day, 22 filler, 23 year, 24-25 filler, 26 flag
    return header + "RPR,0," + address + ",FF.FF.FF.0,C0.A8.0.1," + mac +
           ",8,9,10,11,12,13,14,1.52,16,17,14,5,3,7,22,16,24,25," + flag;
}

TEST(ReadParameters, AddressesMacAndFirmwareByVersion) {
    const ParameterReading v130 =
        ReadParameters(ParameterLine("130,0,14,", "C0.A8.00.FA", "0:1A:AB:1:2:FF", "ALT"), 2, 130);
    EXPECT_EQ(v130.address, "192.168.0.250");
    EXPECT_EQ(v130.mask, "255.255.255.0");
    EXPECT_EQ(v130.gateway, "192.168.0.1");
    EXPECT_EQ(v130.mac, "00-1A-AB-01-02-FF");
    EXPECT_EQ(v130.firmware, "1.52 07/03/16 14:05");
    EXPECT_TRUE(v130.changed);

    const ParameterReading v131 =
        ReadParameters(ParameterLine("131,0,14,", "C0.A8.00.FA", "0:1A:AB:1:2:FF", "-"), 2, 131);
    EXPECT_EQ(v131.address, "C0.A8.00.FA");
    EXPECT_FALSE(v131.changed);

    const ParameterReading v120 = ReadParameters(ParameterLine("120,", "192.168.0.9", "0:26:171:1:2:255", "-"), 0, 120);
    EXPECT_EQ(v120.address, "192.168.0.9");
    EXPECT_EQ(v120.mac, "00-1A-AB-01-02-FF");

    // The hexadecimal MAC keeps its letters; only the reply's upper-casing makes them capitals.
    const ParameterReading v150 =
        ReadParameters(UnscrambleReply(ParameterLine("0100,", "1.2.3.4", "0:1a:ab:1:2:ff", "-")).text, 0, 150);
    EXPECT_EQ(v150.mac, "00-1A-AB-01-02-FF");
}

TEST(ReadParameters, MissingFieldsReadAsEmptyOrZeroTexts) {
    const ParameterReading p = ReadParameters("0100,RPR", 0, 0);
    EXPECT_EQ(p.address, "");
    EXPECT_EQ(p.mac, "00-00-00-00-00-00");
    EXPECT_EQ(p.firmware, " 00/00/00 00:00");
    EXPECT_FALSE(p.changed);
}

TEST(ReplyReader, IsCompleteWhenItReachesTheFieldsItsReadingNeeds) {
    const std::string parameters = ParameterLine("130,0,14,", "C0.A8.00.FA", "0:1A:AB:1:2:FF", "ALT");
    const std::string withoutFlag = parameters.substr(0, parameters.rfind(",24,25,ALT"));
    const std::string withoutYear = parameters.substr(0, parameters.rfind(",22,16,24,25,ALT"));
    const struct {
        std::string line;
        int headerOffset;
        int formatVersion;
        bool complete;
    } cases[] = {
        {"0100,SND,0,25,60,244,1,0,1,123", 0, 0, true},
        {"0100,SND,0,25,60,244,1,0,1", 0, 0, false},       // no echo number
        {"0100,SND,0,25,60,244,1,0,1,,", 0, 0, false},     // empty fields are no fields
        {"150,0,14,SND,0,25,60,244,1,0,1,1,0,7", 2, 150, true},
        {"150,0,14,SND,0,25,60,244,1,0,1,1,0", 2, 150, false},  // links 2 and 3 but no echo
        {parameters, 2, 130, true},
        {withoutFlag, 2, 130, true},  // the changed flag is optional
        {withoutYear, 2, 130, false},
        {"0100,RPR,0,1.2.3.4,255.0.0.0,1.2.3.1,0:1:2:3:4:5", 0, 0, false},
        {"0100,RST", 0, 0, true},  // no reading to cut short
        {"0100,WPR", 0, 0, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplyReader(c.line, c.headerOffset, c.formatVersion).Complete(), c.complete) << c.line;
    }
}

TEST(ResetAckAndChangedFlag, ReadFields4And26) {
    EXPECT_TRUE(ReadResetAck(UnscrambleReply("0100,RST,0,ack").text, 0));
    EXPECT_TRUE(ReadResetAck("150,0,14,RST,0, ACK ", 2));
    EXPECT_FALSE(ReadResetAck("0100,RST,0,NAK", 0));
    EXPECT_FALSE(ReadResetAck("0100,RST", 0));

    std::string line = "0100,WPR";
    for (int field = 3; field <= 25; ++field)
        line += "," + std::to_string(field);
    EXPECT_TRUE(ChangedFlag(line + ",ALT", 0));
    EXPECT_FALSE(ChangedFlag(line + ",ALT ", 0));
    EXPECT_TRUE(ChangedFlag(line + ",,ALT", 0));  // an empty field does not count
    EXPECT_FALSE(ChangedFlag(line + ",X,ALT", 0));
    EXPECT_FALSE(ChangedFlag(line, 0));
}

}  // namespace
}  // namespace korva
