#include "console/win32/TTILed.h"

#include "console/win32/dpi.h"
#include "console/win32/wide_text.h"

namespace korva::console::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TTILed";

void RegisterOnce(WNDPROC procedure) {
    static const ATOM registered = [procedure] {
        WNDCLASSW type{};
        type.lpfnWndProc = procedure;
        type.hInstance = GetModuleHandleW(nullptr);
        type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        type.lpszClassName = kClassName;
        return RegisterClassW(&type);
    }();
    (void)registered;
}

}  // namespace

TTILed::TTILed(HWND parent, int id, const RECT& box, const std::wstring& caption, HFONT font) : font_(font) {
    RegisterOnce(Procedure);
    window_ = CreateWindowExW(0, kClassName, caption.c_str(), WS_CHILD | WS_VISIBLE, box.left, box.top, box.right - box.left,
                              box.bottom - box.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), this);
    UpdateColour();
}

void TTILed::SetKeyboardClickable() {
    SetWindowLongW(window_, GWL_STYLE, GetWindowLongW(window_, GWL_STYLE) | WS_TABSTOP);
}

void TTILed::SetLedOn(bool on) {
    ledOn_ = on;
    UpdateColour();
}

void TTILed::SetLedIndex(int index) {
    ledIndex_ = index;
    UpdateColour();
}

void TTILed::SetColours(COLORREF off, const std::array<COLORREF, 4>& on) {
    off_ = off;
    on_ = on;
    UpdateColour();
}

void TTILed::SetFont(HFONT font) {
    font_ = font;
    InvalidateRect(window_, nullptr, TRUE);
}

void TTILed::SetStale(bool stale) {
    if (stale_ == stale)
        return;
    stale_ = stale;
    InvalidateRect(window_, nullptr, TRUE);
}

void TTILed::SetMarked(bool marked) {
    if (marked_ == marked)
        return;
    marked_ = marked;
    InvalidateRect(window_, nullptr, TRUE);
}

// An index outside 0..3 while lit keeps whatever colour the panel already has.
void TTILed::UpdateColour() {
    if (!ledOn_)
        colour_ = off_;
    else if (ledIndex_ >= 0 && ledIndex_ <= 3)
        colour_ = on_[static_cast<std::size_t>(ledIndex_)];
    // The caption's box comes and goes with the light, so the panel is drawn again even in one colour.
    InvalidateRect(window_, nullptr, TRUE);
}

LRESULT CALLBACK TTILed::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* led = static_cast<TTILed*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        led->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(led));
    }
    auto* led = reinterpret_cast<TTILed*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return led != nullptr ? led->Handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TTILed::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool focusable = (GetWindowLongW(window_, GWL_STYLE) & WS_TABSTOP) != 0;
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // Paint fills everything
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(window_, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            leftPressed_ = true;
            if (focusable)
                SetFocus(window_);
            return 0;
        case WM_LBUTTONDBLCLK:
            // The second press of a double click: its release must not be a second click, or "aut"
            // would switch straight back.
            leftPressed_ = false;
            return 0;
        case WM_LBUTTONUP: {
            RECT inside;
            GetClientRect(window_, &inside);
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const bool click = leftPressed_ && PtInRect(&inside, at);
            leftPressed_ = false;
            if (click)
                Click();
            return 0;
        }
        case WM_GETDLGCODE:
            // Enter comes here rather than to the dialog manager's default button.
            if (lParam != 0 && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
                reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN)
                return DLGC_WANTMESSAGE;
            return 0;
        case WM_KEYDOWN:
            // Bit 30: the key was down already, an auto-repeat.
            if (focusable && (wParam == VK_SPACE || wParam == VK_RETURN) && (lParam & (1 << 30)) == 0) {
                Click();
                return 0;
            }
            break;
        case WM_NCDESTROY:
            window_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void TTILed::Click() {
    SendMessageW(GetParent(window_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window_), BN_CLICKED),
                 reinterpret_cast<LPARAM>(window_));
}

// Colour alone does not tell every eye which state a panel shows: a marked caption is boxed, and an old
// lit panel hatched. The design's pixels are scaled to the window's DPI.
void TTILed::Paint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window_, &paint);
    const UINT dpi = DpiOf(window_);
    const int line = Scaled(1, dpi);
    RECT panel;
    GetClientRect(window_, &panel);
    const HBRUSH background = CreateSolidBrush(colour_);
    FillRect(dc, &panel, background);
    DeleteObject(background);
    // The raised edge, a line as wide as the DPI makes one pixel of the design.
    RECT inside = panel;
    for (int drawn = 0; drawn < line; ++drawn) {
        DrawEdge(dc, &inside, BDR_RAISEDINNER, BF_RECT);
        InflateRect(&inside, -1, -1);
    }
    if (stale_) {
        const HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, RGB(96, 96, 96));
        SetBkMode(dc, TRANSPARENT);
        FillRect(dc, &inside, hatch);
        DeleteObject(hatch);
    }
    const std::wstring caption = WindowText(window_);
    const HGDIOBJ previousFont = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT text = inside;
    DrawTextW(dc, caption.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (marked_) {
        RECT measured = inside;
        DrawTextW(dc, caption.c_str(), -1, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        const int width = measured.right - measured.left;
        const int height = measured.bottom - measured.top;
        const int margin = Scaled(3, dpi);
        RECT box{inside.left + (inside.right - inside.left - width) / 2 - margin,
                 inside.top + (inside.bottom - inside.top - height) / 2, 0, 0};
        box.right = box.left + width + 2 * margin;
        box.bottom = box.top + height;
        for (int drawn = 0; drawn < line; ++drawn) {
            FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            InflateRect(&box, -1, -1);
        }
    }
    if (GetFocus() == window_) {
        RECT focus = inside;
        InflateRect(&focus, -line, -line);
        DrawFocusRect(dc, &focus);
    }
    SelectObject(dc, previousFont);
    EndPaint(window_, &paint);
}

}  // namespace korva::console::win32
