// The system's floor for the Windows console's start-up: a bare Win32 window with KorvaCfg's thirty
// controls as plain buttons, edit boxes and static texts at the same boxes, the system's font and
// colours, no socket and no settings. It runs until it is closed.
//
//   bare_window [DLL...]    loads the DLLs first, to show what each costs the start-up on its own
#include <windows.h>

#include <algorithm>
#include <string>

#include "bench/bare_window_controls.h"

namespace {

std::wstring Wide(const char* utf8) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), length);
    text.resize(static_cast<std::size_t>(length) - 1);
    return text;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void CreateControls(HWND window, HINSTANCE instance) {
    using korva::bench::BareControl;
    for (const BareControl& control : korva::bench::kBareControls) {
        const wchar_t* windowClass = control.kind == BareControl::kButton ? L"BUTTON"
                                     : control.kind == BareControl::kEdit ? L"EDIT"
                                                                          : L"STATIC";
        DWORD style = WS_CHILD | (control.hidden ? 0 : WS_VISIBLE);
        if (control.kind == BareControl::kEdit)
            style |= WS_BORDER | ES_AUTOHSCROLL;
        CreateWindowExW(0, windowClass, Wide(control.text).c_str(), style, control.x, control.y, control.width,
                        control.height, window, nullptr, instance, nullptr);
    }
}

// The DLLs named on the command line, blank-separated.
void LoadNamed(const wchar_t* commandLine) {
    std::wstring names(commandLine);
    std::size_t start = 0;
    while (start < names.size()) {
        const std::size_t end = std::min(names.find(L' ', start), names.size());
        if (end > start)
            LoadLibraryW(names.substr(start, end - start).c_str());
        start = end + 1;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    LoadNamed(commandLine);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"KorvaBareWindow";
    RegisterClassExW(&windowClass);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, korva::bench::kBareWindowWidth, korva::bench::kBareWindowHeight};
    AdjustWindowRect(&frame, style, FALSE);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"bare window", style, CW_USEDEFAULT,
                                        CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                        nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    CreateControls(window, instance);
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
