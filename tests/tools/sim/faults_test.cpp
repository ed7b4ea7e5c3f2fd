#include "tools/sim/faults.h"

#include "protocol/messages.h"
#include "protocol/unscramble.h"
#include "tools/sim/sim_device.h"

#include <gtest/gtest.h>

namespace korva::sim {
namespace {

const ScrambleForm kForms[] = {{0, 0, 0}, {120, 0, 0}, {150, 0x3F, 0x14}};

Reply StatusReply(const ScrambleForm& form) {
    SimDevice device(InitialState({127, 0, 0, 22}), form, 3);
    return *device.Answer(BuildLiveDataRequest());
}

void ExpectSameStatus(const StatusReading& a, const StatusReading& b) {
    EXPECT_EQ(a.temperature, b.temperature);
    EXPECT_EQ(a.humidity, b.humidity);
    EXPECT_EQ(a.batteryTenths, b.batteryTenths);
    EXPECT_EQ(a.link1, b.link1);
    EXPECT_EQ(a.link2, b.link2);
    EXPECT_EQ(a.echo, b.echo);
}

TEST(Faults, NoneLeaveTheReplyAlone) {
    for (const ScrambleForm& form : kForms) {
        const Reply reply = StatusReply(form);
        const auto out = FaultInjector(FaultSettings{}, 1).Apply(reply, form);
        ASSERT_TRUE(out.has_value());
        EXPECT_EQ(out->reply.sent, reply.sent);
        EXPECT_TRUE(out->faults.empty());
    }
}

TEST(Faults, EachFaultDoesWhatItSays) {
    for (const ScrambleForm& form : kForms) {
        SCOPED_TRACE(form.version);
        const Reply reply = StatusReply(form);
        const PlainReply original = UnscrambleReply(reply.sent);
        const StatusReading expected = ReadStatus(original.text, original.headerOffset, original.formatVersion);

        EXPECT_FALSE(FaultInjector({.dropPercent = 100}, 1).Apply(reply, form).has_value());

        auto out = FaultInjector({.wrongKeywordPercent = 100}, 1).Apply(reply, form);
        PlainReply plain = UnscrambleReply(out->reply.sent);
        EXPECT_EQ(ReplyKeyword(plain.text, plain.headerOffset), "ERR");
        ExpectSameStatus(ReadStatus(plain.text, plain.headerOffset, plain.formatVersion), expected);

        // Readers skip empty fields, so the reading must not change at all.
        out = FaultInjector({.extraEmptyFieldsPercent = 100}, 1).Apply(reply, form);
        plain = UnscrambleReply(out->reply.sent);
        EXPECT_NE(plain.text.find(",,"), std::string::npos);
        EXPECT_EQ(ReplyKeyword(plain.text, plain.headerOffset), "SND");
        ExpectSameStatus(ReadStatus(plain.text, plain.headerOffset, plain.formatVersion), expected);

        out = FaultInjector({.truncatePercent = 100}, 1).Apply(reply, form);
        EXPECT_EQ(out->reply.sent, reply.sent.substr(0, reply.sent.size() / 2));
        EXPECT_EQ(out->faults, "truncated");
    }
}

TEST(Faults, ASharePercentHitsRoughlyThatShare) {
    const ScrambleForm form{150, 0x3F, 0x14};
    const Reply reply = StatusReply(form);
    FaultInjector injector({.dropPercent = 30}, 5);
    int dropped = 0;
    for (int i = 0; i < 1000; ++i)
        dropped += injector.Apply(reply, form).has_value() ? 0 : 1;
    EXPECT_GT(dropped, 200);
    EXPECT_LT(dropped, 400);
}

}  // namespace
}  // namespace korva::sim
