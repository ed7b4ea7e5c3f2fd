// KorvaCfg on Windows: the console for one Korva site controller, its native window over the same
// rules and endpoint as on Linux.
#include <windows.h>

#include <commctrl.h>
#include <imm.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/console_wiring.h"
#include "app/settings/settings_place_win32.h"
#include "app/startup_steps.h"
#include "console/console_language.h"
#include "console/console_texts.h"
#include "console/win32/TfrKorvaCfg01.h"
#include "language/language_choice.h"
#include "language/utf16_win32.h"

namespace {

// The arguments after the program's name, as the C runtime split the UTF-16 command line.
std::vector<std::string> ProgramArguments() {
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i)
        arguments.push_back(korva::language::Utf8(__wargv[i]));
    return arguments;
}

}  // namespace

using korva::app::StartupStep;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    StartupStep("DLLs and C runtime");
    // The boxes take addresses and host names in Windows-1252, which no input method composes. Without
    // one, the focus given to the address box at start loads no text services (Wine's start COM then,
    // Windows' load the text services framework), which cost the first paint a fifth of its time.
    ImmDisableIME(0);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    StartupStep("common controls");

    std::unique_ptr<korva::console::SettingsStore> settings = korva::app::ThisProgramsSettingsStore();
    StartupStep("settings place");
    korva::console::texts::UseLanguage(
        korva::console::ConsoleLanguage(ProgramArguments(), settings->Language(), korva::language::SystemLanguageName()));
    korva::console::win32::TfrKorvaCfg01 window(std::move(settings));
    StartupStep("window, fonts, controls, settings read");
    const HWND handle = window.Handle();
    // The receiving thread only posts; the datagrams are served here, between the window's other events.
    korva::app::ConsoleWiring wiring(window.View(),
                                     [handle] { PostMessageW(handle, korva::console::win32::kDatagramWaiting, 0, 0); });
    window.Attach(wiring.Rules(), [&wiring] { wiring.ServePending(); }, [&wiring] { wiring.Close(); });
    StartupStep("rules");
    window.Show();
    StartupStep("shown");

    // Without its socket the console is useless: it ends as quietly as it started.
    if (!wiring.Open())
        return 1;
    StartupStep("socket and receiving thread");
    korva::app::ConsoleWiring::PauseBeforeFirstEvent();
    StartupStep("100 ms pause", true);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // The dialog manager moves the focus with Tab along the tab stops.
        if (!IsDialogMessageW(handle, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
