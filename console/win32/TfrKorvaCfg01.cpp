#include "console/win32/TfrKorvaCfg01.h"

#include <commctrl.h>

#include <array>
#include <exception>
#include <optional>
#include <string_view>
#include <utility>

#include "console/console_texts.h"
#include "console/window_layout.h"
#include "console/win32/TfrNrm01.h"
#include "console/win32/accessible_names.h"
#include "console/win32/dpi.h"
#include "console/win32/error_box.h"
#include "console/win32/fonts.h"
#include "console/win32/select_all_key.h"
#include "console/win32/version_resource.h"
#include "console/win32/wide_text.h"

namespace korva::console::win32 {
namespace {

constexpr UINT kPollingMilliseconds = 500;
constexpr UINT_PTR kPollingTimer = 1;
constexpr int kFirstControlId = 100;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kTipWidth = 300;  // the restart notice's tooltip wraps there

COLORREF Colour(const Rgb& rgb) {
    return RGB(rgb.red, rgb.green, rgb.blue);
}

std::array<COLORREF, 4> LitColours(const layout::LedColours& colours) {
    return {Colour(colours.on0), Colour(colours.on1), Colour(colours.on2), Colour(colours.on3)};
}

// The keyboard's way through the window, as on every system the console runs on.
const char* const kTabOrder[] = {"btRead", "ldAuto", "btRst", "edIP1", "edIP2", "edMsk2", "edGW2", "btWr1", "btRd"};

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

// The window's caption, with the version the executable's resource gives.
std::wstring Caption() {
    return Wide(texts::Text(texts::kTitlePrefix) + ExecutableVersionText());
}

void RegisterOnce(WNDPROC procedure) {
    static const ATOM registered = [procedure] {
        WNDCLASSW type{};
        type.lpfnWndProc = procedure;
        type.hInstance = GetModuleHandleW(nullptr);
        type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        // The program's icon is resource 1 (app/korvacfg_win32.rc.in).
        type.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        type.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        type.lpszClassName = kWindowClassName;
        return RegisterClassW(&type);
    }();
    (void)registered;
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

TfrKorvaCfg01::TfrKorvaCfg01(std::unique_ptr<SettingsStore> settings) : settings_(std::move(settings)) {
    RegisterOnce(Procedure);
    // Only a window can tell the DPI of the monitor it is on: it is made first, then sized and placed.
    window_ = CreateWindowExW(0, kWindowClassName, Caption().c_str(), kWindowStyle, 0, 0, layout::kClientWidth,
                              layout::kClientHeight, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    dpi_ = DpiOf(window_);
    Place();
    CreateControls();
    FormCreate();
}

// The design's place on a screen as wide as it is in the design's pixels, scaled back.
void TfrKorvaCfg01::Place() {
    const SIZE frame =
        FrameSize(Scaled(layout::kClientWidth, dpi_), Scaled(layout::kClientHeight, dpi_), kWindowStyle, dpi_);
    const int screenWidth = MulDiv(GetSystemMetrics(SM_CXSCREEN), kDesignDpi, dpi_);
    SetWindowPos(window_, nullptr, Scaled(layout::WindowLeft(screenWidth), dpi_), Scaled(layout::kTop, dpi_), frame.cx,
                 frame.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Every control at its box and in its face for the window's DPI, after it moved to a monitor of another.
void TfrKorvaCfg01::PlaceControls() {
    for (const layout::Control& design : layout::Controls()) {
        const RECT box = ScaledBox(design.box, dpi_);
        SetWindowPos(Control(design.name), nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (design.kind == layout::ControlKind::kLed)
            Led(design.name).SetFont(FontFor(design, dpi_));
        else
            SendMessageW(Control(design.name), WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(design, dpi_)), TRUE);
    }
    if (tooltip_ != nullptr)
        SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scaled(kTipWidth, dpi_));
}

TfrKorvaCfg01::~TfrKorvaCfg01() {
    if (window_ != nullptr)
        DestroyWindow(window_);
    for (const auto& [colour, brush] : brushes_)
        DeleteObject(brush);
}

void TfrKorvaCfg01::Attach(ConsoleCore& rules, std::function<void()> servePending,
                           std::function<void()> stopListening) {
    rules_ = &rules;
    servePending_ = std::move(servePending);
    stopListening_ = std::move(stopListening);
}

void TfrKorvaCfg01::Show() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    const HWND address = Control("edIP1");
    SetFocus(address);
    SendMessageW(address, EM_SETSEL, 0, -1);
}

void TfrKorvaCfg01::CreateControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto controls = layout::Controls();
    for (std::size_t index = 0; index < controls.size(); ++index) {
        const layout::Control& design = controls[index];
        const int id = kFirstControlId + static_cast<int>(index);
        const HFONT font = FontFor(design, dpi_);
        const std::wstring caption = WithCrLf(Wide(texts::Text(design.caption)));
        const RECT box = ScaledBox(design.box, dpi_);
        HWND control;
        if (design.kind == layout::ControlKind::kLed) {
            auto led = std::make_unique<TTILed>(window_, id, box, caption, font);
            led->SetColours(Colour(layout::kLedOff), LitColours(*design.ledColours));
            led->SetLedOn(design.lit);
            control = led->Handle();
            leds_[design.name] = std::move(led);
        } else {
            control = CreateWindowExW(0, ClassOf(design.kind), caption.c_str(),
                                      WS_CHILD | (design.shown ? WS_VISIBLE : 0) | StyleOf(design), box.left, box.top,
                                      box.right - box.left, box.bottom - box.top, window_,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            if (design.kind == layout::ControlKind::kEdit)
                SelectAllOnCtrlA(control);
        }
        controls_[design.name] = control;
    }
    Led("ldAuto").SetKeyboardClickable();
    SendMessageW(Control("edIP1"), EM_LIMITTEXT, kAddressLength, 0);
    OrderTabStops();
}

// The restart notice's tooltip, made the first time the notice shows: a window of its own, which the
// first paint does without.
void TfrKorvaCfg01::MakeTooltip() {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    std::wstring tip = Wide(texts::Text(texts::kRestartPendingTip));
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(Control("lbAlt"));
    tool.lpszText = tip.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scaled(kTipWidth, dpi_));
}

// Tab follows the order the windows were made in; the designed order is another, so the tab stops
// are moved behind one another.
void TfrKorvaCfg01::OrderTabStops() {
    HWND previous = HWND_TOP;
    for (const char* name : kTabOrder) {
        SetWindowPos(Control(name), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = Control(name);
    }
}

void TfrKorvaCfg01::FormCreate() {
    const ConsoleSettings settings = settings_->Load();
    const std::wstring address = FromDevice(settings.address);
    // The limit is meant for typing; a longer host name from the file is kept whole, or the cut name
    // would be saved at close.
    if (address.size() > kAddressLength)
        SendMessageW(Control("edIP1"), EM_LIMITTEXT, address.size(), 0);
    SetText("edIP1", address);
    SetText("edMsk2", FromDevice(settings.mask));
    SetText("edGW2", FromDevice(settings.gateway));
    SetText("edIP2", address);
    presentation_.Paint();
    SetTimer(window_, kPollingTimer, kPollingMilliseconds, nullptr);
}

LRESULT CALLBACK TfrKorvaCfg01::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TfrKorvaCfg01*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TfrKorvaCfg01*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self != nullptr ? self->Handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TfrKorvaCfg01::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kDatagramWaiting:
            servePending_();
            return 0;
        case WM_TIMER:
            if (wParam == kPollingTimer)
                TmrRdTimer();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && lParam != 0)
                Command(LOWORD(wParam));
            else if (HIWORD(wParam) == EN_SETFOCUS)
                SendMessageW(reinterpret_cast<HWND>(lParam), EM_SETSEL, 0, -1);
            else if (lParam == 0 && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
                MessageBeep(0);  // Enter or Escape in a box: nothing to press, nothing inserted
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            if (const HBRUSH brush = ControlColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)))
                return reinterpret_cast<LRESULT>(brush);
            break;
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wParam);
            PlaceControls();
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                         suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_CLOSE:
            FormClose();
            return 0;
        case WM_QUERYENDSESSION:
            // The session ends like a close: the boxes are saved, or the operator keeps the window.
            return SaveForClosing(true) ? TRUE : FALSE;
        case WM_ENDSESSION:
            if (wParam != 0) {
                KillTimer(window_, kPollingTimer);
                stopListening_();
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            window_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

HBRUSH TfrKorvaCfg01::ControlColours(HWND control, HDC dc) {
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

bool TfrKorvaCfg01::SaveForClosing(bool sessionEnding) {
    return closingSave_.Save(*settings_, {BoxText("edIP1"), BoxText("edMsk2"), BoxText("edGW2")}, presentation_,
                             sessionEnding);
}

void TfrKorvaCfg01::FormClose() {
    if (!SaveForClosing(false))
        return;
    KillTimer(window_, kPollingTimer);
    stopListening_();
    DestroyWindow(window_);
}

void TfrKorvaCfg01::Command(int id) {
    const auto controls = layout::Controls();
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(controls.size()))
        return;
    const std::string name = controls[static_cast<std::size_t>(index)].name;
    if (name == "btRead")
        RunShowingErrors([this] { btReadClick(); });
    else if (name == "btRd")
        RunShowingErrors([this] { btRdClick(); });
    else if (name == "btWr1")
        RunShowingErrors([this] { btWr1Click(); });
    else if (name == "btRst")
        btRstClick();
    else if (name == "ldAuto")
        ldAutoClick();
}

void TfrKorvaCfg01::RunShowingErrors(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowErrorBox(window_, error.what());
    }
}

void TfrKorvaCfg01::btReadClick() {
    rules_->ReadLiveData(BoxText("edIP1"));
}

void TfrKorvaCfg01::btRdClick() {
    rules_->ReadParameters(BoxText("edIP1"));
}

void TfrKorvaCfg01::btWr1Click() {
    rules_->WriteParameters(BoxText("edIP1"), {BoxText("edIP2"), BoxText("edMsk2"), BoxText("edGW2")});
}

void TfrKorvaCfg01::btRstClick() {
    rules_->StartReset();
}

void TfrKorvaCfg01::ldAutoClick() {
    rules_->ToggleAutomaticMode(BoxText("edIP1"));
}

void TfrKorvaCfg01::TmrRdTimer() {
    rules_->Tick();
}

HWND TfrKorvaCfg01::Control(const char* name) const {
    return controls_.at(name);
}

std::wstring TfrKorvaCfg01::Text(const char* name) const {
    return WindowText(Control(name));
}

std::string TfrKorvaCfg01::BoxText(const char* name) const {
    return ToDevice(Text(name));
}

void TfrKorvaCfg01::SetText(const char* name, const std::wstring& text) {
    SetWindowTextW(Control(name), text.c_str());
}

TTILed& TfrKorvaCfg01::Led(const char* name) {
    return *leds_.at(name);
}

void TfrKorvaCfg01::Show(const layout::Control& row, const ControlLook& look) {
    const HWND control = Control(row.name);
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
        // The restart notice's tooltip is made when the notice first shows.
        if (look.visible && row.name == std::string_view("lbAlt") && tooltip_ == nullptr)
            MakeTooltip();
        ShowWindow(control, look.visible ? SW_SHOWNA : SW_HIDE);
    }
    if (row.kind == layout::ControlKind::kLed) {
        TTILed& led = Led(row.name);
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

// Replies are drawn as they come.
void TfrKorvaCfg01::RequestFrame() {
    presentation_.Paint();
}

void TfrKorvaCfg01::Focus(const layout::Control& box) {
    const HWND edit = Control(box.name);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

void TfrKorvaCfg01::PutText(const layout::Control& box, const std::string& text) {
    SetWindowTextW(Control(box.name), Wide(text).c_str());
}

void TfrKorvaCfg01::ShowError(const std::string& message) {
    ShowErrorBox(window_, message);
}

bool TfrKorvaCfg01::ShowMessage(const TimedMessage& message) {
    return ShowTimedMessage(window_, message);
}

}  // namespace korva::console::win32
