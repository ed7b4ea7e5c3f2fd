#include "language/language_choice.h"

#include <algorithm>
#include <cctype>

namespace korva::language {

std::string LocaleNameFromEnvironment(const std::function<const char*(const char*)>& variable) {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = variable(name);
        if (value && *value)
            return value;
    }
    return {};
}

const Catalogue* CatalogueForLocale(std::string_view name) {
    std::string code(name.substr(0, name.find_first_of("_-.@")));
    std::transform(code.begin(), code.end(), code.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return code.empty() ? nullptr : FindCatalogue(code);
}

const Catalogue& ChooseCatalogue(const Catalogue& programDefault) {
    const Catalogue* asked = CatalogueForLocale(SystemLanguageName());
    return asked ? *asked : programDefault;
}

}  // namespace korva::language
