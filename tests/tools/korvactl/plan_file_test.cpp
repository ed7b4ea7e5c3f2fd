// Reading a commissioning plan and the checks that refuse it before anything is sent.
#include "tools/korvactl/inputs/input_file.h"

#include <gtest/gtest.h>

#include <sstream>

namespace korva::ctl {
namespace {

Plan Read(const std::string& text) {
    std::istringstream in(text);
    return ReadPlan(in);
}

// The problems of a plan, read and checked.
std::vector<std::string> Problems(const std::string& text) {
    Plan plan = Read(text);
    for (std::string& problem : CheckPlan(plan.rows))
        plan.problems.push_back(std::move(problem));
    return plan.problems;
}

TEST(PlanFile, RowsWithTheirLineNumbersAfterHeaderCommentsAndBlankLines) {
    const Plan plan = Read(
        "# site 4, floor 2\n"
        "Address, New_Address, Mask, Gateway\r\n"
        "\n"
        " 10.4.2.20 , 10.4.2.120,255.255.255.0,10.4.2.1   # the one by the door\n"
        "10.4.2.21,10.4.2.121,255.255.255.0,10.4.2.1\n");
    EXPECT_TRUE(plan.problems.empty());
    ASSERT_EQ(plan.rows.size(), 2u);
    EXPECT_EQ(plan.rows[0].line, 4);
    EXPECT_EQ(plan.rows[0].address, "10.4.2.20");
    EXPECT_EQ(plan.rows[0].newAddress, "10.4.2.120");
    EXPECT_EQ(plan.rows[0].mask, "255.255.255.0");
    EXPECT_EQ(plan.rows[0].gateway, "10.4.2.1");
    EXPECT_EQ(plan.rows[1].line, 5);
    EXPECT_EQ(plan.rows[1].newAddress, "10.4.2.121");
}

TEST(PlanFile, AHeaderOnlyFirstAndRowsOfFourOrFiveFields) {
    const Plan plan = Read(
        "10.4.2.20,10.4.2.120,255.255.255.0,10.4.2.1\n"
        "address,new_address,mask,gateway\n"
        "10.4.2.21,10.4.2.121,255.255.255.0\n"
        "10.4.2.22,10.4.2.122,255.255.255.0,10.4.2.1,00-1A-AB-01-02-FF\n"
        "10.4.2.23,10.4.2.123,255.255.255.0,10.4.2.1,00-1A-AB-01-02-FE,extra\n");
    ASSERT_EQ(plan.problems.size(), 2u);
    EXPECT_EQ(plan.problems[0],
              "line 3: expected address,new_address,mask,gateway[,mac] separated by ','; found 3 fields");
    EXPECT_EQ(plan.problems[1],
              "line 5: expected address,new_address,mask,gateway[,mac] separated by ','; found 6 fields");
    // A header past the first row is a row, and its values fail the checks.
    ASSERT_EQ(plan.rows.size(), 3u);
    EXPECT_EQ(plan.rows[0].mac, "");
    EXPECT_EQ(plan.rows[1].address, "address");
    EXPECT_EQ(plan.rows[2].mac, "00-1A-AB-01-02-FF");
    EXPECT_FALSE(CheckPlan(plan.rows).empty());
}

TEST(PlanFile, SpreadsheetsSeparatorsAByteOrderMarkAndCrLfAreRead) {
    const struct {
        const char* name;
        std::string text;
    } files[] = {
        {"semicolons, Portuguese locale",
         "address;new_address;mask;gateway\r\n10.4.2.20;10.4.2.120;255.255.255.0;10.4.2.1\r\n"},
        {"tabs", "10.4.2.20\t10.4.2.120\t255.255.255.0\t10.4.2.1\n"},
        {"byte order mark",
         "\xEF\xBB\xBF"
         "address,new_address,mask,gateway\n10.4.2.20,10.4.2.120,255.255.255.0,10.4.2.1\n"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const Plan plan = Read(file.text);
        EXPECT_TRUE(plan.problems.empty()) << (plan.problems.empty() ? "" : plan.problems.front());
        ASSERT_EQ(plan.rows.size(), 1u);
        EXPECT_EQ(plan.rows[0].address, "10.4.2.20");
        EXPECT_EQ(plan.rows[0].gateway, "10.4.2.1");
    }
    // The first line decides: a comma in a semicolon file is part of a field.
    EXPECT_EQ(Read("10.4.2.20;10.4.2.120;255.255.255.0,10.4.2.1\n").problems,
              std::vector<std::string>{
                  "line 1: expected address,new_address,mask,gateway[,mac] separated by ';'; found 3 fields"});
}

TEST(PlanFile, MacsAreReadInEitherSeparatorAndCase) {
    const struct {
        const char* text;
        std::optional<std::string> canonical;
    } cases[] = {
        {"00-1A-AB-01-02-FF", "00-1A-AB-01-02-FF"},
        {"0:1a:ab:1:2:ff", "00-1A-AB-01-02-FF"},
        {"00:1A-AB:01-02:ff", "00-1A-AB-01-02-FF"},
        {"00-1A-AB-01-02", std::nullopt},
        {"00-1A-AB-01-02-FF-03", std::nullopt},
        {"00-1A-AB-01-02-FFF", std::nullopt},
        {"00-1A-AB-01--FF", std::nullopt},
        {"00-1A-AB-01-02-FG", std::nullopt},
        {"001AAB0102FF", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CanonicalMac(c.text), c.canonical) << c.text;
}

TEST(PlanFile, EachKindOfPlanErrorIsNamedWithItsLine) {
    const struct {
        const char* what;
        const char* plan;
        const char* problem;
    } cases[] = {
        {"bad mask", "10.4.2.20,10.4.2.120,255.0.255.0,10.4.2.1\n",
         "line 1 (10.4.2.20): mask 255.0.255.0 is not contiguous (ones, then zeros)"},
        {"gateway elsewhere", "10.4.2.20,10.4.2.120,255.255.255.0,10.4.3.1\n",
         "line 1 (10.4.2.20): gateway 10.4.3.1 is outside the subnet of 10.4.2.120 with mask 255.255.255.0"},
        {"bad address", "10.4.2.x,10.4.2.120,255.255.255.0,10.4.2.1\n",
         "line 1: address '10.4.2.x' is not four decimal octets 0-255"},
        {"duplicate new address",
         "10.4.2.20,10.4.2.120,255.255.255.0,10.4.2.1\n10.4.2.21,10.4.2.120,255.255.255.0,10.4.2.1\n",
         "line 2 (10.4.2.21): new address 10.4.2.120 is also planned for 10.4.2.20 on line 1"},
        {"same device twice",
         "10.4.2.20,10.4.2.120,255.255.255.0,10.4.2.1\n010.004.002.020,10.4.2.121,255.255.255.0,10.4.2.1\n",
         "line 2 (010.004.002.020): the same device is planned on line 1"},
        {"new address held by another row's device",
         "10.4.2.20,10.4.2.21,255.255.255.0,10.4.2.1\n10.4.2.21,10.4.2.121,255.255.255.0,10.4.2.1\n",
         "line 1 (10.4.2.20): new address 10.4.2.21 is where the device of line 2 is now"},
        {"not a MAC", "10.4.2.20,10.4.2.120,255.255.255.0,10.4.2.1,00-1A-AB-01-02\n",
         "line 1 (10.4.2.20): MAC '00-1A-AB-01-02' is not six hexadecimal octets between dashes or colons"},
        {"same MAC twice",
         "10.4.2.20,10.4.2.120,255.255.255.0,10.4.2.1,00-1A-AB-01-02-FF\n"
         "10.4.2.21,10.4.2.121,255.255.255.0,10.4.2.1,0:1a:ab:1:2:ff\n",
         "line 2 (10.4.2.21): MAC 0:1a:ab:1:2:ff is also planned on line 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto problems = Problems(c.plan);
        ASSERT_EQ(problems.size(), 1u) << (problems.empty() ? "" : problems.back());
        EXPECT_EQ(problems[0], c.problem);
    }
}

TEST(PlanFile, AGoodPlanPassesIncludingDevicesThatKeepTheirAddress) {
    EXPECT_TRUE(Problems("address,new_address,mask,gateway\n"
                         "10.4.2.20,10.4.2.120,255.255.255.0,10.4.2.1\n"
                         "10.4.2.21,10.4.2.21,255.255.0.0,10.4.0.1\n")
                    .empty());
}

}  // namespace
}  // namespace korva::ctl
