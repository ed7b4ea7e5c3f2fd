#include "language/catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace korva::language {
namespace {

std::set<std::string_view> PlaceholderNames(std::string_view text) {
    std::set<std::string_view> names;
    for (const Placeholder& placeholder : Placeholders(text))
        names.insert(placeholder.name);
    return names;
}

// The options a text names ("--force"): the program's own words, the same in every language.
std::set<std::string_view> OptionsNamed(std::string_view text) {
    std::set<std::string_view> options;
    for (std::size_t at = text.find("--"); at != std::string_view::npos; at = text.find("--", at + 2)) {
        std::size_t end = at + 2;
        while (end < text.size() && ((text[end] >= 'a' && text[end] <= 'z') || text[end] == '-'))
            ++end;
        if (end > at + 2)
            options.insert(text.substr(at, end - at));
    }
    return options;
}

template <typename Words>
std::string Listed(const Words& words) {
    std::string list;
    for (std::string_view word : words)
        list += (list.empty() ? "" : " ") + std::string(word);
    return list;
}

// What keeps a translation from standing in for the English catalogue: the problems of its file, keys it
// lacks or English lacks, placeholders or options that differ, and plurals without their two forms.
std::vector<std::string> Disagreements(const Catalogue& english, const Catalogue& translation) {
    std::vector<std::string> found = translation.Problems();
    for (std::string_view key : english.Keys()) {
        if (!translation.Find(key))
            found.push_back(std::string(key) + ": missing");
    }
    for (std::string_view key : translation.Keys()) {
        const std::string* source = english.Find(key);
        const std::string& text = *translation.Find(key);
        const std::string name(key);
        if (!source) {
            found.push_back(name + ": not in English");
            continue;
        }
        if (PlaceholderNames(text) != PlaceholderNames(*source))
            found.push_back(name + ": placeholders " + Listed(PlaceholderNames(text)) + " for " +
                            Listed(PlaceholderNames(*source)));
        for (const Placeholder& placeholder : Placeholders(text)) {
            if (!placeholder.forms.empty() && placeholder.forms.size() != 2)
                found.push_back(name + ": {" + std::string(placeholder.name) + "} with " +
                                std::to_string(placeholder.forms.size()) + " forms");
        }
        if (OptionsNamed(text) != OptionsNamed(*source))
            found.push_back(name + ": options " + Listed(OptionsNamed(text)) + " for " + Listed(OptionsNamed(*source)));
    }
    return found;
}

TEST(Catalogues, EveryLanguageHasEveryEnglishKeyWithItsPlaceholdersAndOptions) {
    ASSERT_GE(Catalogues().size(), 2u);
    for (const Catalogue& catalogue : Catalogues())
        EXPECT_EQ(Disagreements(English(), catalogue), std::vector<std::string>{}) << catalogue.Code();
    EXPECT_NE(FindCatalogue("pt"), nullptr);
}

TEST(Catalogues, TheCheckFindsEveryKindOfDisagreement) {
    const Catalogue english("en",
                            "plural.singular = 1\n"
                            "files = {count} {count|file|files} in {folder}\n"
                            "force = add --force to go on\n"
                            "plain = a text\n");
    const struct {
        const char* translation;
        std::vector<std::string> found;
    } cases[] = {
        {"plural.singular = 1\nfiles = {count} {count|arquivo|arquivos} em {folder}\nforce = --force\nplain = x\n", {}},
        {"plural.singular = 1\nfiles = {count} {count|arquivo|arquivos} em {folder}\nforce = --force\n",
         {"plain: missing"}},
        {"plural.singular = 1\nfiles = {count} {count|arquivo|arquivos} em {pasta}\nforce = --force\nplain = x\n",
         {"files: placeholders count pasta for count folder"}},
        {"plural.singular = 1\nfiles = {count} {count|a|b|c} em {folder}\nforce = --force\nplain = x\n",
         {"files: {count} with 3 forms"}},
        {"plural.singular = 1\nfiles = {count} {count|a|b} em {folder}\nforce = --forcar\nplain = x\n",
         {"force: options --forcar for --force"}},
        {"plural.singular = 1\nfiles = {count} {count|a|b} em {folder}\nforce = --force\nplain = x\nextra = y\n",
         {"extra: not in English"}},
        {"plural.singular = 1\nfiles = {count} {count|a|b} em {folder}\nforce = --force\nplain x\nplain = x\n"
         "plain = y\n  z\n",
         {"line 4: not \"key = text\"", "line 6: plain again", "line 7: an indented line after no entry"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Disagreements(english, Catalogue("xx", c.translation)), c.found) << c.translation;
}

TEST(Catalogue, WordsAMessageWithItsArgumentsPluralsAndNestedMessages) {
    const Catalogue catalogue("xx",
                              "# a comment\r\n"
                              "plural.singular = 0 1\r\n"
                              "ctl.scan.repeated = {count} {count|address|addresses}; {count|it|they}   \r\n"
                              "ctl.request.write = the write\n"
                              "ctl.failure.no_reply = {request} ({attempts}, {timeout}) {unknown} {not a name} {x|\n"
                              "ctl.help.exit_status = first\n"
                              "   \t second\n"
                              "\n"
                              "ctl.help.options = {name}\n");
    EXPECT_EQ(catalogue.Problems(), std::vector<std::string>{});
    const struct {
        Message message;
        std::string worded;
    } cases[] = {
        {{"ctl.scan.repeated", {{"count", 0}}}, "0 address; it"},
        {{"ctl.scan.repeated", {{"count", 1}}}, "1 address; it"},
        {{"ctl.scan.repeated", {{"count", 2}}}, "2 addresses; they"},
        {{"ctl.scan.repeated", {{"count", "many"}}}, "many addresses; they"},  // a text takes the other form
        {{"ctl.failure.no_reply",
          {{"request", Key("ctl.request.write")}, {"attempts", 3}, {"timeout", std::string("1000")}}},
         "the write (3, 1000) {unknown} {not a name} {x|"},
        {{"ctl.help.exit_status"}, "first\nsecond"},
        {{"ctl.help.options", {{"name", Message::Verbatim("Host not found.")}}}, "Host not found."},
        {{"ctl.help.options", {{"name", Message("ctl.scan.repeated", {{"count", 1}})}}}, "1 address; it"},
        {Message::Verbatim("as it stands {count}"), "as it stands {count}"},
        // A key this catalogue lacks, as English has it.
        {{"ctl.failure.interrupted"}, "interrupted"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(catalogue.Text(c.message), c.worded) << c.worded;
}

TEST(Message, EqualMessagesHaveEqualKeysAndArguments) {
    const Message reason("ctl.failure.no_live_data", {{"interval", 500}});
    const Message written("ctl.row.written_reason", {{"reason", reason}});
    EXPECT_EQ(written, Message("ctl.row.written_reason",
                               {{"reason", Message("ctl.failure.no_live_data", {{"interval", 500}})}}));
    EXPECT_NE(written, Message("ctl.row.written_reason",
                               {{"reason", Message("ctl.failure.no_live_data", {{"interval", 501}})}}));
    EXPECT_NE(reason, Message("ctl.failure.no_live_data", {{"interval", "500"}}));
    EXPECT_NE(Message::Verbatim("a"), Message::Verbatim("b"));
    EXPECT_TRUE(Message().Empty());
    EXPECT_FALSE(Message::Verbatim("a").Empty());
}

}  // namespace
}  // namespace korva::language
