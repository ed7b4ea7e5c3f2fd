#include "console/win32/window_controls.h"

#include "console/win32/colours.h"
#include "console/win32/dpi.h"
#include "console/win32/fonts.h"
#include "console/win32/select_all_key.h"
#include "console/win32/wide_text.h"

namespace korva::console::win32 {
namespace {

constexpr int kFirstControlId = 100;

// The keyboard's way through the window, as on every system the console runs on.
const char* const kTabOrder[] = {"btRead", "ldAuto", "btRst", "edIP1", "edIP2", "edMsk2", "edGW2", "btWr1", "btRd"};

std::array<COLORREF, 4> LitColours(const layout::LedColours& colours) {
    return {Colour(colours.on0), Colour(colours.on1), Colour(colours.on2), Colour(colours.on3)};
}

DWORD StyleOf(const layout::Control& design) {
    switch (design.kind) {
        case layout::ControlKind::kButton:
            return WS_TABSTOP | BS_PUSHBUTTON;
        case layout::ControlKind::kReading:
            return SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN | SS_NOPREFIX;
        case layout::ControlKind::kLabel:
            return (design.alignment == layout::Alignment::kCenter ? SS_CENTER : SS_RIGHT) | SS_NOPREFIX;
        case layout::ControlKind::kFilledLabel:
            // SS_NOTIFY: a static shows its tooltip only when it answers the mouse.
            return SS_CENTER | SS_NOPREFIX | SS_NOTIFY;
        case layout::ControlKind::kEdit:
            return WS_TABSTOP | WS_BORDER | ES_CENTER | ES_AUTOHSCROLL;
        case layout::ControlKind::kLed:
            break;
    }
    return 0;
}

HFONT FontFor(const layout::Control& design, UINT dpi) {
    const int pixels = Scaled(design.font.pixels, dpi);
    return design.font.face == layout::Face::kMono ? MonoBold(pixels) : ArialBold(pixels);
}

const wchar_t* ClassOf(layout::ControlKind kind) {
    return kind == layout::ControlKind::kButton ? L"BUTTON" : kind == layout::ControlKind::kEdit ? L"EDIT" : L"STATIC";
}

}  // namespace

int ControlId(const std::string& name) {
    const auto controls = layout::Controls();
    for (std::size_t index = 0; index < controls.size(); ++index) {
        if (name == controls[index].name)
            return kFirstControlId + static_cast<int>(index);
    }
    return 0;
}

const layout::Control* RowOfId(int id) {
    const auto controls = layout::Controls();
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(controls.size()))
        return nullptr;
    return &controls[static_cast<std::size_t>(index)];
}

WindowControls::WindowControls(HWND window, UINT dpi) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto controls = layout::Controls();
    for (std::size_t index = 0; index < controls.size(); ++index) {
        const layout::Control& design = controls[index];
        const int id = kFirstControlId + static_cast<int>(index);
        const HFONT font = FontFor(design, dpi);
        const std::wstring caption = WithCrLf(Wide(texts::Text(design.caption)));
        const RECT box = ScaledBox(design.box, dpi);
        HWND control;
        if (design.kind == layout::ControlKind::kLed) {
            auto led = std::make_unique<TTILed>(window, id, box, caption, font);
            led->SetColours(Colour(layout::kLedOff), LitColours(*design.ledColours));
            led->SetLedOn(design.lit);
            control = led->Handle();
            leds_[design.name] = std::move(led);
        } else {
            control = CreateWindowExW(0, ClassOf(design.kind), caption.c_str(),
                                      WS_CHILD | (design.shown ? WS_VISIBLE : 0) | StyleOf(design), box.left, box.top,
                                      box.right - box.left, box.bottom - box.top, window,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            if (design.kind == layout::ControlKind::kEdit)
                SelectAllOnCtrlA(control);
        }
        controls_[design.name] = control;
    }
    Led("ldAuto").SetKeyboardClickable();
    // Tab follows the order the windows were made in; the designed order is another, so the tab stops
    // are moved behind one another.
    HWND previous = HWND_TOP;
    for (const char* name : kTabOrder) {
        SetWindowPos(Handle(name), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = Handle(name);
    }
}

HWND WindowControls::Handle(const char* name) const {
    return controls_.at(name);
}

TTILed& WindowControls::Led(const char* name) {
    return *leds_.at(name);
}

void WindowControls::Rescale(UINT dpi) {
    for (const layout::Control& design : layout::Controls()) {
        const RECT box = ScaledBox(design.box, dpi);
        SetWindowPos(Handle(design.name), nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (design.kind == layout::ControlKind::kLed)
            Led(design.name).SetFont(FontFor(design, dpi));
        else
            SendMessageW(Handle(design.name), WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(design, dpi)), TRUE);
    }
}

}  // namespace korva::console::win32
