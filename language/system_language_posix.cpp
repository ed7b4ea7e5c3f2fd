#include "language/language_choice.h"

#include <cstdlib>

namespace korva::language {

std::string SystemLanguageName() {
    return LocaleNameFromEnvironment([](const char* name) { return std::getenv(name); });
}

}  // namespace korva::language
