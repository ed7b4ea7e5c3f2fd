#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace korva::testing {
namespace {

TEST(ChildProcess, MergedOutputIsReadLineByLineInTheOrderWritten) {
    ChildProcess child("/bin/sh", {"-c", "echo one; echo two >&2; printf 'three\\nfour'; sleep 0.2; echo ' five'"},
                       StandardOutput::kMerged);
    EXPECT_EQ(child.ReadLine(), std::optional<std::string>("one"));
    EXPECT_EQ(child.ReadLine(), std::optional<std::string>("two"));
    EXPECT_EQ(child.ReadLine(), std::optional<std::string>("three"));
    // A line is handed out only once it is whole.
    EXPECT_EQ(child.ReadLine(), std::optional<std::string>("four five"));
    EXPECT_EQ(child.Wait(), std::optional<int>(0));
    EXPECT_EQ(child.ReadLine(), std::nullopt) << "the program has ended and said everything";
    EXPECT_EQ(child.Err(), "");
}

TEST(ChildProcess, ReadLineGivesUpWhenTheProgramEndsWithoutAWholeLine) {
    ChildProcess child("/bin/sh", {"-c", "printf unfinished; exit 3"}, StandardOutput::kMerged);
    EXPECT_EQ(child.ReadLine(), std::nullopt);
    EXPECT_EQ(child.Wait(), std::optional<int>(3)) << "reading left the exit status to Wait()";
    EXPECT_EQ(child.Out(), "unfinished");
}

TEST(ChildProcess, CapturedOutputKeepsStandardErrorApart) {
    const Finished finished = RunToEnd("/bin/sh", {"-c", "echo out; echo err >&2"});
    EXPECT_EQ(finished.exitStatus, 0);
    EXPECT_EQ(finished.out, "out\n");
    EXPECT_EQ(finished.err, "err\n");
}

}  // namespace
}  // namespace korva::testing
