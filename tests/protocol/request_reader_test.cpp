// What a device reads from the requests the console builds, and which lines it leaves unanswered.
#include "protocol/request_reader.h"

#include "protocol/messages.h"

#include <gtest/gtest.h>

#include <string>

namespace korva {
namespace {

TEST(ReadRequest, ReadsBackWhatTheBuildersWriteAndNothingElse) {
    constexpr auto kLive = RequestKind::kLiveData;
    constexpr auto kParameters = RequestKind::kParameters;
    constexpr auto kReset = RequestKind::kReset;
    constexpr auto kWrite = RequestKind::kWrite;
    const struct {
        std::string line;
        std::optional<Request> expected;
    } cases[] = {
        {BuildLiveDataRequest(), Request{.kind = kLive}},
        {BuildParameterRequest(true), Request{.kind = kParameters}},
        {BuildParameterRequest(false), Request{.kind = kParameters}},
        {BuildResetCommand(4711), Request{.kind = kReset, .echo = 4711}},
        {BuildResetCommand(-5), Request{.kind = kReset, .echo = -5}},
        {BuildResetCommand(123456789), Request{.kind = kReset, .echo = 123456789}},
        {BuildResetCommand(-2147483647 - 1), Request{.kind = kReset, .echo = -2147483647 - 1}},
        {BuildWriteCommand("10.0.0.7", "255.255.255.0", "10.0.0.1"),
         Request{.kind = kWrite, .address = 0x0A000007, .mask = 0xFFFFFF00, .gateway = 0x0A000001}},
        {BuildWriteCommand("", "", ""), Request{.kind = kWrite}},
        // Lines only another sender writes.
        {"SND", Request{.kind = kLive}},
        {" rst000005x\r\n", Request{.kind = kReset, .echo = 0}},
        {"WPR000\t1.2.3.4  5.6.7.8\t9.10.11.12",
         Request{.kind = kWrite, .address = 0x01020304, .mask = 0x05060708, .gateway = 0x090A0B0C}},
        {"", std::nullopt},
        {"xyz000", std::nullopt},
        {"rst0000040004711", std::nullopt},
        {"wPr001 1.2.3.4 5.6.7.8 9.10.11.12", std::nullopt},
        {"wPr000 1.2.3.4 5.6.7.8", std::nullopt},
        {"wPr000 1.2.3.4 5.6.7.8 9.10.11.12 13", std::nullopt},
        {"wPr000 1.2.3.4 5.6.7.8 9.10.11.256", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const auto request = ReadRequest(c.line);
        ASSERT_EQ(request.has_value(), c.expected.has_value());
        if (!request)
            continue;
        EXPECT_EQ(request->kind, c.expected->kind);
        EXPECT_EQ(request->echo, c.expected->echo);
        EXPECT_EQ(request->address, c.expected->address);
        EXPECT_EQ(request->mask, c.expected->mask);
        EXPECT_EQ(request->gateway, c.expected->gateway);
    }
}

}  // namespace
}  // namespace korva
