// The installer's pages as a technician goes through them, for tests/package/windows_installer_test.sh:
// waits for the installer's window (a dialog whose caption names KorvaCfg), and writes each page it
// shows on standard output in UTF-8, one line for the caption and one for each visible control:
//
//   page 2 | caption | Instalação do KorvaCfg 1.0.0.1
//   page 2 | RichEdit20W | KorvaCfg  Copyright 2026 …      (line breaks as blanks; checkboxes: "[x] text")
//
// "walk" presses the default button (Next, I Agree, Install, Finish) on every page until the installer
// ends; "cancel" writes the first page of the wizard, cancels and confirms. Both take the language the
// language page offers. Exit status 0 when the installer ended.
//
//   installer_pages walk|cancel
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "console/win32/wide_text.h"

namespace {

using korva::console::win32::Utf8;

constexpr int kNextButton = 1;  // NSIS's own button ids
constexpr int kCancelButton = 2;
// Long enough for an installation under Wine on a busy machine.
constexpr auto kPatience = std::chrono::seconds(120);

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    for (wchar_t& c : text) {
        if (c == L'\r' || c == L'\n')
            c = L' ';
    }
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// The first visible top-level dialog but except whose caption holds text.
HWND FindDialog(const wchar_t* text, HWND except = nullptr) {
    struct Search {
        const wchar_t* text;
        HWND except;
        HWND found;
    } search{text, except, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(parameter);
            if (window == s.except || !IsWindowVisible(window) || ClassOf(window) != L"#32770" ||
                TextOf(window).find(s.text) == std::wstring::npos)
                return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The caption and every visible control, as the page lines show them.
std::wstring Page(HWND installer) {
    std::wstring page = L"caption | " + TextOf(installer) + L"\n";
    EnumChildWindows(
        installer,
        [](HWND control, LPARAM parameter) -> BOOL {
            if (!IsWindowVisible(control))
                return TRUE;
            const std::wstring type = ClassOf(control);
            std::wstring text = TextOf(control);
            const LONG style = GetWindowLongW(control, GWL_STYLE);
            if (type == L"Button" && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX)
                text = (SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"[x] " : L"[ ] ") + text;
            if (!text.empty() && type != L"#32770")
                *reinterpret_cast<std::wstring*>(parameter) += type + L" | " + text + L"\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&page));
    return page;
}

void Write(int number, const std::wstring& page) {
    std::size_t start = 0;
    while (start < page.size()) {
        const std::size_t end = page.find(L'\n', start);
        std::printf("page %d | %s\n", number, Utf8(page.substr(start, end - start)).c_str());
        start = end + 1;
    }
    std::fflush(stdout);
}

// The language page is a dialog of its own before the wizard's, a list and OK, whose id is Next's.
bool IsLanguagePage(HWND dialog) {
    return FindWindowExW(dialog, nullptr, L"ComboBox", nullptr) != nullptr;
}

void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

template <typename Condition>
bool WaitFor(Condition done) {
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    const std::wstring mode = argc == 2 ? argv[1] : L"";
    if (mode != L"walk" && mode != L"cancel") {
        std::fputs("usage: installer_pages walk|cancel\n", stderr);
        return 2;
    }
    HWND installer = nullptr;
    if (!WaitFor([&] { return (installer = FindDialog(L"KorvaCfg")) != nullptr; })) {
        std::fputs("installer_pages: no installer window\n", stderr);
        return 1;
    }
    // A page has been drawn once its texts stay the same for a moment.
    std::wstring shown;
    const auto settled = [&] {
        const std::wstring before = Page(installer);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return IsWindow(installer) && Page(installer) == before ? before : std::wstring();
    };
    for (int number = 1; IsWindow(installer); ++number) {
        const bool languagePage = IsLanguagePage(installer);
        std::wstring page;
        if (!WaitFor([&] { return !IsWindow(installer) || ((page = settled()) != shown && !page.empty()); })) {
            std::fputs("installer_pages: the installer stopped on a page\n", stderr);
            return 1;
        }
        if (!IsWindow(installer))
            break;
        shown = page;
        Write(number, page);
        if (languagePage) {
            // The language as chosen for the user; the wizard follows in a window of its own.
            const HWND languages = installer;
            Press(languages, kNextButton);
            if (!WaitFor([&] { return !IsWindow(languages) && (installer = FindDialog(L"KorvaCfg")) != nullptr; })) {
                std::fputs("installer_pages: no wizard after the language page\n", stderr);
                return 1;
            }
            continue;
        }
        if (mode == L"cancel") {
            Press(installer, kCancelButton);
            HWND question = nullptr;
            if (WaitFor([&] { return (question = FindDialog(L"KorvaCfg", installer)) != nullptr; }))
                Press(question, IDYES);
            return WaitFor([&] { return !IsWindow(installer); }) ? 0 : 1;
        }
        // On the installation's own page Next comes back once the files are in place.
        if (IsWindowEnabled(GetDlgItem(installer, kNextButton)))
            Press(installer, kNextButton);
    }
    return 0;
}
