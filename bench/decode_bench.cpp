// Time per reply from the received bytes to the reading, for each form and kind, against a plain
// byte loop over the same bytes (copy and sum) as the floor.
#include "protocol/messages.h"
#include "protocol/reply_writer.h"
#include "protocol/unscramble.h"

#include <benchmark/benchmark.h>

#include <numeric>
#include <string>

namespace {

using korva::ScrambleForm;

const std::string kStatusBody = "SND,0,25,60,244,1,0,1,1,0,4711,X,Y,-,Z,1,2,3,4,5,6,7,8,9,-";
// Parameter replies are written as a device of each form writes them: the new forms give the MAC's
// octets in hexadecimal, and form 130 the addresses too.
const korva::ParameterReading kParameters{"192.168.0.250", "255.255.255.0", "192.168.0.1", "00-1A-AB-01-02-FF",
                                          "1.52 07/03/16 14:05", false};
const std::string kResetBody = "RST,0,ACK";

const ScrambleForm kForms[] = {{0, 0, 0}, {120, 0, 0}, {130, 0x3F, 0x14}, {150, 0x3F, 0x14}};

std::string Received(const std::string& body, const ScrambleForm& form) {
    if (form.version == 0)
        return "0100," + body;
    if (form.version < 130)
        return korva::ScrambleReply(std::to_string(form.version) + "," + body, form);
    return korva::ScrambleReply(std::to_string(form.version) + ",3F,14," + body, form);
}

std::string Received(int kind, const ScrambleForm& form) {
    if (kind == 1)
        return korva::SendableReply(korva::ParameterReplyLine(kParameters, form), form);
    return Received(kind == 0 ? kStatusBody : kResetBody, form);
}

// What the console's reply handler does with a datagram before it touches a widget.
void BM_Decode(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const ScrambleForm form = kForms[state.range(1)];
    const std::string received = Received(kind, form);
    for (auto _ : state) {
        const korva::PlainReply plain = korva::UnscrambleReply(received);
        const korva::ReplyReader reply(plain.text, plain.headerOffset, plain.formatVersion);
        const korva::ReplyKind replyKind = reply.Kind();
        benchmark::DoNotOptimize(reply.ChangedFlag());
        if (replyKind == korva::ReplyKind::kStatus)
            benchmark::DoNotOptimize(reply.Status());
        else if (replyKind == korva::ReplyKind::kParameters)
            benchmark::DoNotOptimize(reply.Parameters());
        else
            benchmark::DoNotOptimize(reply.ResetAck());
    }
    state.SetLabel(std::string(kind == 0   ? "status"
                               : kind == 1 ? "parameters"
                                           : "reset") +
                   " v" + std::to_string(form.version) + " " + std::to_string(received.size()) + " B");
}
BENCHMARK(BM_Decode)->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3}});

// The physical floor: copy the same datagram and touch every byte once.
void BM_CopyAndSum(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const std::string received = Received(kind, kForms[state.range(1)]);
    for (auto _ : state) {
        std::string copy = received;
        benchmark::DoNotOptimize(copy.data());
        unsigned sum = std::accumulate(copy.begin(), copy.end(), 0u,
                                       [](unsigned s, char c) { return s + static_cast<unsigned char>(c); });
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel(std::to_string(received.size()) + " B");
}
BENCHMARK(BM_CopyAndSum)->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3}});

}  // namespace

BENCHMARK_MAIN();
