// korvactl as a program when its output cannot be written or a file it should read is not a file:
// a clear message and an exit status a script can act on, never silence with status 0.
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace korva::ctl::testing {
namespace {

const korva::testing::SuiteAddresses addresses{"bad_inputs_and_outputs"};

struct BrokenOutput {
    StandardOutput output;
    const char* reason;
};
constexpr BrokenOutput kBrokenOutputs[] = {
    {StandardOutput::kFullDevice, "No space left on device"},
    {StandardOutput::kClosed, "Bad file descriptor"},
    // Without SIGPIPE ignored, the first write into the pipe would end the program silently (status 141).
    {StandardOutput::kClosedPipe, "Broken pipe"},
};

TEST(UnwritableOutput, DecodeSaysWhyAndEndsWithStatusOne) {
    const std::string capture = ::testing::TempDir() + "korvactl_capture_" + std::to_string(getpid()) + ".txt";
    std::ofstream(capture) << "30313030\n30313030\n";
    for (const BrokenOutput& broken : kBrokenOutputs) {
        const Finished run = Korvactl({"decode", capture}, broken.output);
        EXPECT_EQ(run.exitStatus, 1) << broken.reason;
        EXPECT_EQ(run.err, std::string("korvactl decode: cannot write the output: ") + broken.reason + "\n");
    }
    std::remove(capture.c_str());
}

TEST(UnwritableOutput, NetworkCommandsSayWhyAndEndWithStatusOne) {
    const std::string device = addresses[200];
    Simulator sim(device);
    ASSERT_TRUE(sim.Ready());
    for (const BrokenOutput& broken : kBrokenOutputs) {
        for (const char* command : {"status", "params"}) {
            const Finished run = Korvactl({command, device, "--timeout", "2s"}, broken.output);
            EXPECT_EQ(run.exitStatus, 1) << command << ", " << broken.reason;
            EXPECT_EQ(run.err,
                      std::string("korvactl ") + command + ": cannot write the output: " + broken.reason + "\n");
        }
        // Without --count, watch would run on for nothing: the first record that cannot be written ends it.
        const Finished watch = Korvactl({"watch", device, "--interval", "50ms"}, broken.output);
        EXPECT_EQ(watch.exitStatus, 1) << broken.reason;
        EXPECT_EQ(watch.err, std::string("korvactl watch: cannot write the output: ") + broken.reason + "\n");
    }
}

TEST(UnwritableOutput, ScanSaysWhyAndEndsWithStatusOne) {
    Simulator sim(addresses[10]);
    ASSERT_TRUE(sim.Ready());
    for (const BrokenOutput& broken : kBrokenOutputs) {
        const Finished run = Korvactl({"scan", addresses[8] + "/30", "--rate", "0", "--timeout", "2s"}, broken.output);
        EXPECT_EQ(run.exitStatus, 1) << broken.reason;
        EXPECT_NE(run.err.find(std::string("korvactl scan: cannot write the output: ") + broken.reason + "\n"),
                  std::string::npos)
            << run.err;
    }
}

// A command that changes devices learns that its table or CSV cannot be written before it asks any.
TEST(UnwritableOutput, ACommandThatChangesDevicesTouchesNoneWhenItsHeaderCannotBeWritten) {
    const std::string device = addresses[208];
    const std::string gateway = addresses[254];
    Simulator sim(device);
    ASSERT_TRUE(sim.Ready());
    const std::string plan = ::testing::TempDir() + "korvactl_full_" + std::to_string(getpid()) + ".csv";
    std::ofstream(plan) << device << ',' << device << ",255.255.255.0," << gateway << "\n";
    const std::vector<std::string> set = {"set",           device,      "--ip",  device, "--mask",
                                          "255.255.255.0", "--gateway", gateway, "--yes"};
    const std::vector<std::string> cases[] = {
        {"apply", plan, "--yes", "--table"},
        {"apply", plan, "--yes", "--csv"},
        {"reset", device, "--table"},
        {"reset", device, "--csv"},
    };
    std::vector<std::vector<std::string>> all(std::begin(cases), std::end(cases));
    for (const char* format : {"--table", "--csv"}) {
        all.push_back(set);
        all.back().push_back(format);
    }
    for (const auto& arguments : all) {
        const Finished run = Korvactl(arguments, StandardOutput::kFullDevice);
        EXPECT_EQ(run.exitStatus, 1) << arguments[0] << ' ' << arguments.back();
        EXPECT_EQ(run.err, "korvactl " + arguments[0] + ": cannot write the output: No space left on device\n");
    }
    EXPECT_EQ(sim.RequestsSeen(""), 0);

    // JSON has no header: the rows are written as each wave ends, and standard error names each device
    // written before the output failed, with what it was sent.
    const Finished json = Korvactl({"apply", plan, "--yes", "--reset-interval", "20ms"}, StandardOutput::kFullDevice);
    EXPECT_EQ(json.exitStatus, 1);
    EXPECT_EQ(json.err, "korvactl apply: 1 device to change:\n  " + device + ": gateway " + addresses[1] + " -> " +
                            gateway + "\nkorvactl apply: cannot write the output: No space left on device\n" +
                            "korvactl apply: written before the output failed: " + device + " was sent address " +
                            device + ", mask 255.255.255.0, gateway " + gateway + "\n");
    EXPECT_EQ(sim.RequestsSeen("wPr"), 1);
    std::remove(plan.c_str());
}

TEST(UnwritableOutput, HelpSaysWhyAndEndsWithStatusOne) {
    const Finished run = Korvactl({"--help"}, StandardOutput::kFullDevice);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "korvactl: cannot write the output: No space left on device\n");
}

TEST(UnreadableInput, ADirectoryOrAMissingFileIsNamedWithStatusTwo) {
    const std::string directory = ::testing::TempDir();
    const Finished list = Korvactl({"status", addresses[201], "-f", directory});
    EXPECT_EQ(list.exitStatus, 2);
    EXPECT_EQ(list.err, "korvactl status: cannot read the device list " + directory + ": Is a directory\n");
    EXPECT_TRUE(list.out.empty()) << "nothing may be asked of the named device: " << list.out;

    const Finished decode = Korvactl({"decode", directory});
    EXPECT_EQ(decode.exitStatus, 2);
    EXPECT_EQ(decode.err, "korvactl decode: cannot read " + directory + ": Is a directory\n");

    const Finished missing = Korvactl({"decode", "/nonexistent/capture.txt"});
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_EQ(missing.err, "korvactl decode: cannot read /nonexistent/capture.txt: No such file or directory\n");
}

}  // namespace
}  // namespace korva::ctl::testing
