#include "protocol/unscramble.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace korva {
namespace {

struct FormCase {
    const char* received;
    const char* plain;
    int offset;
    int version;
};

TEST(UnscrambleReply, KnownAnswers) {
    const FormCase cases[] = {
        {"0100,snd,0,25", "0100,SND,0,25", 0, 0},
        {"  0100,RST,0,ack\r\n", "0100,RST,0,ACK", 0, 0},
        {"TVURzvm", "120,SND", 0, 120},
        // Neither "0100" nor a decodable version: used as received apart from the folding of high bytes.
        {"hello,world", "HELLO,WORLD", 0, 0},
        {"", "", 0, 0},
        {"0", "0", 0, 0},
    };
    for (const auto& c : cases) {
        const PlainReply reply = UnscrambleReply(c.received);
        EXPECT_EQ(reply.text, c.plain) << c.received;
        EXPECT_EQ(reply.headerOffset, c.offset) << c.received;
        EXPECT_EQ(reply.formatVersion, c.version) << c.received;
    }
}

TEST(UnscrambleReply, FoldsEveryByteAbove95) {
    std::string high;
    for (int b = 96; b <= 255; ++b)
        high += static_cast<char>(b);
    const std::string plain = UnscrambleReply("0100" + high).text;
    ASSERT_EQ(plain.size(), 4 + high.size());
    for (std::size_t i = 0; i < high.size(); ++i)
        EXPECT_EQ(static_cast<unsigned char>(plain[4 + i]), (static_cast<unsigned char>(high[i]) & 0x5F)) << i;
}

TEST(UnscrambleReply, LeavesEveryByteUpTo95Alone) {
    std::string low;
    for (int b = 33; b <= 95; ++b)
        low += static_cast<char>(b);
    // Between blanks, which stay inside the line: only its ends are trimmed.
    const std::string line = "0100" + std::string(1, ' ') + low + std::string(3, '\x01') + low;
    EXPECT_EQ(UnscrambleReply(line).text, line);
}

// A byte string whose every byte is the plain byte shifted by the given rule, so that the tests do not
// lean on the scrambler they also check.
std::string ShiftEach(const std::string& plain, int (*shift)(std::size_t)) {
    std::string sent = plain;
    for (std::size_t p = 0; p < sent.size(); ++p)
        sent[p] = static_cast<char>((static_cast<unsigned char>(plain[p]) + shift(p)) % 256);
    return sent;
}

TEST(UnscrambleReply, OldFormShiftsByTheUnreducedPosition) {
    const std::string plain = "120,SND,0,25,60,244,1,0,1,123,A,B,C,D,E,F,G,H,I,J,K,L,M,N,O,P,Q,R,S,T,U,V";
    const std::string sent = ShiftEach(plain, [](std::size_t p) { return static_cast<int>(p) + 35; });
    EXPECT_EQ(static_cast<unsigned char>(sent[25]), (static_cast<unsigned char>(plain[25]) + 60) % 256);
    const PlainReply reply = UnscrambleReply(sent);
    EXPECT_EQ(reply.text, plain);
    EXPECT_EQ(reply.formatVersion, 120);
    EXPECT_EQ(reply.headerOffset, 0);
}

TEST(UnscrambleReply, NewFormUsesTheHeaderShiftBeforeNAndTheKeyAfter) {
    // Key 3F is 63, 3 after the remainder by 60; n 14 is 20.
    const std::string plain = "150,3F,14,SND,0,25,60,244,1,0,1,1,0,123";
    const std::string sent =
        ShiftEach(plain, [](std::size_t p) { return static_cast<int>(p % 20) + (p < 20 ? 35 : 3); });
    const PlainReply reply = UnscrambleReply(sent);
    EXPECT_EQ(reply.text, plain);
    EXPECT_EQ(reply.formatVersion, 150);
    EXPECT_EQ(reply.headerOffset, 2);
}

TEST(UnscrambleReply, VersionBoundaries) {
    struct Boundary {
        const char* plainHeader;
        int offset;
        bool unshifted;
    };
    const Boundary boundaries[] = {
        {"100,SND,0", 0, false},
        {"101,SND,0", 0, true},
        {"129,SND,0", 0, true},
        {"130,0,14,SND", 2, true},
    };
    for (const auto& b : boundaries) {
        const std::string sent = ShiftEach(b.plainHeader, [](std::size_t p) { return static_cast<int>(p) + 35; });
        const PlainReply reply = UnscrambleReply(sent);
        EXPECT_EQ(reply.headerOffset, b.offset) << b.plainHeader;
        EXPECT_EQ(reply.formatVersion, std::stoi(b.plainHeader)) << b.plainHeader;
        if (b.unshifted)
            EXPECT_EQ(reply.text, b.plainHeader);
        else
            EXPECT_NE(reply.text, b.plainHeader);
    }
}

TEST(UnscrambleReply, NegativeKeyKeepsItsSignAndNOfZeroUsesTheKeyEverywhere) {
    // The header is sent in the header rule so that it decodes; with n = 0 the decoder then takes every
    // byte, header included, by the key rule: key -$41 is -65, -5 after the signed remainder. (Without
    // the "$" a minus sign would make the key text invalid, reading as 0.)
    const std::string sent = ShiftEach("150,-$41,0,", [](std::size_t p) { return static_cast<int>(p) + 35; });
    std::string expected;
    for (std::size_t p = 0; p < sent.size(); ++p)
        expected += static_cast<char>((static_cast<unsigned char>(sent[p]) - static_cast<int>(p % 20) + 5 + 256) % 256);
    const PlainReply reply = UnscrambleReply(sent);
    EXPECT_EQ(reply.formatVersion, 150);
    EXPECT_EQ(reply.text, expected);
}

// Plain lines made of the characters a reply can hold after decoding: upper-case, digits, punctuation.
std::string RandomPlainLine(std::mt19937& random, std::size_t length) {
    static constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789,.:-/ ";
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    std::string line;
    for (std::size_t i = 0; i < length; ++i)
        line += kAlphabet[pick(random)];
    return line;
}

bool SurvivesTrimming(const std::string& sent) {
    return sent.empty() ||
           (static_cast<unsigned char>(sent.front()) > 32 && static_cast<unsigned char>(sent.back()) > 32);
}

// The plain line a device of the given form sends, its header included.
std::string PlainLine(const ScrambleForm& form, const std::string& body) {
    if (form.version == 0)
        return "0100,SND," + body;
    if (form.version < 130)
        return std::to_string(form.version) + ",SND," + body;
    char header[40];
    std::snprintf(header, sizeof header, "%d,%s%X,%X,", form.version, form.key < 0 ? "-$" : "", std::abs(form.key),
                  form.n);
    return header + std::string("SND,") + body;
}

TEST(ScrambleReply, IsUndoneByUnscrambleInEveryForm) {
    std::mt19937 random(20261207);
    int checked = 0;
    for (int round = 0; round < 400; ++round) {
        const std::size_t length = 1 + round % 300;  // past 255 the old form's shift wraps more than once
        const std::string body = RandomPlainLine(random, length) + "X";
        const int key = static_cast<int>(random() % 200) - 100;
        const int n = 20 + static_cast<int>(random() % 40);  // the header must lie below n to decode
        for (const ScrambleForm form : {ScrambleForm{0, 0, 0}, ScrambleForm{120, 0, 0}, ScrambleForm{150, key, n}}) {
            const std::string plain = PlainLine(form, body);
            const std::string sent = ScrambleReply(plain, form);
            if (!SurvivesTrimming(sent))
                continue;  // a device never sends a line whose ends a receiver would trim away
            const PlainReply reply = UnscrambleReply(sent);
            ASSERT_EQ(reply.text, plain) << "version " << form.version << " length " << plain.size();
            EXPECT_EQ(reply.formatVersion, form.version);
            EXPECT_EQ(reply.headerOffset, form.version >= 130 ? 2 : 0);
            ++checked;
        }
    }
    EXPECT_GT(checked, 1000);
}

}  // namespace
}  // namespace korva
