#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/require.h"

#include "protocol/messages.h"
#include "protocol/unscramble.h"
#include "tools/korvactl/output/record_writers.h"

#include <string>

namespace korva::fuzz {

void DecodeReply(const std::uint8_t* data, std::size_t size) {
    const std::string received(reinterpret_cast<const char*>(data), size);
    const PlainReply reply = UnscrambleReply(received);
    Require(reply.text.size() <= received.size());
    Require(reply.headerOffset == 0 || reply.headerOffset == 2);
    for (char c : reply.text)
        Require(static_cast<unsigned char>(c) <= 95);

    const int h = reply.headerOffset;
    const StatusReading status = ReadStatus(reply.text, h, reply.formatVersion);
    Require(status.link2.has_value() == (reply.formatVersion >= 150));
    ReadParameters(reply.text, h, reply.formatVersion);
    ReadResetAck(reply.text, h);
    ChangedFlag(reply.text, h);
    ReplyKeyword(reply.text, h);

    // dump() throws on invalid UTF-8: the Windows-1252 conversion must never produce any.
    ctl::ReplyToJson(received).dump();
}

}  // namespace korva::fuzz
