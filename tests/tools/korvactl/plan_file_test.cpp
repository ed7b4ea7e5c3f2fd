// Reading a commissioning plan as spreadsheets save it, and the checks that refuse it before anything is
// sent.
#include "tools/korvactl/inputs/input_file.h"

#include <gtest/gtest.h>

#include <sstream>

namespace korva::ctl {
namespace {

Plan Read(const std::string& text) {
    std::istringstream in(text);
    return ReadPlan(in, language::English());
}

// The problems of a plan, read and checked.
std::vector<std::string> Problems(const std::string& text) {
    Plan plan = Read(text);
    for (std::string& problem : CheckPlan(plan.rows, language::English(), plan.columns))
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
    EXPECT_FALSE(CheckPlan(plan.rows, language::English()).empty());
}

// Plans as spreadsheets save them, each read as the same two rows.
TEST(PlanFile, SpreadsheetSavesAreRead) {
    const struct {
        const char* what;
        std::string text;
    } files[] = {
        {"Excel, CSV UTF-8, Portuguese: a byte order mark, ';', CR LF, quotes, a blank row, an empty column",
         "\xEF\xBB\xBF"
         "Endere\xC3\xA7o;Novo endere\xC3\xA7o;M\xC3\xA1scara;Gateway;MAC;\r\n"
         "\"10.4.2.20\";\"10.4.2.120\";\"255.255.255.0\";\"10.4.2.1\";\"00-1A-AB-01-02-FF\";\r\n"
         ";;;;;\r\n"
         "10.4.2.21;10.4.2.121;255.255.255.0;10.4.2.1;;\r\n"},
        {"Excel's CSV on Windows: Windows-1252 words, in another order",
         "M\xE1scara;GATEWAY;novo_endere\xE7o;Endereco;Mac\n"
         "255.255.255.0;10.4.2.1;10.4.2.120;10.4.2.20;00-1A-AB-01-02-FF\n"
         "255.255.255.0;10.4.2.1;10.4.2.121;10.4.2.21\n"},
        {"English words with blanks, tabs",
         "Address\tNew Address\tMask\tGateway\tMAC\n"
         "10.4.2.20\t10.4.2.120\t255.255.255.0\t10.4.2.1\t00-1A-AB-01-02-FF\n"
         "10.4.2.21\t10.4.2.121\t255.255.255.0\t10.4.2.1\t\n"},
        {"no header, comments, blanks and a quote doubled in a comment's field",
         "# site 4, floor 2\n\n"
         " 10.4.2.20 , 10.4.2.120,255.255.255.0,\"10.4.2.1\",00-1A-AB-01-02-FF # the \"door\"\n"
         "10.4.2.21,10.4.2.121,255.255.255.0,10.4.2.1,,,\n"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.what);
        const Plan plan = Read(file.text);
        EXPECT_TRUE(plan.problems.empty()) << (plan.problems.empty() ? "" : plan.problems.front());
        ASSERT_EQ(plan.rows.size(), 2u);
        EXPECT_EQ(plan.rows[0].address, "10.4.2.20");
        EXPECT_EQ(plan.rows[0].newAddress, "10.4.2.120");
        EXPECT_EQ(plan.rows[0].mask, "255.255.255.0");
        EXPECT_EQ(plan.rows[0].gateway, "10.4.2.1");
        EXPECT_EQ(plan.rows[0].mac, "00-1A-AB-01-02-FF");
        EXPECT_EQ(plan.rows[1].newAddress, "10.4.2.121");
        EXPECT_EQ(plan.rows[1].mac, "");
    }
}

TEST(PlanFile, QuotedFieldsHoldSeparatorsLineBreaksAndDoubledQuotes) {
    const Plan plan = Read(
        "\"10.4.2.20\",\"10.4.2.120\",255.255.255.0,10.4.2.1,\"a,\"\"b\"\"\n#c\"\n"
        "10.4.2.21,10.4.2.121,255.255.255.0,10.4.2.1\n");
    ASSERT_EQ(plan.rows.size(), 2u);
    EXPECT_EQ(plan.rows[0].mac, "a,\"b\"\n#c");
    EXPECT_EQ(plan.rows[1].line, 3) << "a line break in quotes is counted";
}

TEST(PlanFile, TheFirstLineDecidesTheSeparatorAndItsNameIsInTheMessage) {
    const struct {
        std::string text;
        const char* problem;
    } cases[] = {
        // No separator at all: commas, as in a plain CSV.
        {"10.4.2.20\n", "line 1: expected address,new_address,mask,gateway[,mac] separated by ','; found 1 field"},
        {"10.4.2.20;10.4.2.120;255.255.255.0,10.4.2.1\n",
         "line 1: expected address,new_address,mask,gateway[,mac] separated by ';'; found 3 fields"},
        {"10.4.2.20\t10.4.2.120\t255.255.255.0\n",
         "line 1: expected address,new_address,mask,gateway[,mac] separated by tab; found 3 fields"},
        // Separators in quotes and in a comment are not counted.
        {"\"10;4;2;20\",10.4.2.120,255.255.255.0 # a;b;c;d;e\n",
         "line 1: expected address,new_address,mask,gateway[,mac] separated by ','; found 3 fields"},
        {"Gateway;Endere\xC3\xA7o;Novo endere\xC3\xA7o;M\xC3\xA1scara\n10.4.2.1;10.4.2.20\n",
         "line 2: expected Gateway,Endere\xC3\xA7o,Novo endere\xC3\xA7o,M\xC3\xA1scara separated by ';'; found 2 "
         "fields"},
        {"\"10.4.2.20,10.4.2.120,255.255.255.0,10.4.2.1\n", "line 1: a quote opens a field that never ends"},
        {std::string(5000, ',') + "x\n", "line 1: longer than 4096 characters: no row of a plan is"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.text).problems, std::vector<std::string>{c.problem}) << c.text.substr(0, 80);
}

TEST(PlanFile, AHeadersWordsAreCheckedAndNameTheColumnsInMessages) {
    const struct {
        const char* what;
        std::string plan;
        const char* problem;
    } cases[] = {
        {"a word that names no column", "address,new address,mask,gateway,notes\n",
         "line 1: 'notes' names no column (address, new address, mask, gateway, mac; in Portuguese endere\xC3\xA7o, "
         "novo endere\xC3\xA7o, m\xC3\xA1scara, gateway, mac)"},
        {"a column twice", "address,mask,new address,Mask,gateway\n", "line 1: the column Mask is named twice"},
        {"a column missing", "Endere\xC3\xA7o;M\xC3\xA1scara;Gateway\n",
         "line 1: the header names no column new_address"},
        {"a mask in the header's word",
         "Endere\xC3\xA7o;Novo endere\xC3\xA7o;M\xC3\xA1scara;Gateway\n10.4.2.20;10.4.2.120;255.0.255.0;10.4.2.1\n",
         "line 2 (10.4.2.20): M\xC3\xA1scara 255.0.255.0 is not contiguous (ones, then zeros)"},
        {"a new address in the header's word",
         "Endere\xC3\xA7o;Novo endere\xC3\xA7o;M\xC3\xA1scara;Gateway\n10.4.2.20;10.4.2.x;255.255.255.0;10.4.2.1\n",
         "line 2 (10.4.2.20): Novo endere\xC3\xA7o '10.4.2.x' is not four decimal octets 0-255"},
        {"without a header, the column's own name", "10.4.2.20,10.4.2.x,255.255.255.0,10.4.2.1\n",
         "line 1 (10.4.2.20): new_address '10.4.2.x' is not four decimal octets 0-255"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto problems = Problems(c.plan);
        ASSERT_EQ(problems.size(), 1u) << (problems.empty() ? "" : problems.back());
        EXPECT_EQ(problems[0], c.problem);
    }
}

TEST(PlanFile, ReadingStopsOneRowPastTheLimit) {
    std::string rows;
    for (int i = 0; i < 10; ++i)
        rows += "10.4.2." + std::to_string(i) + ",10.4.3." + std::to_string(i) + ",255.255.0.0,10.4.0.1\n";
    std::istringstream in(rows);
    const Plan plan = ReadPlan(in, language::English(), 3);
    EXPECT_TRUE(plan.overLimit);
    EXPECT_EQ(plan.rows.size(), 3u);
    std::istringstream all(rows);
    EXPECT_FALSE(ReadPlan(all, language::English(), 10).overLimit);
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
         "line 2 (10.4.2.21): new_address 10.4.2.120 is also planned for 10.4.2.20 on line 1"},
        {"same device twice",
         "10.4.2.20,10.4.2.120,255.255.255.0,10.4.2.1\n010.004.002.020,10.4.2.121,255.255.255.0,10.4.2.1\n",
         "line 2 (010.004.002.020): the same device is planned on line 1"},
        {"new address held by another row's device",
         "10.4.2.20,10.4.2.21,255.255.255.0,10.4.2.1\n10.4.2.21,10.4.2.121,255.255.255.0,10.4.2.1\n",
         "line 1 (10.4.2.20): new_address 10.4.2.21 is where the device of line 2 is now"},
        {"not a MAC", "10.4.2.20,10.4.2.120,255.255.255.0,10.4.2.1,00-1A-AB-01-02\n",
         "line 1 (10.4.2.20): mac '00-1A-AB-01-02' is not six hexadecimal octets between dashes or colons"},
        {"same MAC twice",
         "10.4.2.20,10.4.2.120,255.255.255.0,10.4.2.1,00-1A-AB-01-02-FF\n"
         "10.4.2.21,10.4.2.121,255.255.255.0,10.4.2.1,0:1a:ab:1:2:ff\n",
         "line 2 (10.4.2.21): mac 0:1a:ab:1:2:ff is also planned on line 1"},
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
