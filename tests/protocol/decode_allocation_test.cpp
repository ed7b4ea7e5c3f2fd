// A reply is decoded without the heap, apart from one copy of the datagram and the reading's own texts
// that do not fit into a string's inline buffer: every form and every kind the console reads, the way
// its reply handler reads them (unscrambled, split once, then asked its kind, flag and reading).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "allocation_counter.h"
#include "protocol/messages.h"
#include "protocol/unscramble.h"

namespace korva {
namespace {

struct Form {
    const char* name;
    ScrambleForm scramble;
};

const Form kForms[] = {
    {"plain", {0, 0, 0}}, {"v120", {120, 0, 0}}, {"v130", {130, 0x3F, 0x14}}, {"v150", {150, 0x3F, 0x14}}};

// What a device of this form sends for the plain body that follows its header.
std::string Received(const Form& form, const std::string& body) {
    const int version = form.scramble.version;
    if (version == 0)
        return "0100," + body;
    if (version < kFirstNewFormVersion)
        return ScrambleReply(std::to_string(version) + "," + body, form.scramble);
    return ScrambleReply(std::to_string(version) + ",3F,14," + body, form.scramble);
}

std::string StatusBody(const Form& form) {
    return form.scramble.version >= kThreeLinksVersion ? "SND,0,25,60,244,1,0,1,1,0,4711,X,Y,ALT"
                                                       : "SND,0,25,60,244,1,0,1,4711,X,Y,ALT";
}

// Version 130 sends hexadecimal addresses; from 130 on the MAC address is hexadecimal too.
std::string ParameterBody(const Form& form) {
    const int version = form.scramble.version;
    const std::string addresses = version == kHexAddressVersion ? "C0.A8.00.FA,FF.FF.FF.00,C0.A8.00.01"
                                                                : "192.168.0.250,255.255.255.0,192.168.0.1";
    const std::string mac = version >= kFirstNewFormVersion ? "0:1a:AB:1:2:ff" : "0:26:171:1:2:255";
    return "RPR,0," + addresses + "," + mac + ",8,9,10,11,12,13,14,1.52,16,17,14,5,3,7,99,22,24,25,ALT";
}

const std::string kResetBody = "RST,0,ACK";

// Texts longer than this live on the heap.
std::size_t InlineCapacity() {
    return std::string().capacity();
}

std::size_t OnHeap(const std::vector<const std::string*>& texts) {
    std::size_t count = 0;
    for (const std::string* text : texts)
        count += text->size() > InlineCapacity() ? 1 : 0;
    return count;
}

// The copy of the datagram that becomes the plain text, when it is too long to be kept inline.
std::size_t CopyOf(const std::string& received) {
    return received.size() > InlineCapacity() ? 1 : 0;
}

TEST(DecodeAllocations, StatusRepliesNeedOnlyTheCopyOfTheDatagram) {
    for (const Form& form : kForms) {
        const std::string received = Received(form, StatusBody(form));
        StatusReading reading;
        bool changed = false;
        ReplyKind kind = ReplyKind::kUnknown;
        const std::size_t allocations = CountAllocations([&] {
            const PlainReply plain = UnscrambleReply(received);
            const ReplyReader reply(plain.text, plain.headerOffset, plain.formatVersion);
            kind = reply.Kind();
            changed = reply.ChangedFlag();
            reading = reply.Status();
        });
        // The reading must be the real one, or counting would prove nothing.
        EXPECT_EQ(kind, ReplyKind::kStatus) << form.name;
        EXPECT_FALSE(changed) << form.name;  // a status reply has its own mark, before field 26
        EXPECT_TRUE(reading.changed) << form.name;
        EXPECT_EQ(reading.batteryTenths, 244) << form.name;
        EXPECT_EQ(reading.echo, 4711) << form.name;
        EXPECT_EQ(allocations, CopyOf(received)) << form.name;
    }
}

TEST(DecodeAllocations, ParameterRepliesAddOnlyTheirLongTexts) {
    for (const Form& form : kForms) {
        const std::string received = Received(form, ParameterBody(form));
        ParameterReading reading;
        ReplyKind kind = ReplyKind::kUnknown;
        bool changed = false;
        const std::size_t allocations = CountAllocations([&] {
            const PlainReply plain = UnscrambleReply(received);
            const ReplyReader reply(plain.text, plain.headerOffset, plain.formatVersion);
            kind = reply.Kind();
            changed = reply.ChangedFlag();
            reading = reply.Parameters();
        });
        EXPECT_EQ(kind, ReplyKind::kParameters) << form.name;
        EXPECT_TRUE(changed) << form.name;
        EXPECT_EQ(reading.address, "192.168.0.250") << form.name;
        EXPECT_EQ(reading.gateway, "192.168.0.1") << form.name;
        EXPECT_EQ(reading.mac, "00-1A-AB-01-02-FF") << form.name;
        EXPECT_EQ(reading.firmware, "1.52 07/03/22 14:05") << form.name;
        const std::size_t ownTexts =
            OnHeap({&reading.address, &reading.mask, &reading.gateway, &reading.mac, &reading.firmware});
        EXPECT_EQ(allocations, CopyOf(received) + ownTexts) << form.name;
    }
}

TEST(DecodeAllocations, ResetRepliesNeedOnlyTheCopyOfTheDatagram) {
    for (const Form& form : kForms) {
        const std::string received = Received(form, kResetBody);
        ReplyKind kind = ReplyKind::kUnknown;
        bool acknowledged = false;
        const std::size_t allocations = CountAllocations([&] {
            const PlainReply plain = UnscrambleReply(received);
            const ReplyReader reply(plain.text, plain.headerOffset, plain.formatVersion);
            kind = reply.Kind();
            acknowledged = reply.ResetAck();
        });
        EXPECT_EQ(kind, ReplyKind::kReset) << form.name;
        EXPECT_TRUE(acknowledged) << form.name;
        EXPECT_EQ(allocations, CopyOf(received)) << form.name;
    }
}

// The counter itself: a test that could not see an allocation would pass anything.
TEST(DecodeAllocations, TheCounterSeesAnAllocation) {
    std::string text;
    const std::size_t allocations = CountAllocations([&] { text.assign(InlineCapacity() + 1, 'x'); });
    EXPECT_EQ(allocations, 1u);
}

}  // namespace
}  // namespace korva
