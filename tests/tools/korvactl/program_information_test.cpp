// What the companion programs say about themselves: the version a packaged copy reports, and a usage
// that names it.
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>

#include <string>

namespace korva::ctl::testing {
namespace {

TEST(ProgramInformation, BothProgramsTellTheirVersionAndUsage) {
    for (const auto& [name, path] : {std::pair<std::string, std::string>{"korvactl", KORVACTL_PATH},
                                     std::pair<std::string, std::string>{"korva-sim", KORVA_SIM_PATH}}) {
        SCOPED_TRACE(name);
        const Finished version = RunToEnd(path, {"--version"});
        EXPECT_EQ(version.exitStatus, 0) << version.err;
        EXPECT_EQ(version.out, name + " " + KORVA_PROGRAM_VERSION + "\n");
        EXPECT_EQ(version.err, "");

        const Finished help = RunToEnd(path, {"--help"});
        EXPECT_EQ(help.exitStatus, 0) << help.err;
        EXPECT_NE(help.out.find("--version"), std::string::npos) << help.out;
    }
}

}  // namespace
}  // namespace korva::ctl::testing
