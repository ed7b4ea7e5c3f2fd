// Ctrl-C and SIGTERM while set or apply waits for its yes, korvactl on a pseudo-terminal against
// korva-sim: the program ends at once and nothing is written, whatever is typed after.
#include "tests/support/suite_addresses.h"
#include "tests/support/terminal_run.h"
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace korva::ctl::testing {
namespace {

const korva::testing::SuiteAddresses addresses{"interrupted_question"};

using korva::testing::TerminalSession;

TEST(InterruptedQuestion, EndsTheProgramAndNothingIsWritten) {
    const std::string device = addresses[1];
    Simulator sim(device);
    ASSERT_TRUE(sim.Ready());
    const std::string plan = ::testing::TempDir() + "korvactl_question_" + std::to_string(getpid()) + ".csv";
    std::ofstream(plan) << device << ',' << addresses[101] << ",255.255.255.0," << device << "\n";
    const std::vector<std::string> apply = {"apply", plan, "--timeout", "300ms"};
    const std::vector<std::string> set = {"set",    device,          "--ip",      device,
                                          "--mask", "255.255.255.0", "--gateway", addresses[254]};
    const struct {
        const char* what;
        std::vector<std::string> arguments;
        int signal;  // 0: Ctrl-C typed on the terminal
    } cases[] = {
        {"apply, Ctrl-C", apply, 0},
        {"apply, SIGTERM", apply, SIGTERM},
        {"set, Ctrl-C", set, 0},
        {"set, SIGTERM", set, SIGTERM},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TerminalSession session(KORVACTL_PATH, c.arguments);
        ASSERT_TRUE(session.WaitFor("[y/N] "));
        if (c.signal == 0)
            session.Type("\x03");
        else
            session.Signal(c.signal);
        session.Type("y\n");  // a yes after the interruption is too late
        const auto finished = session.Wait();
        EXPECT_EQ(finished.exitStatus, 1) << finished.err;
        const std::string command = c.arguments.front();
        EXPECT_NE(finished.err.find("korvactl " + command + ": interrupted at the question; nothing written"),
                  std::string::npos)
            << finished.err;
        EXPECT_EQ(finished.out, "");
    }
    EXPECT_EQ(sim.RequestsSeen("wPr"), 0);
    EXPECT_EQ(sim.RequestsSeen("rst"), 0);
    EXPECT_EQ(sim.RequestsSeen("snd"), 0);
    std::remove(plan.c_str());
}

}  // namespace
}  // namespace korva::ctl::testing
