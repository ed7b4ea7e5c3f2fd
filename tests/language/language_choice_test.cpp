#include "language/language_choice.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace korva::language {
namespace {

TEST(LanguageChoice, TheFirstOfLcAllLcMessagesAndLangThatSaysSomethingChooses) {
    const struct {
        std::map<std::string, std::string> environment;
        std::string name;
        const char* code;  // the catalogue chosen; nullptr: the program's default
    } cases[] = {
        {{}, "", nullptr},
        {{{"LANG", "pt_BR.UTF-8"}}, "pt_BR.UTF-8", "pt"},
        {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "pt_PT"}}, "pt_PT", "pt"},
        {{{"LANG", "pt_BR.UTF-8"}, {"LC_MESSAGES", "pt_BR"}, {"LC_ALL", "en_GB.ISO-8859-1"}}, "en_GB.ISO-8859-1", "en"},
        // Set but empty says nothing.
        {{{"LANG", "pt_BR.UTF-8"}, {"LC_MESSAGES", ""}, {"LC_ALL", ""}}, "pt_BR.UTF-8", "pt"},
        // The first that says something decides, even for a language no catalogue has.
        {{{"LANG", "pt_BR.UTF-8"}, {"LC_ALL", "C"}}, "C", nullptr},
        {{{"LANG", "pt_BR.UTF-8"}, {"LC_MESSAGES", "de_DE.UTF-8"}}, "de_DE.UTF-8", nullptr},
        {{{"LANG", "C.UTF-8"}}, "C.UTF-8", nullptr},
        {{{"LANG", "POSIX"}}, "POSIX", nullptr},
        {{{"LANG", "en"}}, "en", "en"},
        {{{"LANG", "pt@euro"}}, "pt@euro", "pt"},
        {{{"LANG", "PT_br"}}, "PT_br", "pt"},
        {{{"LANG", "english"}}, "english", nullptr},
        {{{"LANG", "_BR"}}, "_BR", nullptr},
    };
    for (const auto& c : cases) {
        const std::string name = LocaleNameFromEnvironment([&c](const char* variable) -> const char* {
            const auto found = c.environment.find(variable);
            return found == c.environment.end() ? nullptr : found->second.c_str();
        });
        EXPECT_EQ(name, c.name);
        const Catalogue* chosen = CatalogueForLocale(name);
        EXPECT_EQ(chosen ? chosen->Code() : "the default", c.code ? c.code : "the default") << c.name;
    }
}

TEST(LanguageChoice, WindowsLanguageNamesChooseByTheirLanguageToo) {
    EXPECT_EQ(CatalogueForLocale("pt-BR"), FindCatalogue("pt"));
    EXPECT_EQ(CatalogueForLocale("en-US"), &English());
    EXPECT_EQ(CatalogueForLocale("fr-FR"), nullptr);
}

}  // namespace
}  // namespace korva::language
