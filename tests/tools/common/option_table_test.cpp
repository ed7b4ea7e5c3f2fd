// The option table both programs read their command lines with: each grammar, each mistake's message.
#include "tools/common/option_table.h"

#include <gtest/gtest.h>

namespace korva::tools {
namespace {

struct Read {
    bool flag = false;
    std::vector<std::string> values;
};

OptionTable Table(OptionGrammar grammar, Read& read) {
    OptionTable table(grammar, language::English(), [](const std::string& name) { return "no option " + name; });
    table.AddFlag("--flag", [&read] { read.flag = true; });
    table.AddFlag("-F", [&read] { read.flag = true; });
    table.AddValue("--value", [&read](const std::string& value) {
        read.values.push_back(value);
        return value != "bad";
    });
    table.AddValue(
        "--level", [](const std::string& value) { return value == "1"; }, "1 only");
    return table;
}

constexpr OptionGrammar kOperandsAndInline{.inlineValues = true, .operands = true};
constexpr OptionGrammar kOptionsOnly{.inlineValues = false, .operands = false};

TEST(OptionTable, ReadsFlagsValuesAndOperandsInOrder) {
    Read read;
    const auto parsed = Table(kOperandsAndInline, read)
                            .Parse({"a", "--value", "1", "-", "--value=2", "--value=", "-F", "b", "--value", "-x"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_TRUE(read.flag);
    EXPECT_EQ(read.values, (std::vector<std::string>{"1", "2", "", "-x"}));
    EXPECT_EQ(parsed.operands, (std::vector<std::string>{"a", "-", "b"}));
}

TEST(OptionTable, WithoutOperandsOrInlineValuesEveryOtherWordIsUnknown) {
    Read read;
    const OptionTable table = Table(kOptionsOnly, read);
    EXPECT_EQ(table.Parse({"--flag", "--value", "3"}).error, "");
    EXPECT_TRUE(read.flag);
    EXPECT_EQ(read.values, std::vector<std::string>{"3"});
    EXPECT_EQ(table.Parse({"--flag", "word"}).error, "no option word");
    EXPECT_EQ(table.Parse({"-"}).error, "no option -");
    EXPECT_EQ(table.Parse({"--value=4"}).error, "no option --value=4");
}

TEST(OptionTable, TheFirstMistakeEndsTheReading) {
    const struct {
        OptionGrammar grammar;
        std::vector<std::string> arguments;
        std::string error;
    } cases[] = {
        {kOperandsAndInline, {"--flag=1"}, "--flag takes no value"},
        {kOperandsAndInline, {"--flag="}, "--flag takes no value"},
        {kOperandsAndInline, {"--other=1"}, "no option --other"},
        {kOperandsAndInline, {"-F=1"}, "no option -F=1"},  // only long options take an inline value
        {kOperandsAndInline, {"--value"}, "--value needs a value"},
        {kOptionsOnly, {"--flag", "--value"}, "--value needs a value"},
        {kOptionsOnly, {"--level", "2"}, "bad value for --level: '2' (1 only)"},
        {kOperandsAndInline, {"--value=bad", "--value"}, "bad value for --value: 'bad'"},
        {kOptionsOnly, {"--value", "bad", "--nothing"}, "bad value for --value: 'bad'"},
        {kOptionsOnly, {"--nothing", "--value"}, "no option --nothing"},
    };
    for (const auto& c : cases) {
        Read read;
        const auto parsed = Table(c.grammar, read).Parse(c.arguments);
        EXPECT_EQ(parsed.error, c.error) << c.arguments.front();
        EXPECT_TRUE(parsed.operands.empty());
    }
}

}  // namespace
}  // namespace korva::tools
