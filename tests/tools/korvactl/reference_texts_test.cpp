// What korvactl_reference writes from the rows: a value's name in the man page's marks, a section put in
// a page, the synopsis and the options' entries.
#include "tools/korvactl/reference/reference_texts.h"
#include "tools/korvactl/program/command_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

namespace korva::ctl {
namespace {

std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(ReferenceTexts, AValuesNameIsUnderlinedWordByWordAndChoicesStayAsTheyAre) {
    const struct {
        const char* value;
        const char* man;
    } cases[] = {
        {"D", "_D_"}, {"ADDRESS:PORT", "_ADDRESS_:_PORT_"}, {"RANGE,...", "_RANGE_,..."}, {"input|reply", "input|reply"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ManText(c.value), c.man) << c.value;
}

TEST(ReferenceTexts, ASectionsBodyIsReplacedUpToTheNextHeadingAndNothingElse) {
    const struct {
        const char* page;
        const char* section;
        bool found;
        const char* result;
    } cases[] = {
        {"x(1)\n\n# A\n\nold\n\n# B\n\nkept\n", "A", true, "x(1)\n\n# A\n\nnew\n\n# B\n\nkept\n"},
        {"x(1)\n\n# A\n\nkept\n\n# B\n\nold\nold\n", "B", true, "x(1)\n\n# A\n\nkept\n\n# B\n\nnew\n\n"},
        // A heading's name is matched whole: "# AB" is not "# A".
        {"x(1)\n\n# AB\n\nkept\n", "A", false, "x(1)\n\n# AB\n\nkept\n"},
        {"x(1)\n\nno sections\n", "A", false, "x(1)\n\nno sections\n"},
    };
    for (const auto& c : cases) {
        std::string page = c.page;
        EXPECT_EQ(ReplaceSection(page, c.section, "new\n\n"), c.found) << c.page;
        EXPECT_EQ(page, c.result);
    }
}

TEST(ReferenceTexts, TheSynopsisHasALineForEveryCommandWithItsRequiredOptionsFirst) {
    const std::string synopsis = Synopsis();
    std::vector<std::string> lines;
    std::istringstream in(synopsis);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty())
            lines.push_back(line);
    }
    for (const Command& command : Commands()) {
        const std::string named = "*" + std::string(command.name) + "*";
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&named](const std::string& line) {
                                    return line.starts_with("*korvactl* " + named + " ") ||
                                           line.find("|" + named) != std::string::npos ||
                                           line.find(named + "|") != std::string::npos;
                                }),
                  1)
            << command.name << " in\n"
            << synopsis;
    }
    // Commands that take the same share a line; what a command needs comes before what it may be given.
    EXPECT_EQ(Occurrences(synopsis, "*korvactl* *status*|*params*|*reset* [*-f* _FILE_]... "), 1u) << synopsis;
    EXPECT_EQ(Occurrences(synopsis, "*korvactl* *set* *--ip* _A_ *--mask* _M_ *--gateway* _G_ ["), 1u) << synopsis;
    EXPECT_EQ(Occurrences(synopsis, "*korvactl* *exporter* *--listen* _ADDRESS_:_PORT_ ["), 1u) << synopsis;
    EXPECT_EQ(Occurrences(synopsis, "*korvactl* _COMMAND_ *-h*|*--help*\n"), 1u) << synopsis;
}

TEST(ReferenceTexts, RowsWithoutWordsOfTheirOwnAreNamedInTheEntryBefore) {
    const std::string options = Options();
    // An entry's first line. One flag in three rows, a meaning for each command, is one entry with its name once.
    for (const char* label : {"*--json*, *--table*, *--csv*\n\t", "*--ip* _A_, *--mask* _M_, *--gateway* _G_\n\t",
                              "*--force*\n\t", "*-h*, *--help*\n\t"})
        EXPECT_EQ(Occurrences(options, label), 1u) << label;
    EXPECT_EQ(Occurrences(options, "*--force*"), 1u);
    EXPECT_TRUE(options.ends_with("\n\nOptions that take a value also accept the form *--option=*_value_.\n\n"));
}

}  // namespace
}  // namespace korva::ctl
