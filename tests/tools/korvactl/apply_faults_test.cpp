// apply against scripted devices that lose, delay or never see its messages, and against devices that
// are not the row's: what each row's result says the device may hold.
#include "tests/tools/korvactl/command_runner.h"

#include "protocol/reply_writer.h"
#include "tests/support/suite_addresses.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

namespace korva::ctl::testing {
namespace {

using namespace std::chrono_literals;

const korva::testing::SuiteAddresses addresses{"apply_faults"};
const std::string kOld = addresses[1];
const std::string kNew = addresses[2];
const std::string kGateway = addresses[254];
const std::string kMac = "00-1A-AB-28-00-01";
const std::string kOtherMac = "00-1A-AB-28-00-99";

std::string Parameters(const std::string& address, const std::string& mac) {
    return ParameterReplyLine({address, "255.255.255.0", kGateway, mac, "1.52 07/03/16 14:05"}, {0, 0, 0});
}

class PlanText {
public:
    explicit PlanText(const std::string& text)
        : path_("/tmp/korvactl-apply-faults-" + std::to_string(getpid()) + ".csv") {
        std::ofstream(path_) << text;
    }
    ~PlanText() { std::remove(path_.c_str()); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// A device at kOld that takes the write and the reset; what it answers to the write is the test's.
DeviceScript Device(std::optional<milliseconds> writeReplyDelay) {
    return [writeReplyDelay](const std::string& request) -> std::optional<Answer> {
        if (Is(request, "rPr"))
            return Answer{Parameters(kOld, kMac), 2ms};
        if (Is(request, "wPr"))
            return writeReplyDelay ? std::optional<Answer>(Answer{WriteLine(), *writeReplyDelay}) : std::nullopt;
        if (Is(request, "snd"))
            return Answer{StatusLine(77), 2ms};
        if (Is(request, "rst"))
            return Answer{ResetLine(true), 2ms};
        return std::nullopt;
    };
}

int Count(const ScriptedNetwork& network, const char* command) {
    int count = 0;
    for (const SentRequest& request : network.Sent())
        count += Is(request.bytes, command) ? 1 : 0;
    return count;
}

const std::string kCompletedBy = "; korvactl reset " + kOld + " completes it";
const std::string kMayHold =
    "; the device may hold the new parameters and take them at its next restart" + kCompletedBy;

TEST(ApplyFaults, AWriteThatLeftWithoutAnAcknowledgementIsWrittenNotVerified) {
    const PlanText plan(kOld + "," + kNew + ",255.255.255.0," + kGateway + "\n");
    const struct {
        const char* what;
        std::optional<milliseconds> writeReplyDelay;
        std::optional<milliseconds> interruptAt;
        const char* result;
        std::string detail;
        int resets;
    } cases[] = {
        {"acknowledged", 2ms, {}, "written_not_verified", "written and reset; no reply at " + kNew, 1},
        {"reply lost",
         {},
         {},
         "written_not_verified",
         "write sent, not acknowledged (no reply to the write command (2 requests, 100 ms each))" + kMayHold,
         0},
        {"reply later than the time-out",
         250ms,
         {},
         "written_not_verified",
         "write sent, not acknowledged (no reply to the write command (2 requests, 100 ms each))" + kMayHold,
         0},
        // The survey ends at 200 ms, when the silent new address has had its two requests; the write
        // leaves then.
        {"interrupted right after the write left", 50ms, 210ms, "written_not_verified",
         "write sent, not acknowledged (interrupted right after it went out)" + kMayHold, 0},
        // Acknowledged at 202 ms; the status reply the reset needs would come at 204 ms.
        {"interrupted during the reset", 2ms, 203ms, "written_not_verified",
         "written; interrupted before the reset was acknowledged" + kCompletedBy, 0},
        // The reset is acknowledged at 206 ms; the read-back waits for a reply that never comes.
        {"interrupted while reading back", 2ms, 250ms, "written_not_verified",
         "written and reset; interrupted while reading back at " + kNew, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedNetwork network;
        network.AddDevice(kOld, Device(c.writeReplyDelay));
        if (c.interruptAt)
            network.InterruptAt(*c.interruptAt);
        const CommandRun run =
            RunCommand(network, "apply", {plan.Path(), "--yes", "--timeout", "100ms", "--retries", "1"});
        EXPECT_EQ(run.exitStatus, 1) << run.err;
        EXPECT_GE(Count(network, "wPr"), 1);
        EXPECT_EQ(Count(network, "rst"), c.resets);
        ASSERT_EQ(run.records.size(), 1u) << run.out << run.err;
        EXPECT_EQ(run.records[0]["result"], c.result);
        EXPECT_EQ(run.records[0]["detail"], c.detail);
        EXPECT_NE(run.err.find(kOld + ": " + c.result), std::string::npos) << run.err;
    }

    // Ctrl-C while the devices are still being asked: nothing written, no row, the status of an interruption.
    ScriptedNetwork network;
    network.AddDevice(kOld, Device(2ms));
    network.InterruptAt(50ms);
    const CommandRun run = RunCommand(network, "apply", {plan.Path(), "--yes", "--timeout", "100ms"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(Count(network, "wPr"), 0);
    EXPECT_TRUE(run.records.empty()) << run.out;
    EXPECT_EQ(run.err, "korvactl apply: interrupted while asking the devices of the plan; nothing written\n");
}

// Who answers where, and what apply makes of it, with the row's MAC and without.
TEST(ApplyFaults, TheRowsDeviceIsTheOneWithItsMacAtEitherAddress) {
    const std::string asPlanned = kNew;  // a device already at the new address with the planned parameters
    const struct {
        const char* what;
        std::string mac;                   // the plan's column, or empty
        std::optional<std::string> old;    // the MAC answering at the old address
        std::optional<std::string> there;  // the MAC answering at the new address, as planned
        int exitStatus;
        const char* result;   // empty when the plan is refused
        std::string message;  // in the detail, or among the refusal's reasons
        bool written;
    } cases[] = {
        {"no MAC, moved by an earlier run",
         "",
         {},
         kMac,
         0,
         "unchanged",
         "found at the new address as planned; old address silent; identity not checked",
         false},
        {"no MAC, both addresses answer", "", kMac, kOtherMac, 2, "",
         "new address " + kNew + " is in use: a device answers there now", false},
        {"MAC, another device at the new address",
         kMac,
         {},
         kOtherMac,
         2,
         "",
         "new address " + kNew + " is in use: a device answers there now (address " + kNew +
             ", mask 255.255.255.0, gateway " + kGateway + ", MAC " + kOtherMac + ")",
         false},
        {"MAC in other spelling, moved by an earlier run", "0:1a:ab:28:0:1", {}, kMac, 0, "unchanged", "", false},
        {"MAC, moved; another device took the old address", kMac, kOtherMac, kMac, 0, "unchanged",
         "found at the new address as planned; the old address answers with MAC " + kOtherMac, false},
        {"MAC, another device at the old address",
         kMac,
         kOtherMac,
         {},
         1,
         "failed",
         kOld + " answers with MAC " + kOtherMac + ", not " + kMac + "; no reply at " + kNew,
         false},
        {"MAC, the device at the old address",
         kMac,
         kMac,
         {},
         1,
         "written_not_verified",
         "written and reset; no reply at " + kNew,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PlanText plan("address,new_address,mask,gateway,mac\n" + kOld + "," + kNew + ",255.255.255.0," +
                            kGateway + (c.mac.empty() ? "" : "," + c.mac) + "\n");
        ScriptedNetwork network;
        if (c.old) {
            network.AddDevice(kOld, [mac = *c.old](const std::string& request) -> std::optional<Answer> {
                if (Is(request, "rPr"))
                    return Answer{Parameters(kOld, mac), 2ms};
                return Device(2ms)(request);
            });
        }
        if (c.there) {
            network.AddDevice(asPlanned, [mac = *c.there](const std::string& request) -> std::optional<Answer> {
                if (Is(request, "rPr000\r\n"))  // the survey's; the read-back after a reset is not answered
                    return Answer{Parameters(kNew, mac), 2ms};
                return std::nullopt;
            });
        }
        const CommandRun run = RunCommand(network, "apply", {plan.Path(), "--yes", "--timeout", "100ms"});
        EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err;
        EXPECT_EQ(Count(network, "wPr") > 0, c.written);
        if (*c.result == '\0') {
            EXPECT_TRUE(run.records.empty()) << run.out;
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
            EXPECT_NE(run.err.find("nothing written"), std::string::npos) << run.err;
            continue;
        }
        ASSERT_EQ(run.records.size(), 1u) << run.out << run.err;
        EXPECT_EQ(run.records[0]["result"], c.result);
        EXPECT_EQ(run.records[0].value("detail", ""), c.message);
        EXPECT_EQ(run.records[0].value("mac", ""), c.mac);
    }
}

// A plan is read in waves: however long, at most two requests a row of one wave are in flight.
TEST(ApplyFaults, ALongPlanIsCappedAndAskedInWaves) {
    std::string rows;
    // The scripted network opens no socket: these addresses never leave the process.
    for (int i = 0; i < 5000; ++i) {
        const std::string host = std::to_string(i / 200) + "." + std::to_string(1 + i % 200);
        rows += "127.40." + host + ",127.41." + host + ",255.0.0.0,127.0.0.1\n";
    }
    const PlanText plan(rows);
    ScriptedNetwork network;
    const CommandRun run = RunCommand(network, "apply", {plan.Path(), "--yes", "--timeout", "100ms", "--retries", "0"});
    EXPECT_EQ(run.exitStatus, 1);
    ASSERT_EQ(network.Sent().size(), 10000u);
    EXPECT_EQ(network.Sent()[8191].at, 0ms);
    EXPECT_EQ(network.Sent()[8192].at, 100ms) << "the second wave waits for the first";
    EXPECT_EQ(run.records.size(), 5000u);

    const std::string row = kOld + "," + kNew + ",255.255.255.0," + kGateway + "\n";
    std::string tooLong;
    for (int i = 0; i <= 65536; ++i)
        tooLong += row;
    const PlanText big(tooLong);
    const CommandRun refused = RunCommand(network, "apply", {big.Path(), "--yes"});
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_NE(refused.err.find("the plan names more than 65536 devices; add --force to apply it all"),
              std::string::npos)
        << refused.err;

    // A file larger than any plan of 65536 devices is refused by its size, before it is read.
    const PlanText huge(std::string(20'000'000, ',') + "\n");
    const CommandRun tooBig = RunCommand(network, "apply", {huge.Path(), "--yes"});
    EXPECT_EQ(tooBig.exitStatus, 2);
    EXPECT_EQ(tooBig.err, "korvactl apply: the plan " + huge.Path() + " holds " +
                              std::to_string(std::filesystem::file_size(huge.Path())) +
                              " bytes, more than a plan of 65536 devices takes; add --force to apply it all\n");
    EXPECT_EQ(network.Sent().size(), 10000u) << "nothing more sent";
}

// A device at kOld that moves to kNew at its reset, and answers there with kMac.
class MovingDevice {
public:
    explicit MovingDevice(ScriptedNetwork& network) {
        network.AddDevice(kOld, [moved = moved_](const std::string& request) -> std::optional<Answer> {
            if (*moved)
                return std::nullopt;
            if (Is(request, "rst"))
                *moved = true;
            return Device(2ms)(request);
        });
        network.AddDevice(kNew, [moved = moved_](const std::string& request) -> std::optional<Answer> {
            if (!*moved || !Is(request, "rPr"))
                return std::nullopt;
            return Answer{Parameters(kNew, kMac), 2ms};
        });
    }

private:
    std::shared_ptr<bool> moved_ = std::make_shared<bool>(false);
};

// The plan's MAC and the one read back are compared as MACs, whatever the spelling.
TEST(ApplyFaults, AMacInAnySpellingIsTheDevicesOnceItHasMoved) {
    for (const char* mac : {"0:1a:ab:28:0:1", "00-1a-ab-28-00-01", "00-1A-AB-28-00-01"}) {
        SCOPED_TRACE(mac);
        const PlanText plan(kOld + "," + kNew + ",255.255.255.0," + kGateway + "," + mac + "\n");
        ScriptedNetwork network;
        const MovingDevice device(network);
        const CommandRun run = RunCommand(network, "apply", {plan.Path(), "--yes", "--timeout", "100ms"});
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        ASSERT_EQ(run.records.size(), 1u) << run.out;
        EXPECT_EQ(run.records[0]["result"], "applied") << run.records[0];
    }
}

}  // namespace
}  // namespace korva::ctl::testing
