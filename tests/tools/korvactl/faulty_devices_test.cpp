// korvactl as a program against devices that drop replies, never answer, or acknowledge a reset late
// or never; the write checks and Ctrl-C of the real program.
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/loopback_device.h"
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <thread>

namespace korva::ctl::testing {
namespace {

const korva::testing::SuiteAddresses addresses{"faulty_devices"};

TEST(DroppingDevice, RetriesUntilTheReplyGetsThrough) {
    const std::string device = addresses[110];
    Simulator sim(device, {"--drop-percent", "70", "--seed", "7"});
    ASSERT_TRUE(sim.Ready());
    constexpr int kRuns = 6;
    for (int run = 0; run < kRuns; ++run) {
        const Finished status = Korvactl({"status", device, "--timeout", "50ms", "--retries", "30"});
        ASSERT_EQ(status.exitStatus, 0) << status.err;
        const auto records = JsonLines(status.out);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]["keyword"], "SND");
    }
    EXPECT_GT(sim.RequestsSeen("snd000"), kRuns) << "no reply was dropped, so nothing was retried";
}

TEST(SilentDevice, TimesOutAfterTheRetriesAndSaysSoInTheExitStatus) {
    const std::string device = addresses[111];
    Simulator sim(device, {"--drop-percent", "100"});
    ASSERT_TRUE(sim.Ready());

    const Finished status = Korvactl({"status", device, "--timeout", "60ms", "--retries", "3"});
    EXPECT_EQ(status.exitStatus, 1);
    const auto records = JsonLines(status.out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["address"], device);
    EXPECT_EQ(records[0]["error"], "no reply to the live-data request (4 requests, 60 ms each)");
    EXPECT_EQ(status.err,
              "korvactl status: " + device + ": no reply to the live-data request (4 requests, 60 ms each)\n");
    EXPECT_EQ(sim.RequestsSeen("snd000"), 4);

    const Finished reset = Korvactl({"reset", device, "--timeout", "60ms", "--retries", "0"});
    EXPECT_EQ(reset.exitStatus, 1);
    EXPECT_EQ(sim.RequestsSeen("rst"), 0);  // no echo number, no reset command

    const Finished watch = Korvactl({"watch", device, "--interval", "50ms", "--count", "3"});
    EXPECT_EQ(watch.exitStatus, 1);
    EXPECT_EQ(JsonLines(watch.out).size(), 3u);  // one missed round each
    EXPECT_EQ(sim.RequestsSeen("rPr000\\r\\n"), 3);
}

// A plain-form device that acknowledges only its acknowledgeOn-th reset command (0: none).
LoopbackDevice::Script LateResetter(int acknowledgeOn) {
    return [acknowledgeOn, resets = 0](const std::string& request) mutable -> std::optional<std::string> {
        if (request == "snd000\r\n")
            return "0100,SND,0,25,60,244,1,0,1,4711";
        if (request.rfind("rst", 0) == 0)
            return std::string("0100,RST,0,") + (++resets == acknowledgeOn ? "ACK" : "NAK");
        return std::nullopt;
    };
}

int ResetCommands(const LoopbackDevice& device) {
    int count = 0;
    for (const std::string& request : device.Requests()) {
        EXPECT_TRUE(request == "snd000\r\n" || request == "rst0000050004711\r\n") << request;
        count += request.rfind("rst", 0) == 0;
    }
    return count;
}

TEST(ResettingDevice, AcknowledgedOnTheThirdCommand) {
    LoopbackDevice device(addresses[112], LateResetter(3));
    const Finished run = Korvactl({"reset", addresses[112], "--table"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(ResetCommands(device), 3);
    EXPECT_NE(run.out.find("ack    3"), std::string::npos) << run.out;
}

TEST(ResettingDevice, NeverAcknowledgedAfterExactlyFifteenCommands) {
    LoopbackDevice device(addresses[113], LateResetter(0));
    const Finished run = Korvactl({"reset", addresses[113]});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(ResetCommands(device), 15);
    EXPECT_NE(run.err.find(addresses[113] + ": reset not acknowledged after 15 reset commands"), std::string::npos)
        << run.err;
}

// An address as the write request spells it: each octet in three digits.
std::string ThreeDigitOctets(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%03u.%03u.%03u.%03u", address >> 24, address >> 16 & 0xff, address >> 8 & 0xff,
                  address & 0xff);
    return text;
}

TEST(WritingProgram, RefusesBadValuesAndUnconfirmedWritesWithoutSendingAnything) {
    const std::string device = addresses[114];
    const std::string gateway = addresses[1];
    Simulator sim(device);
    ASSERT_TRUE(sim.Ready());
    const Finished bad =
        Korvactl({"set", device, "--ip", addresses[255], "--mask", "255.255.255.0", "--gateway", gateway, "--yes"});
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_NE(bad.err.find("address " + addresses[255] + " is the broadcast address of its subnet"), std::string::npos)
        << bad.err;

    // The test's standard input is /dev/null: no terminal to confirm on.
    const Finished unconfirmed =
        Korvactl({"set", device, "--ip", device, "--mask", "255.255.255.0", "--gateway", gateway});
    EXPECT_EQ(unconfirmed.exitStatus, 2);
    EXPECT_NE(unconfirmed.err.find("add --yes"), std::string::npos) << unconfirmed.err;

    EXPECT_EQ(sim.RequestsSeen(""), 0);

    const Finished forced =
        Korvactl({"set", device, "--ip", device, "--mask", "255.255.0.255", "--gateway", gateway, "--yes", "--force"});
    EXPECT_EQ(forced.exitStatus, 0) << forced.err;
    EXPECT_EQ(sim.RequestsSeen("wPr000 " + ThreeDigitOctets(addresses.Number(114)) + " 255.255.000.255 " +
                               ThreeDigitOctets(addresses.Number(1))),
              1);
}

long LineCount(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

// Ctrl-C, or the SIGTERM a service manager or `timeout` sends.
TEST(WatchingProgram, CtrlCOrSigtermEndsItCleanly) {
    const std::string device = addresses[115];
    Simulator sim(device);
    ASSERT_TRUE(sim.Ready());
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        ChildProcess watch(KORVACTL_PATH, {"watch", device, "--interval", "200ms"});
        // The signal once a few replies have been printed.
        for (int i = 0; i < 500 && LineCount(watch.Out()) < 3; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        watch.Signal(signal);
        EXPECT_EQ(watch.Wait(std::chrono::seconds(5)), 1);
        const auto records = JsonLines(watch.Out());  // every line whole
        EXPECT_GE(records.size(), 3u);
        for (const auto& record : records)
            EXPECT_FALSE(record.contains("error")) << record;
        const std::string err = watch.Err();
        EXPECT_TRUE(err.starts_with("korvactl watch: interrupted after ")) << err;
        EXPECT_TRUE(err.ends_with(" rounds; 1 answered every round, 0 missed some\n")) << err;
    }
}

}  // namespace
}  // namespace korva::ctl::testing
