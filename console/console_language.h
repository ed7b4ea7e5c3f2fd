#pragma once
// Which language the console speaks. Portuguese is its own; English, or any language a catalogue is added
// for, when the operator or the system asks for it.
#include <string>
#include <string_view>
#include <vector>

#include "language/catalogue.h"

namespace korva::console {

// The first that applies: "--lang CODE" or "--lang=CODE" among the program's arguments, Idioma= of the
// settings, the system's language (a locale name such as "en_US.UTF-8" or "en-US"), else Portuguese. A
// value no catalogue has is passed over, so that a mistyped setting never leaves the window wordless.
const language::Catalogue& ConsoleLanguage(const std::vector<std::string>& arguments, std::string_view setting,
                                           std::string_view systemLocale);

}  // namespace korva::console
