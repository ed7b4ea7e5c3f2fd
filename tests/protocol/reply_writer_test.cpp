// The writer against the readers: every reply kind written in every form, scrambled, unscrambled and
// read back as what was written; and the bytes that go out never end where the receiver trims.
#include "protocol/reply_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/messages.h"
#include "protocol/unscramble.h"

namespace korva {
namespace {

// Plain, the old form at both ends, the new form at version 130 (hexadecimal addresses), just before
// and from the three-link layout, and with a key whose shifts make every comma want mending.
const std::vector<ScrambleForm> kForms = {{0, 0, 0},         {101, 0, 0},       {129, 0, 0},     {130, 0x3F, 0x14},
                                          {149, 0x3F, 0x14}, {150, 0x3F, 0x14}, {200, -40, 0x14}};

// What the console reads from the bytes a device of form sends for plain.
PlainReply Received(const std::string& plain, const ScrambleForm& form) {
    const PlainReply reply = UnscrambleReply(SendableReply(plain, form));
    EXPECT_EQ(reply.formatVersion, form.version);
    return reply;
}

std::string Describe(const ScrambleForm& form) {
    return "version " + std::to_string(form.version) + " key " + std::to_string(form.key);
}

TEST(ReplyWriter, StatusRepliesReadBackAsWritten) {
    StatusReading written;
    written.temperature = -7;
    written.humidity = 93;
    written.batteryTenths = 231;
    written.presence = true;
    written.resetState = false;
    written.link1 = true;
    written.link2 = false;
    written.link3 = true;
    written.echo = -4711;
    for (const ScrambleForm& form : kForms) {
        for (const bool flags : {false, true}) {
            SCOPED_TRACE(Describe(form) + (flags ? ", flagged" : ""));
            written.changed = flags;
            const PlainReply reply = Received(StatusReplyLine(written, flags, form), form);
            ASSERT_EQ(ReadReplyKind(reply.text, reply.headerOffset), ReplyKind::kStatus);
            const StatusReading read = ReadStatus(reply.text, reply.headerOffset, reply.formatVersion);
            EXPECT_EQ(read.temperature, written.temperature);
            EXPECT_EQ(read.humidity, written.humidity);
            EXPECT_EQ(read.batteryTenths, written.batteryTenths);
            EXPECT_EQ(read.presence, written.presence);
            EXPECT_EQ(read.resetState, written.resetState);
            EXPECT_EQ(read.link1, written.link1);
            const bool threeLinks = form.version >= kThreeLinksVersion;
            EXPECT_EQ(read.link2, threeLinks ? written.link2 : std::nullopt);
            EXPECT_EQ(read.link3, threeLinks ? written.link3 : std::nullopt);
            EXPECT_EQ(read.echo, written.echo);
            EXPECT_EQ(read.changed, flags);
            EXPECT_EQ(ChangedFlag(reply.text, reply.headerOffset), flags);
        }
    }
}

TEST(ReplyWriter, ParameterRepliesReadBackAsWritten) {
    ParameterReading written;
    written.address = "10.200.3.254";
    written.mask = "255.255.252.0";
    written.gateway = "10.200.0.1";
    written.mac = "00-1A-AB-C0-0F-FE";
    written.firmware = "1.52 31/12/99 23:59";
    for (const ScrambleForm& form : kForms) {
        for (const bool flagged : {false, true}) {
            SCOPED_TRACE(Describe(form) + (flagged ? ", flagged" : ""));
            written.changed = flagged;
            const std::string plain = ParameterReplyLine(written, form);
            EXPECT_EQ(plain.find("10.200.3.254") == std::string::npos, form.version == kHexAddressVersion) << plain;
            const PlainReply reply = Received(plain, form);
            ASSERT_EQ(ReadReplyKind(reply.text, reply.headerOffset), ReplyKind::kParameters);
            const ParameterReading read = ReadParameters(reply.text, reply.headerOffset, reply.formatVersion);
            EXPECT_EQ(read.address, written.address);
            EXPECT_EQ(read.mask, written.mask);
            EXPECT_EQ(read.gateway, written.gateway);
            EXPECT_EQ(read.mac, written.mac);
            EXPECT_EQ(read.firmware, written.firmware);
            EXPECT_EQ(read.changed, flagged);
        }
    }
}

TEST(ReplyWriter, ResetAndWriteRepliesReadBackAsWritten) {
    for (const ScrambleForm& form : kForms) {
        for (const bool flagged : {false, true}) {
            SCOPED_TRACE(Describe(form) + (flagged ? ", flagged" : ""));
            for (const bool acknowledged : {false, true}) {
                const PlainReply reset = Received(ResetReplyLine(acknowledged, flagged, form), form);
                EXPECT_EQ(ReadReplyKind(reset.text, reset.headerOffset), ReplyKind::kReset);
                EXPECT_EQ(ReadResetAck(reset.text, reset.headerOffset), acknowledged);
                EXPECT_EQ(ChangedFlag(reset.text, reset.headerOffset), flagged);
            }
            const PlainReply write = Received(WriteReplyLine(flagged, form), form);
            EXPECT_EQ(ReadReplyKind(write.text, write.headerOffset), ReplyKind::kWrite);
            EXPECT_EQ(ChangedFlag(write.text, write.headerOffset), flagged);
        }
    }
}

// What the receiver may see beyond the line itself: empty fields, then at most one filler field.
bool OnlyHarmlessTail(std::string_view tail) {
    const std::size_t commas = tail.find_first_not_of(',');
    return commas == std::string_view::npos || tail.substr(commas) == "Z";
}

TEST(SendableReply, NeverEndsOnAByteTheReceiverWouldTrim) {
    // The old form's shift passes through the trimmed range only for lines over about 170 bytes; a
    // negative key puts every comma of the new form into it.
    const struct {
        ScrambleForm form;
        const char* header;
        bool needsMending;
    } cases[] = {
        {{120, 0, 0}, "120,SND", true},
        {{150, 0x3F, 0x14}, "150,3F,14,SND", false},  // shifts 3 to 22 keep every byte above 32
        {{150, -40, 0x14}, "150,FFFFFFD8,14,SND", true},
        {{150, -59, 0x14}, "150,FFFFFFC5,14,SND", true},
        {{150, -17, 0x14}, "150,FFFFFFEF,14,SND", true},
    };
    for (const auto& c : cases) {
        int mended = 0;
        for (int length = 0; length < 300; ++length) {
            std::string plain = c.header;
            for (int i = 0; i < length; ++i)
                plain += i % 3 == 2 ? ',' : static_cast<char>('0' + i % 10);
            const std::string sent = SendableReply(plain, c.form);
            SCOPED_TRACE(plain);
            ASSERT_GT(static_cast<unsigned char>(sent.back()), 32);
            ASSERT_GT(static_cast<unsigned char>(sent.front()), 32);

            const PlainReply decoded = UnscrambleReply(sent);
            ASSERT_EQ(decoded.formatVersion, c.form.version);
            ASSERT_EQ(decoded.text.substr(0, plain.size()), plain);
            ASSERT_TRUE(OnlyHarmlessTail(std::string_view(decoded.text).substr(plain.size())));
            if (sent.size() != plain.size())
                ++mended;
        }
        EXPECT_EQ(mended > 0, c.needsMending) << c.header;
    }
}

TEST(SendableReply, PlainLinesGoOutAsTheyAre) {
    EXPECT_EQ(SendableReply("0100,SND,0,25", {0, 0, 0}), "0100,SND,0,25");
}

TEST(ScrambleFormProblem, OnlyFormsTheConsoleCanDecode) {
    const struct {
        ScrambleForm form;
        bool usable;
    } cases[] = {
        {{0, 0, 0}, true},         {{100, 0, 0}, false},  // read as an unscrambled reply
        {{101, 0, 0}, true},       {{129, 0, 0}, true},
        {{130, 0x3F, 0x14}, true}, {{150, 0x3F, 10}, true},  // "150,3F,0A" and its comma: ten bytes
        {{150, 0x3F, 9}, false},                             // the comma after the header would use the key
        {{150, 0x3F, 0}, false},   {{150, -40, 0x10}, true},
        {{150, -40, 0x0F}, false}, {{150, 0x7FFFFFFF, 0x7FFFFFFF}, false},  // the header no longer fits in 20 bytes
        {{1000, 0, 0}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScrambleFormProblem(c.form).empty(), c.usable)
            << c.form.version << " key " << c.form.key << " n " << c.form.n << ": " << ScrambleFormProblem(c.form);
    }
}

}  // namespace
}  // namespace korva
