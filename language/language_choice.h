#pragma once
// Which language a program speaks: the one the system asks for when a catalogue has it, else the
// program's own (the console's Portuguese, korvactl's English).
#include "language/catalogue.h"

#include <functional>
#include <string>
#include <string_view>

namespace korva::language {

// What the system asks for. Linux: the locale of messages as the C library takes it, the first of
// LC_ALL, LC_MESSAGES and LANG that is set and not empty ("pt_BR.UTF-8"). Windows: the user's UI
// language ("pt-BR"). Empty when nothing says.
std::string SystemLanguageName();

// Linux's rule, with the environment given: variable returns a variable's value, or nullptr when unset.
std::string LocaleNameFromEnvironment(const std::function<const char*(const char*)>& variable);

// The catalogue of the language a locale name starts with, the letters before '_', '-', '.' or '@' ("pt"
// of "pt_BR.UTF-8", "en" of "en-US"), letter case aside; nullptr when none has it ("C", "de_DE").
const Catalogue* CatalogueForLocale(std::string_view name);

// The catalogue the system asks for, or programDefault.
const Catalogue& ChooseCatalogue(const Catalogue& programDefault);

}  // namespace korva::language
