#include "tests/fuzz/seed_inputs.h"

#include "protocol/reply_writer.h"
#include "protocol/unscramble.h"

namespace korva::fuzz {

namespace {

// Plain reply lines of every kind, with the header of each form in front.
std::vector<std::string> KnownReplies() {
    const std::string status = "SND,0,25,60,244,1,0,1,123,A,B,C,ALT,D,E,F,G,H,I,J,K,L,M,N,ALT";
    const std::string parameters =
        "RPR,0,C0.A8.0.FA,FF.FF.FF.0,C0.A8.0.1,0:1a:ab:1:2:ff,8,9,10,11,12,13,14,1.52,"
        "16,17,14,5,3,7,22,16,24,25,ALT";
    const std::string decimalParameters =
        "RPR,0,192.168.0.250,255.255.255.0,192.168.0.1,0:26:171:1:2:255,8,9,10,"
        "11,12,13,14,1.52,16,17,14,5,3,7,22,16,24,25,-";
    const std::string reset = "RST,0,ACK";
    const std::string write = "WPR,0";
    std::vector<std::string> replies;
    for (const std::string& body : {status, parameters, decimalParameters, reset, write}) {
        replies.push_back("0100," + body);
        replies.push_back(ScrambleReply("120," + body, {120, 0, 0}));
        replies.push_back(ScrambleReply("130,3F,14," + body, {130, 0x3F, 0x14}));
        replies.push_back(ScrambleReply("150,-$41,14," + body, {150, -0x41, 0x14}));
    }
    replies.push_back("TVURzvm");
    return replies;
}

}  // namespace

std::vector<std::string> ReplySeeds() {
    std::vector<std::string> seeds = KnownReplies();
    const std::vector<std::string> known = seeds;
    for (const std::string& reply : known) {
        for (std::size_t cut : {std::size_t{1}, std::size_t{4}, std::size_t{19}, std::size_t{20}, reply.size() / 2})
            seeds.push_back(reply.substr(0, cut));
    }
    seeds.push_back("");
    seeds.push_back("0100,,,,,,,,,,,,,,,,,,,,,,,,,,,,,");
    seeds.push_back("0100,SND,,,,,,,,,,,,,,,,");
    std::string high = "0100,SND,";
    for (int b = 128; b <= 255; ++b)
        high += static_cast<char>(b);
    seeds.push_back(high);
    // The longest lines a device can get through: the endpoint drops any datagram above this size.
    seeds.push_back(std::string(kLongestDatagram, ','));
    seeds.push_back("0100,SND," + std::string(kLongestDatagram - 9, '9'));
    seeds.push_back(ScrambleReply("150,3F,14,SND," + std::string(kLongestDatagram - 14, 'A'), {150, 0x3F, 0x14}));
    return seeds;
}

std::vector<std::string> SettingsSeeds() {
    return {
        "",
        "[Geral]\r\nIP=192.168.0.250\r\nmsk=255.255.255.0\r\nGW=192.168.0.1\r\n",
        "; old machine\n[geral]\nip = 10.0.0.7\n[Other]\nkey=value\n",
        "[Geral]\nIP=10.0.0",
        "[Ger",
        "IP=before any section\n[Geral]\n[Geral]\nIP=second\n",
        std::string("\0\xFF\xFE[Geral]\0IP=\x80\x81\n", 17),
        "[Geral]\n" + std::string(64 * 1024, 'A') + "\n",
        std::string(64 * 1024, '['),
    };
}

std::vector<std::string> KorvactlInputSeeds() {
    return {
        "",
        "# site A\n127.0.0.100\n\n  127.0.0.101   # the gate\r\nno such host\n\t#\n127.0.0.100\n",
        "127.0.0.100\n--timeout\n200ms\n-f\nlist.txt\n--retries=0\n--table",
        "127.0.0.100\n--interval=250ms\n--count\n3\n-f\n--table",
        "127.0.0.100\n--count=3",
        "--ip=192.168.0.250\n--mask=255.255.255.0\n--gateway=192.168.0.1\n--yes\n--force\n127.0.0.100",
        "--ip\n192.168.000.250\n--mask\n255.255.255.252\n--gateway\n192.168.0.249\n--timeout=1.5s",
        "192.168.0.0\n255.255.255.0\n192.168.0.255",
        "10.0.0.1\n255.0.255.0\n10.0.0.1.\n",
        "--timeout=0.2\n--timeout=3600s\n--timeout=3600001ms\n--timeout=0ms\n--timeout=1e3ms",
        "--interval=-1s\n--interval=nan\n--interval=inf\n--interval=0x10ms\n--interval= 1s",
        "--count=0\n--count=100000001\n--retries=101\n--count=+5\n--count",
        "-\n--\n--=\n--table=1\n--nope\n-f",
        "30 31 30 30\n30:31:30:30\r\n3031\t3030\n3 0\n303\n0x30\n",
        std::string("\0\xFF#\r\n\t\x80=--ip=\xE9", 12),
        // Read as numbers: 1, 4000, the largest, half an hour, an hour, an hour and a millisecond.
        std::string("\x01\0\0\0\xA0\x0F\0\0\xFF\xFF\xFF\xFF\x40\x77\x1B\0\x80\xEE\x36\0\x81\xEE\x36\0", 24),
    };
}

namespace {

// The console-core target's actions: one byte each, some followed by what they take.
constexpr char kAddress = 0, kReadLiveData = 1, kReadParameters = 2, kWrite = 3, kReset = 4, kAutomatic = 5, kTick = 6,
               kDatagram = 7, kNameAnswered = 8;

std::string Datagram(const std::string& bytes) {
    return std::string{kDatagram, static_cast<char>(bytes.size())} + bytes;
}

std::string Repeated(const std::string& actions, int times) {
    std::string run;
    for (int i = 0; i < times; ++i)
        run += actions;
    return run;
}

}  // namespace

std::vector<std::string> ConsoleCoreSeeds() {
    const ScrambleForm plain{0, 0, 0};
    const ScrambleForm old{120, 0, 0};
    StatusReading status;
    status.echo = 123;
    const std::string statusReply = SendableReply(StatusReplyLine(status, false, plain), plain);
    const std::string flaggedStatus = SendableReply(StatusReplyLine(status, true, plain), plain);
    const std::string parameterReply = SendableReply(
        ParameterReplyLine(
            {"127.0.0.2", "255.255.255.0", "127.0.0.1", "00-1A-AB-01-02-FF", "1.52 07/03/16 14:05", true}, plain),
        plain);
    const std::string oldWriteReply = SendableReply(WriteReplyLine(false, old), old);
    const std::string acknowledged = SendableReply(ResetReplyLine(true, false, plain), plain);
    const std::string yes{kWrite, 0, 0};
    const std::string no{kWrite, 1, 1};
    return {
        "",
        // automatic mode: parameters asked until a reply comes, then live data
        std::string{kAutomatic} + Repeated({kTick}, 3) + Datagram(parameterReply) + Repeated({kTick}, 3),
        // a reset never acknowledged, then one acknowledged on the third tick
        std::string{kAutomatic} + Datagram(statusReply) + kReset + Repeated({kTick}, 20) + kReset +
            Repeated({kTick}, 3) + Datagram(acknowledged) + Repeated({kTick}, 2),
        // writes answered yes and no, old devices' write replies asked for and not
        yes + Datagram(oldWriteReply) + Datagram(oldWriteReply) + no + Datagram(oldWriteReply),
        // the changed flag on, kept, off and on again
        Datagram(flaggedStatus) + Datagram(flaggedStatus) + Datagram(statusReply) + Datagram(flaggedStatus),
        // every address text, a name among them found once and not the next time, with buttons and ticks
        std::string{kAddress, 3, kReadLiveData, kNameAnswered, 0, kAutomatic, kTick, kNameAnswered, 1, kTick, kAddress,
                    1, kReadParameters, kTick},
        // a write to a new address acknowledged, then a reset acknowledged: the device is followed there
        std::string{kAddress, 0, kWrite, 0, 1} + Datagram(oldWriteReply) + kAutomatic + Datagram(statusReply) + kReset +
            kTick + Datagram(acknowledged) + Repeated({kTick}, 3) + Datagram(statusReply) + Repeated({kTick}, 2),
        std::string{kDatagram, 0} + Datagram(std::string(200, '\xFF')) + Datagram(std::string("\0,SND", 5)),
    };
}

// The bytes DriveApplyPlan reads: devices, form, reset acknowledged on, fault bits, fault value, then
// rows of four bytes (address, new address with bit 6 for the next /24, subnet, MAC choice).
std::vector<std::string> ApplyPlanSeeds() {
    const auto run = [](std::initializer_list<int> bytes) {
        std::string seed;
        for (const int byte : bytes)
            seed += static_cast<char>(byte);
        return seed;
    };
    return {
        // ten plain devices, three moved: without a MAC, with their own, with another's
        run({10, 0, 0, 0, 0, 1, 40, 3, 0, 2, 41, 3, 1, 3, 42, 3, 2 + 4 * 5}),
        // new-form devices acknowledging the third reset, one leaving for the next /24, one kept in place
        run({10, 2, 2, 8, 0, 4, 44 | 0x40, 2, 1, 5, 5, 2, 1}),
        // the write's reply lost, then one late, then Ctrl-C during the writes
        run({6, 1, 0, 1, 3, 1, 50, 3, 1}),
        run({6, 1, 0, 2, 7, 1, 50, 3, 1}),
        run({6, 1, 0, 4, 21, 1, 50, 3, 0, 2, 51, 3, 0}),
        // a new address held by a device outside the plan, a MAC that is none
        run({12, 0, 0, 0, 0, 1, 9, 3, 0}),
        run({12, 0, 0, 0, 0, 1, 30, 3, 3}),
    };
}

}  // namespace korva::fuzz
