#include "tools/korvactl/commands/decode_command.h"
#include "tools/korvactl/inputs/input_file.h"
#include "tools/korvactl/output/record_writers.h"

#include "protocol/unscramble.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace korva::ctl {
namespace {

std::string Hex(std::string_view bytes, const char* separator) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : bytes) {
        if (!hex.empty())
            hex += separator;
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

TEST(ParseHexLine, AcceptsCaptureStylesAndRejectsAnythingElse) {
    EXPECT_EQ(ParseHexLine("30313030"), "0100");
    EXPECT_EQ(ParseHexLine("30 31 30 30"), "0100");
    EXPECT_EQ(ParseHexLine("30:31:30:30\r"), "0100");
    EXPECT_EQ(ParseHexLine("3031 3030"), "0100");
    EXPECT_EQ(ParseHexLine("00ff"), std::string("\0\xFF", 2));
    EXPECT_EQ(ParseHexLine(""), "");
    EXPECT_FALSE(ParseHexLine("303"));
    EXPECT_FALSE(ParseHexLine("3 031"));
    EXPECT_FALSE(ParseHexLine("30g1"));
    EXPECT_FALSE(ParseHexLine("0100,SND"));
}

TEST(ReplyToJson, StatusReplyOfEachFormCarriesEveryKey) {
    const auto plain = ReplyToJson("0100,snd,0,25,60,244,1,0,1,123");
    EXPECT_EQ(plain["plain"], "0100,SND,0,25,60,244,1,0,1,123");
    EXPECT_EQ(plain["offset"], 0);
    EXPECT_EQ(plain["version"], 0);
    EXPECT_EQ(plain["keyword"], "SND");
    EXPECT_EQ(plain["changed_flag"], false);
    const auto& status = plain["status"];
    EXPECT_EQ(status["temperature"], 25);
    EXPECT_EQ(status["humidity"], 60);
    EXPECT_EQ(status["battery_tenths"], 244);
    EXPECT_EQ(status["presence"], true);
    EXPECT_EQ(status["reset_state"], true);
    EXPECT_EQ(status["link1"], true);
    EXPECT_TRUE(status["link2"].is_null());
    EXPECT_TRUE(status["link3"].is_null());
    EXPECT_EQ(status["echo"], 123);
    EXPECT_EQ(status["changed"], false);
    EXPECT_FALSE(plain.contains("parameters"));

    const std::string sent = ScrambleReply("150,3F,14,SND,0,21,55,250,0,1,1,1,0,9,X,Y,ALT", {150, 0x3F, 0x14});
    const auto scrambled = ReplyToJson(sent);
    EXPECT_EQ(scrambled["version"], 150);
    EXPECT_EQ(scrambled["offset"], 2);
    EXPECT_EQ(scrambled["status"]["link2"], true);
    EXPECT_EQ(scrambled["status"]["link3"], false);
    EXPECT_EQ(scrambled["status"]["echo"], 9);
    EXPECT_EQ(scrambled["status"]["changed"], true);
}

TEST(ReplyToJson, ParameterResetAndOtherReplies) {
    std::string tail;
    for (int field = 8; field <= 14; ++field)
        tail += "," + std::to_string(field);
    const auto parameters =
        ReplyToJson("0100,RPR,0,10.0.0.7,255.0.0.0,10.0.0.1,0:26:171:1:2:255" + tail + ",1.52,16,17,14,5,3,7,22,16");
    ASSERT_TRUE(parameters.contains("parameters"));
    EXPECT_EQ(parameters["parameters"]["address"], "10.0.0.7");
    EXPECT_EQ(parameters["parameters"]["mac"], "00-1A-AB-01-02-FF");
    EXPECT_EQ(parameters["parameters"]["firmware"], "1.52 07/03/16 14:05");

    EXPECT_EQ(ReplyToJson("0100,RST,0,ack")["reset_ack"], true);
    EXPECT_EQ(ReplyToJson("0100,RST,0,no")["reset_ack"], false);

    const auto write = ReplyToJson("0100,WPR");
    EXPECT_EQ(write["keyword"], "WPR");
    EXPECT_FALSE(write.contains("status") || write.contains("parameters") || write.contains("reset_ack"));
}

TEST(ReplyToJson, HighAndControlBytesStillMakeValidJson) {
    std::string every;
    for (int b = 0; b < 256; ++b)
        every += static_cast<char>(b);
    const std::string dumped = ReplyToJson("0100," + every).dump();
    EXPECT_EQ(nlohmann::json::parse(dumped)["offset"], 0);
}

TEST(RunDecode, ReportsBadLinesByNumberAndGoesOn) {
    std::istringstream in(Hex("0100,RST,0,ACK", " ") + "\n\nnot hex\n" + Hex("0100,SND,0,1,60,244,1,0,1,123", ":") +
                          "\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunDecode({}, in, out, err), 1);

    std::istringstream lines(out.str());
    std::string first, second, extra;
    ASSERT_TRUE(std::getline(lines, first));
    ASSERT_TRUE(std::getline(lines, second));
    EXPECT_FALSE(std::getline(lines, extra));
    EXPECT_EQ(nlohmann::json::parse(first)["keyword"], "RST");
    EXPECT_EQ(nlohmann::json::parse(second)["status"]["temperature"], 1);
    EXPECT_NE(err.str().find("line 3"), std::string::npos) << err.str();
}

TEST(RunDecode, TextModeAndCleanInputSucceed) {
    std::istringstream in("0100,rst,0,ack\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunDecode({"--text"}, in, out, err), 0);
    EXPECT_EQ(nlohmann::json::parse(out.str())["reset_ack"], true);
    EXPECT_TRUE(err.str().empty());
}

TEST(RunDecode, MissingFilesAndDirectoriesAreNamedAndEndWithStatusTwo) {
    const std::string capture = ::testing::TempDir() + "korvactl_capture.txt";
    std::ofstream(capture) << "30313030\n";
    const std::string directory = ::testing::TempDir();
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {"/nonexistent/capture.txt",
         "korvactl decode: cannot read /nonexistent/capture.txt: No such file or directory\n"},
        {directory, "korvactl decode: cannot read " + directory + ": Is a directory\n"},
    };
    for (const auto& c : cases) {
        std::istringstream none("");
        std::ostringstream out, err;
        EXPECT_EQ(RunDecode({c.path, capture}, none, out, err), 2) << c.path;
        EXPECT_EQ(err.str(), c.message);
        EXPECT_EQ(out.str().find("{\"plain\":\"0100\""), 0u) << "the readable file is still decoded: " << out.str();
    }
    std::remove(capture.c_str());
}

}  // namespace
}  // namespace korva::ctl
