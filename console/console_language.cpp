#include "console/console_language.h"

#include <iterator>

#include "language/language_choice.h"

namespace korva::console {
namespace {

constexpr std::string_view kOption = "--lang";

std::string_view LanguageArgument(const std::vector<std::string>& arguments) {
    for (auto argument = arguments.begin(); argument != arguments.end(); ++argument) {
        const std::string_view text = *argument;
        if (text == kOption && std::next(argument) != arguments.end())
            return *std::next(argument);
        if (text.starts_with(kOption) && text.substr(kOption.size()).starts_with('='))
            return text.substr(kOption.size() + 1);
    }
    return {};
}

}  // namespace

const language::Catalogue& ConsoleLanguage(const std::vector<std::string>& arguments, std::string_view setting,
                                           std::string_view systemLocale) {
    for (const std::string_view asked : {LanguageArgument(arguments), setting, systemLocale}) {
        if (const language::Catalogue* catalogue = language::CatalogueForLocale(asked))
            return *catalogue;
    }
    return *language::FindCatalogue("pt");
}

}  // namespace korva::console
