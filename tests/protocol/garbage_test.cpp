// Whatever arrives on the wire, decoding must neither throw nor read past the end (the sanitizer builds
// turn any stray read into a failure here).
#include "protocol/address_text.h"
#include "protocol/messages.h"
#include "protocol/numbers.h"
#include "protocol/request_reader.h"
#include "protocol/unscramble.h"

#include <gtest/gtest.h>

#include <random>

namespace korva {
namespace {

void DecodeEverything(const std::string& received) {
    const PlainReply reply = UnscrambleReply(received);
    EXPECT_LE(reply.text.size(), received.size());
    EXPECT_TRUE(reply.headerOffset == 0 || reply.headerOffset == 2);
    for (char c : reply.text)
        EXPECT_LE(static_cast<unsigned char>(c), 95);
    const int h = reply.headerOffset;
    ReplyKeyword(reply.text, h);
    ReadStatus(reply.text, h, reply.formatVersion);
    // Every form's address and MAC reading, whatever form the bytes claim.
    for (const int version : {reply.formatVersion, 0, kHexAddressVersion, kThreeLinksVersion})
        ReadParameters(reply.text, h, version);
    ReadResetAck(reply.text, h);
    ChangedFlag(reply.text, h);
    ToInteger(received);
    HexValue(received);
    PaddedDottedQuad(received);
    ParseIpv4(received);
    ReadRequest(received);
}

TEST(Garbage, RandomByteStringsOfEveryLengthUpTo300) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t length = 0; length <= 300; ++length) {
        for (int round = 0; round < 20; ++round) {
            std::string received(length, '\0');
            for (char& c : received)
                c = static_cast<char>(byte(random));
            ASSERT_NO_THROW(DecodeEverything(received)) << "length " << length;
        }
    }
}

TEST(Garbage, EveryPrefixAndEverySingleByteChangeOfAValidReply) {
    const std::string valid = ScrambleReply("150,3F,14,SND,0,25,60,244,1,0,1,1,0,123,X,ALT", {150, 0x3F, 20});
    for (std::size_t length = 0; length <= valid.size(); ++length)
        ASSERT_NO_THROW(DecodeEverything(valid.substr(0, length)));
    for (std::size_t p = 0; p < valid.size(); ++p) {
        for (int b = 0; b < 256; ++b) {
            std::string tampered = valid;
            tampered[p] = static_cast<char>(b);
            ASSERT_NO_THROW(DecodeEverything(tampered));
        }
    }
}

}  // namespace
}  // namespace korva
