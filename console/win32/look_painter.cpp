#include "console/win32/look_painter.h"

#include <commctrl.h>

#include <string>
#include <string_view>

#include "console/console_texts.h"
#include "console/win32/accessible_names.h"
#include "console/win32/colours.h"
#include "console/win32/dpi.h"
#include "console/win32/wide_text.h"

namespace korva::console::win32 {
namespace {

constexpr int kTipWidth = 300;  // the restart notice's tooltip wraps there

}  // namespace

LookPainter::LookPainter(HWND window, WindowControls& controls, UINT dpi)
    : window_(window), controls_(controls), dpi_(dpi) {}

LookPainter::~LookPainter() {
    for (const auto& [colour, brush] : brushes_)
        DeleteObject(brush);
}

void LookPainter::Paint(const layout::Control& row, const ControlLook& look) {
    const HWND control = controls_.Handle(row.name);
    const auto [found, first] = looks_.try_emplace(control);
    ControlLook& shown = found->second;
    if (first || look.accessibleName != shown.accessibleName) {
        if (!look.accessibleName.empty())
            SetAccessibleName(control, look.accessibleName);
    }
    // A control nothing was ever said of keeps the system's own answers.
    if (look.accessibleDescription != shown.accessibleDescription)
        SetAccessibleDescription(control, look.accessibleDescription);
    if (first || look.enabled != shown.enabled)
        EnableWindow(control, look.enabled ? TRUE : FALSE);
    if (first || look.visible != shown.visible) {
        // The restart notice's tooltip is made when the notice first shows: a window of its own, which
        // the first paint does without.
        if (look.visible && row.name == std::string_view("lbAlt") && tooltip_ == nullptr)
            MakeTooltip();
        ShowWindow(control, look.visible ? SW_SHOWNA : SW_HIDE);
    }
    if (row.kind == layout::ControlKind::kLed) {
        TTILed& led = controls_.Led(row.name);
        led.SetLedIndex(look.colourIndex);
        led.SetLedOn(look.lit);
        led.SetMarked(look.marked);
        led.SetStale(look.stale);
    } else if (row.kind == layout::ControlKind::kButton) {
        if (first || look.busy != shown.busy)
            SendMessageW(control, BM_SETSTATE, look.busy ? TRUE : FALSE, 0);  // pushed in until the name is found
    } else if (row.kind != layout::ControlKind::kEdit) {
        if (first || look.text != shown.text)
            SetWindowTextW(control, WithCrLf(Wide(look.text)).c_str());
        if (first || look.textColour != shown.textColour || look.background != shown.background)
            InvalidateRect(control, nullptr, TRUE);
    }
    shown = look;
}

HBRUSH LookPainter::ColoursOf(HWND control, HDC dc) {
    const auto found = looks_.find(control);
    const ControlLook* look = found != looks_.end() ? &found->second : nullptr;
    SetTextColor(dc, look != nullptr && look->textColour ? Colour(*look->textColour) : GetSysColor(COLOR_WINDOWTEXT));
    // Labels, and a disabled box, show the button face.
    const COLORREF background = look != nullptr && look->background && IsWindowEnabled(control)
                                    ? Colour(*look->background)
                                    : GetSysColor(COLOR_BTNFACE);
    SetBkColor(dc, background);
    HBRUSH& brush = brushes_[background];
    if (brush == nullptr)
        brush = CreateSolidBrush(background);
    return brush;
}

void LookPainter::Rescale(UINT dpi) {
    dpi_ = dpi;
    if (tooltip_ != nullptr)
        SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scaled(kTipWidth, dpi_));
}

void LookPainter::MakeTooltip() {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    std::wstring tip = Wide(texts::Text(texts::kRestartPendingTip));
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(controls_.Handle("lbAlt"));
    tool.lpszText = tip.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scaled(kTipWidth, dpi_));
}

}  // namespace korva::console::win32
