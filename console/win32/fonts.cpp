#include "console/win32/fonts.h"

#include <initializer_list>
#include <map>
#include <string>
#include <utility>

namespace korva::console::win32 {
namespace {

int CALLBACK StopAtFirst(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool Installed(const wchar_t* family) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, family, LF_FACESIZE);
    bool found = false;
    const HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, StopAtFirst, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// The first of candidates that is installed, or the last when none is: the system then picks by pitch.
std::wstring InstalledFamily(std::initializer_list<const wchar_t*> candidates) {
    for (const wchar_t* family : candidates) {
        if (Installed(family))
            return family;
    }
    return *(candidates.end() - 1);
}

HFONT Bold(const std::wstring& family, DWORD pitch, int pixels) {
    static std::map<std::pair<std::wstring, int>, HFONT> made;
    HFONT& font = made[{family, pixels}];
    if (font == nullptr) {
        // A negative height is the em height in pixels, as the design counts it, not the cell height.
        font = CreateFontW(-pixels, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, pitch, family.c_str());
    }
    return font;
}

}  // namespace

HFONT ArialBold(int pixels) {
    static const std::wstring family = InstalledFamily({L"Arial", L"Liberation Sans"});
    return Bold(family, VARIABLE_PITCH | FF_SWISS, pixels);
}

HFONT MonoBold(int pixels) {
    static const std::wstring family = InstalledFamily({L"Monospac821 BT", L"Liberation Mono"});
    return Bold(family, FIXED_PITCH | FF_MODERN, pixels);
}

}  // namespace korva::console::win32
