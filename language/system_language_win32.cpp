#include "language/language_choice.h"

#include <windows.h>

namespace korva::language {

// The language of the user's menus and dialogs, which Windows' own programs speak; the locale of
// numbers and dates (the user's "format") may differ, and does not choose.
std::string SystemLanguageName() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) == 0)
        return {};
    std::string ascii;  // locale names are ASCII: "pt-BR"
    for (const wchar_t* c = name; *c; ++c)
        ascii += *c < 0x80 ? static_cast<char>(*c) : '?';
    return ascii;
}

}  // namespace korva::language
