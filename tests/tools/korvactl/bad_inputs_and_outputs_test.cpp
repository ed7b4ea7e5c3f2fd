// korvactl as a program when its output cannot be written or a file it should read is not a file:
// a clear message and an exit status a script can act on, never silence with status 0.
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace korva::ctl::testing {
namespace {

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
    Simulator sim("127.0.0.200");
    ASSERT_TRUE(sim.Ready());
    for (const BrokenOutput& broken : kBrokenOutputs) {
        for (const char* command : {"status", "params"}) {
            const Finished run = Korvactl({command, "127.0.0.200", "--timeout", "2s"}, broken.output);
            EXPECT_EQ(run.exitStatus, 1) << command << ", " << broken.reason;
            EXPECT_EQ(run.err,
                      std::string("korvactl ") + command + ": cannot write the output: " + broken.reason + "\n");
        }
        // Without --count, watch would run on for nothing: the first record that cannot be written ends it.
        const Finished watch = Korvactl({"watch", "127.0.0.200", "--interval", "50ms"}, broken.output);
        EXPECT_EQ(watch.exitStatus, 1) << broken.reason;
        EXPECT_EQ(watch.err, std::string("korvactl watch: cannot write the output: ") + broken.reason + "\n");
    }
}

TEST(UnwritableOutput, ScanSaysWhyAndEndsWithStatusOne) {
    Simulator sim("127.0.40.10");
    ASSERT_TRUE(sim.Ready());
    for (const BrokenOutput& broken : kBrokenOutputs) {
        const Finished run = Korvactl({"scan", "127.0.40.8/30", "--rate", "0", "--timeout", "2s"}, broken.output);
        EXPECT_EQ(run.exitStatus, 1) << broken.reason;
        EXPECT_NE(run.err.find(std::string("korvactl scan: cannot write the output: ") + broken.reason + "\n"),
                  std::string::npos)
            << run.err;
    }
}

TEST(UnwritableOutput, HelpSaysWhyAndEndsWithStatusOne) {
    const Finished run = Korvactl({"--help"}, StandardOutput::kFullDevice);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "korvactl: cannot write the output: No space left on device\n");
}

TEST(UnreadableInput, ADirectoryOrAMissingFileIsNamedWithStatusTwo) {
    const std::string directory = ::testing::TempDir();
    const Finished list = Korvactl({"status", "127.0.0.201", "-f", directory});
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
