// KorvaCfg on Windows: the console for one Korva site controller, its native window over the same
// rules and endpoint as on Linux.
#include <windows.h>

#include <commctrl.h>

#include "app/console_wiring.h"
#include "app/settings_place_win32.h"
#include "console/win32/TfrKorvaCfg01.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    korva::console::win32::TfrKorvaCfg01 window(korva::app::ThisProgramsSettingsStore());
    const HWND handle = window.Handle();
    // The receiving thread only posts; the datagrams are served here, between the window's other events.
    korva::app::ConsoleWiring wiring(window.View(),
                                     [handle] { PostMessageW(handle, korva::console::win32::kDatagramWaiting, 0, 0); });
    window.Attach(wiring.Rules(), [&wiring] { wiring.ServePending(); }, [&wiring] { wiring.Close(); });
    window.Show();

    // Without its socket the console is useless: it ends as quietly as it started.
    if (!wiring.Open())
        return 1;
    // A short pause between opening the socket and handling the first event, as the console always made.
    Sleep(100);

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
