// The Wireshark dissector against korvactl decode and the request builders: one capture of every
// kind of datagram, read by tshark once, compared field by field; and a live conversation between
// korva-sim and korvactl, captured on loopback.
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/programs.h"
#include "tests/tools/korvactl/scratch_folder.h"
#include "tests/tools/wireshark/capture_file.h"
#include "tests/tools/wireshark/datagram_corpus.h"
#include "tests/tools/wireshark/dissected_packet.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace korva::wireshark_testing {
namespace {

using ctl::testing::ChildProcess;
using ctl::testing::FindProgram;
using ctl::testing::Finished;
using ctl::testing::RunToEnd;
using ctl::testing::ScratchFolder;

const korva::testing::SuiteAddresses addresses{"dissector"};
const std::uint32_t kConsole = addresses.Number(220);
const std::uint32_t kDevice = addresses.Number(221);
constexpr std::uint16_t kConsolePort = 40123;
constexpr std::uint16_t kDevicePort = 5010;

// One tshark run over a whole capture, with the dissector loaded and no user's preferences or
// plugins (HOME points at the scratch folder).
Finished Dissect(const std::string& tshark, const ScratchFolder& scratch, const std::string& capture) {
    return RunToEnd("/usr/bin/env",
                    {"HOME=" + scratch / "", tshark, "-n", "-r", capture, "-X",
                     std::string("lua_script:") + KORVA_DISSECTOR, "-T", "json", "--no-duplicate-keys", "-J", "korva"});
}

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

// What korvactl decode prints for each datagram, in order: the non-empty ones as hex lines, the empty
// ones as empty text lines (decode skips blank hex lines, which separate pasted datagrams).
std::vector<nlohmann::json> Decode(const std::vector<Datagram>& datagrams, const ScratchFolder& scratch) {
    std::ofstream hex(scratch / "datagrams.hex");
    for (const Datagram& datagram : datagrams) {
        if (!datagram.request && !datagram.bytes.empty())
            hex << Hex(datagram.bytes) << "\n";
    }
    hex.close();
    std::ofstream(scratch / "empty.txt") << "\n";
    const Finished decoded = ctl::testing::Korvactl({"decode", scratch / "datagrams.hex"});
    const Finished empty = ctl::testing::Korvactl({"decode", "--text", scratch / "empty.txt"});
    EXPECT_EQ(decoded.exitStatus, 0) << decoded.err;
    EXPECT_EQ(empty.exitStatus, 0) << empty.err;
    const auto lines = ctl::testing::JsonLines(decoded.out);
    const auto emptyLine = ctl::testing::JsonLines(empty.out);

    std::vector<nlohmann::json> byDatagram;
    std::size_t next = 0;
    for (const Datagram& datagram : datagrams) {
        if (datagram.request)
            byDatagram.emplace_back();
        else if (datagram.bytes.empty())
            byDatagram.push_back(emptyLine.at(0));
        else
            byDatagram.push_back(lines.at(next++));
    }
    return byDatagram;
}

TEST(WiresharkDissector, ShowsEveryDatagramAsKorvactlDecodeAndTheRequestBuildersDo) {
    const std::string tshark = FindProgram("tshark");
    if (tshark.empty())
        GTEST_SKIP() << "tshark is not installed (scripts/ensure-packages.sh: CAPTURE_PACKAGES)";
    const ScratchFolder scratch("korva_dissector_");
    const std::vector<Datagram> datagrams = BuildCorpus(20240518);
    ASSERT_GE(datagrams.size(), 1000u);

    {
        CaptureFile capture(scratch / "corpus.pcap");
        for (const Datagram& datagram : datagrams) {
            const UdpEnd console{kConsole, kConsolePort}, device{kDevice, kDevicePort};
            if (datagram.request)
                capture.Add(console, device, datagram.bytes);
            else
                capture.Add(device, console, datagram.bytes);
        }
        ASSERT_TRUE(capture.Good());
    }
    const std::vector<nlohmann::json> decoded = Decode(datagrams, scratch);
    const Finished run = Dissect(tshark, scratch, scratch / "corpus.pcap");
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.err.find("Lua"), std::string::npos) << run.err;
    const std::vector<DissectedPacket> shown = ReadTsharkJson(run.out);
    ASSERT_EQ(shown.size(), datagrams.size());

    int disagreements = 0;
    for (std::size_t i = 0; i < datagrams.size(); ++i) {
        const Datagram& datagram = datagrams[i];
        if (!datagram.request && datagram.bytes.empty()) {
            EXPECT_EQ(decoded[i]["keyword"], "") << "korvactl decode reads an empty datagram as a reply";
        }
        const DissectedPacket expected =
            datagram.request ? ExpectedForRequest(*datagram.request) : ExpectedForReply(decoded[i], datagram.bytes);
        if (shown[i] == expected)
            continue;
        // The first few in full; a systematic fault would otherwise print a thousand of them.
        if (++disagreements <= 5)
            ADD_FAILURE() << "packet " << i + 1 << " (" << datagram.origin << ", " << datagram.bytes.size()
                          << " bytes: " << Hex(datagram.bytes.substr(0, 80)) << ")\nexpected: " << Describe(expected)
                          << "shown: " << Describe(shown[i]);
    }
    EXPECT_EQ(disagreements, 0) << "of " << datagrams.size() << " datagrams";
}

// tcpdump on the loopback interface, writing one device's UDP traffic to a file until stopped.
class LoopbackCapture {
public:
    LoopbackCapture(const std::string& tcpdump, const std::string& file, const std::string& device)
        // -Z root: the file lies in a folder only root may write to; -U writes every packet at once.
        // --immediate-mode: without it packets wait in the kernel's buffer, and a stop loses them.
        : file_(file),
          process_(tcpdump,
                   {"-i", "lo", "-n", "-U", "--immediate-mode", "-Z", "root", "-w", file, "udp and host " + device}) {
        // tcpdump says so on standard error once the filter is in place; it ends at once when it may
        // not capture.
        for (int second = 0; second < 10 && !listening_; ++second) {
            listening_ = process_.Err().find("listening on") != std::string::npos;
            if (!listening_ && process_.Wait(std::chrono::seconds(1)))
                break;
        }
    }
    bool Listening() const { return listening_; }
    // Waits (ten seconds at most) until the file holds the given number of packets; -U writes each
    // one as it comes.
    std::size_t WaitForPackets(std::size_t wanted) const {
        std::size_t held = 0;
        for (int i = 0; i < 200 && (held = PacketsIn(file_)) < wanted; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return held;
    }
    std::string Complaint() const { return process_.Err(); }
    // Stops the capture; the file then holds every packet captured.
    std::optional<int> Stop() {
        process_.Signal(SIGINT);
        return process_.Wait();
    }

private:
    static std::size_t PacketsIn(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        in.ignore(24);  // the file's header
        std::size_t packets = 0;
        std::uint32_t record[4];  // seconds, microseconds, length kept, length on the wire
        while (in.read(reinterpret_cast<char*>(record), sizeof record) && in.ignore(record[2]) &&
               in.gcount() == static_cast<std::streamsize>(record[2]))
            ++packets;
        return packets;
    }

    std::string file_;
    ChildProcess process_;
    bool listening_ = false;
};

TEST(WiresharkDissector, ShowsALiveConversationBetweenKorvaSimAndKorvactlWithoutFault) {
    const std::string tshark = FindProgram("tshark");
    const std::string tcpdump = FindProgram("tcpdump");
    if (tshark.empty() || tcpdump.empty())
        GTEST_SKIP() << "tshark or tcpdump is not installed (scripts/ensure-packages.sh: CAPTURE_PACKAGES)";
    const ScratchFolder scratch("korva_dissector_");
    const std::string device = addresses[222];
    LoopbackCapture capture(tcpdump, scratch / "live.pcap", device);
    if (!capture.Listening())
        GTEST_SKIP() << "capture on the loopback interface is not permitted here: " << capture.Complaint();

    {
        // Version 130: the new form, and the only one that sends addresses as hexadecimal octets.
        ctl::testing::Simulator sim(device, {"--form", "130"});
        ASSERT_TRUE(sim.Ready());
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"watch", device, "--count", "5", "--interval", "100ms"},
              {"params", device},
              {"set", device, "--ip", device, "--mask", "255.0.0.0", "--gateway", addresses[1], "--yes"},
              {"reset", device}}) {
            const Finished run = ctl::testing::Korvactl(command);
            EXPECT_EQ(run.exitStatus, 0) << command[0] << ": " << run.err;
        }
        // The device answers every request these commands send.
        const auto packets = static_cast<std::size_t>(2 * sim.RequestsSeen(""));
        EXPECT_EQ(capture.WaitForPackets(packets), packets);
    }
    ASSERT_EQ(capture.Stop(), 0) << capture.Complaint();

    const Finished run = Dissect(tshark, scratch, scratch / "live.pcap");
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const std::vector<DissectedPacket> shown = ReadTsharkJson(run.out);
    ASSERT_GE(shown.size(), 16u) << "watch, params, set and reset each ask and are answered";
    std::set<std::string> requests, keywords;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const DissectedPacket& packet = shown[i];
        EXPECT_TRUE(packet.dissected) << "packet " << i + 1;
        EXPECT_FALSE(packet.malformed) << "packet " << i + 1 << ": " << Describe(packet);
        // The device holds the written parameters until the reset: that note is all there is to see.
        EXPECT_TRUE(packet.experts.empty() || packet.experts == std::set<std::string>{"korva.restart_pending"})
            << "packet " << i + 1 << ": " << Describe(packet);
        for (const auto& kind :
             packet.fields.count("korva.request") ? packet.fields.at("korva.request") : std::vector<std::string>{})
            requests.insert(kind);
        for (const auto& keyword :
             packet.fields.count("korva.keyword") ? packet.fields.at("korva.keyword") : std::vector<std::string>{})
            keywords.insert(keyword);
    }
    EXPECT_TRUE(requests.count("live data") && requests.count("write") && requests.count("reset"))
        << Describe({true, {{"korva.request", {requests.begin(), requests.end()}}}, {}, false});
    EXPECT_EQ(keywords, (std::set<std::string>{"SND", "RPR", "WPR", "RST"}));
}

}  // namespace
}  // namespace korva::wireshark_testing
