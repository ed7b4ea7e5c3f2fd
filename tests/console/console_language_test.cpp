// Which language the console speaks: the command line, then the settings, then the system, then
// Portuguese; a value no catalogue has is passed over.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console_language.h"

namespace {

TEST(ConsoleLanguage, TheFirstThatNamesALanguageWins) {
    using Arguments = std::vector<std::string>;
    const struct {
        Arguments arguments;
        const char* setting;
        const char* system;
        const char* expected;
    } cases[] = {
        {{}, "", "", "pt"},
        {{}, "", "C", "pt"},
        {{}, "", "de_DE.UTF-8", "pt"},
        {{}, "", "en_US.UTF-8", "en"},
        {{}, "", "en-GB", "en"},
        {{}, "", "pt_BR.UTF-8", "pt"},
        {{}, "en", "pt_BR.UTF-8", "en"},
        {{}, "pt", "en_US.UTF-8", "pt"},
        {{}, "EN", "", "en"},
        {{}, "klingon", "en_US.UTF-8", "en"},
        {{"--lang", "en"}, "pt", "pt_BR.UTF-8", "en"},
        {{"--lang=pt"}, "en", "en_US.UTF-8", "pt"},
        {{"-platform", "offscreen", "--lang", "pt"}, "en", "", "pt"},
        {{"--lang", "xx"}, "en", "pt_BR", "en"},
        {{"--lang"}, "", "en_US", "en"},
        {{"--language=pt"}, "", "en_US", "en"},
    };
    for (const auto& c : cases) {
        std::string arguments;
        for (const std::string& argument : c.arguments)
            arguments += argument + ' ';
        EXPECT_EQ(korva::console::ConsoleLanguage(c.arguments, c.setting, c.system).Code(), c.expected)
            << "arguments '" << arguments << "', Idioma=" << c.setting << ", system " << c.system;
    }
}

}  // namespace
