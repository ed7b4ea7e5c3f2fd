#include "console/win32/TfrNrm01.h"

#include <algorithm>
#include <climits>
#include <string>

#include "console/console_texts.h"
#include "console/message_buttons.h"
#include "console/win32/colours.h"
#include "console/win32/dpi.h"
#include "console/win32/fonts.h"
#include "console/win32/wide_text.h"

namespace korva::console::win32 {
namespace {

constexpr int kClientWidth = 471;
constexpr int kPanelHeightWithButtons = 211;
constexpr int kPanelHeightWithoutButtons = 176;
constexpr int kMargin = 10;  // navy border around the panel, on every side
constexpr int kTickMilliseconds = 100;
constexpr int kTicksPerSecond = 1000 / kTickMilliseconds;
constexpr UINT_PTR kTimerId = 1;
constexpr COLORREF kNavy = RGB(0, 0, 128);

enum ButtonId { kSimId = IDYES, kNaoId = IDNO, kOkId = IDOK };

// One showing: everything lives on the caller's stack for as long as the call waits.
struct Showing {
    TimedMessage message;
    std::wstring text;  // with CR LF line breaks
    UINT dpi;           // the owner's; every size of the design is scaled to it
    int remainingTicks = 0;
    bool answered = false;
    bool result = false;
};

HWND MakeButton(HWND parent, int id, language::Key caption, int x, bool shown, UINT dpi) {
    const DWORD style = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | (shown ? WS_VISIBLE : 0);
    const HWND button = CreateWindowExW(0, L"BUTTON", Wide(texts::Text(caption)).c_str(), style, Scaled(kMargin + x, dpi),
                                        Scaled(kMargin + 177, dpi), Scaled(96, dpi), Scaled(25, dpi), parent,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                        nullptr);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return button;
}

void Answer(HWND dialog, Showing& showing, bool yes) {
    KillTimer(dialog, kTimerId);
    showing.answered = true;
    showing.result = yes;
}

void Paint(HWND dialog, const Showing& showing) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(dialog, &paint);
    RECT client;
    GetClientRect(dialog, &client);
    const HBRUSH navy = CreateSolidBrush(kNavy);
    FillRect(dc, &client, navy);
    DeleteObject(navy);
    const auto scaled = [&showing](int designPixels) { return Scaled(designPixels, showing.dpi); };
    const auto box = [&scaled](int left, int top, int right, int bottom) {
        return RECT{scaled(left), scaled(top), scaled(right), scaled(bottom)};
    };
    RECT panel{scaled(kMargin), scaled(kMargin), client.right - scaled(kMargin), client.bottom - scaled(kMargin)};
    FillRect(dc, &panel, GetSysColorBrush(COLOR_BTNFACE));
    const HBRUSH fill = CreateSolidBrush(Colour(showing.message.colour));
    RECT colour = box(kMargin + 10, kMargin + 10, kMargin + 441, kMargin + 166);
    FillRect(dc, &colour, fill);
    DeleteObject(fill);

    // Msg1: centred both ways and word-wrapped, which DrawText does across lines only when told the
    // height the lines take.
    RECT label = box(kMargin + 20, kMargin + 20, kMargin + 431, kMargin + 156);
    const HGDIOBJ previousFont = SelectObject(dc, ArialBold(scaled(16)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    const UINT format = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
    RECT measured = label;
    const int height = DrawTextW(dc, showing.text.c_str(), -1, &measured, format | DT_CALCRECT);
    RECT text = label;
    text.top += std::max(0, static_cast<int>(label.bottom - label.top - height) / 2);
    DrawTextW(dc, showing.text.c_str(), -1, &text, format);
    SelectObject(dc, previousFont);
    EndPaint(dialog, &paint);
}

LRESULT CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(dialog, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* showing = reinterpret_cast<Showing*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
    if (showing == nullptr)
        return DefWindowProcW(dialog, message, wParam, lParam);
    switch (message) {
        case WM_PAINT:
            Paint(dialog, *showing);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_TIMER:  // Tmr1Timer
            if (--showing->remainingTicks <= 0)
                Answer(dialog, *showing, false);
            return 0;
        case WM_COMMAND:
            // Escape arrives as IDCANCEL and does nothing: only a button or the time-out closes.
            if (LOWORD(wParam) == kSimId || LOWORD(wParam) == kOkId)
                Answer(dialog, *showing, true);
            else if (LOWORD(wParam) == kNaoId)
                Answer(dialog, *showing, false);
            return 0;
        case WM_CLOSE:
            return 0;
        default:
            return DefWindowProcW(dialog, message, wParam, lParam);
    }
}

void RegisterOnce() {
    static const ATOM registered = [] {
        WNDCLASSW type{};
        type.lpfnWndProc = Procedure;
        type.hInstance = GetModuleHandleW(nullptr);
        type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        type.lpszClassName = kMessageClassName;
        return RegisterClassW(&type);
    }();
    (void)registered;
}

// start moved as little as needed for [start, start + length) to lie within [first, last); what does not
// fit sticks out past the end, keeping the beginning (the first lines, the left edge).
int KeepWithin(int start, int length, int first, int last) {
    return std::max(first, std::min(start, last - length));
}

// Centred over the owner, then moved inside the free area of its screen: an owner near the top would
// otherwise hide the message's first lines above the screen's edge.
POINT CentredOver(HWND owner, int width, int height) {
    RECT anchor;
    MONITORINFO monitor{sizeof monitor, {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &monitor);
    if (owner == nullptr || !GetWindowRect(owner, &anchor))
        anchor = monitor.rcWork;
    const RECT& area = monitor.rcWork;
    const int left = (anchor.left + anchor.right) / 2 - width / 2;
    const int top = (anchor.top + anchor.bottom) / 2 - height / 2;
    return {KeepWithin(left, width, area.left, area.right), KeepWithin(top, height, area.top, area.bottom)};
}

}  // namespace

bool ShowTimedMessage(HWND owner, const TimedMessage& message) {
    RegisterOnce();
    const UINT dpi = owner != nullptr ? DpiOf(owner) : kDesignDpi;
    Showing showing{message, WithCrLf(Wide(message.text)), dpi,
                    static_cast<int>(std::min<long long>(1LL * message.seconds * kTicksPerSecond, INT_MAX))};
    const MessageButtons buttons = ButtonsOf(message.kind);
    const bool withButtons = buttons.first != DialogButton::kNone;
    const int width = Scaled(kClientWidth, dpi);
    const int height = Scaled((withButtons ? kPanelHeightWithButtons : kPanelHeightWithoutButtons) + 2 * kMargin, dpi);
    const POINT at = CentredOver(owner, width, height);
    const HWND dialog = CreateWindowExW(0, kMessageClassName, showing.text.c_str(), WS_POPUP, at.x, at.y, width, height,
                                        owner, nullptr, GetModuleHandleW(nullptr), &showing);
    const HWND sim = MakeButton(dialog, kSimId, texts::kYesButton, 115, buttons.sim, dpi);
    const HWND nao = MakeButton(dialog, kNaoId, texts::kNoButton, 245, buttons.nao, dpi);
    const HWND ok = MakeButton(dialog, kOkId, texts::kOkButton, 180, buttons.ok, dpi);

    // Modal: the owner takes no input until the answer; an outer message that disabled it already keeps
    // it so.
    const bool ownerWasEnabled = owner != nullptr && !EnableWindow(owner, FALSE);
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    MessageBeep(0xFFFFFFFF);
    if (showing.remainingTicks > 0)
        SetTimer(dialog, kTimerId, kTickMilliseconds, nullptr);
    const HWND first = buttons.first == DialogButton::kOk ? ok : buttons.first == DialogButton::kSim ? sim : nao;
    if (withButtons) {
        SendMessageW(first, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        SetFocus(first);
    }

    MSG pending;
    while (!showing.answered) {
        const BOOL got = GetMessageW(&pending, nullptr, 0, 0);
        if (got <= 0) {
            // The program is asked to end: the caller's loop sees the request too.
            PostQuitMessage(static_cast<int>(pending.wParam));
            break;
        }
        if (!IsDialogMessageW(dialog, &pending)) {
            TranslateMessage(&pending);
            DispatchMessageW(&pending);
        }
    }
    if (ownerWasEnabled)
        EnableWindow(owner, TRUE);
    DestroyWindow(dialog);
    return showing.result;
}

}  // namespace korva::console::win32
