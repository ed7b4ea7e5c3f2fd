#include "console/win32/TfrKorvaCfg01.h"

#include <commctrl.h>

#include <array>
#include <ctime>
#include <exception>
#include <optional>
#include <utility>

#include "console/console_texts.h"
#include "console/display_formats.h"
#include "console/saved_settings_notice.h"
#include "console/window_layout.h"
#include "console/win32/TfrNrm01.h"
#include "console/win32/accessible_names.h"
#include "console/win32/dpi.h"
#include "console/win32/error_box.h"
#include "console/win32/fonts.h"
#include "console/win32/select_all_key.h"
#include "console/win32/version_resource.h"
#include "console/win32/wide_text.h"
#include "protocol/messages.h"

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
const char* const kLiveReadings[] = {"stBat", "stTmp", "stUmd"};
const char* const kParameterReadings[] = {"stMsk1", "stGW1", "stMac1", "stVrs"};
const char* const kStateLeds[] = {"ldPrs", "ldRed1", "ldRed2", "ldRed3", "ldRst"};
const char* const kManualControls[] = {"btRead", "btRd", "btWr1", "edIP1", "edIP2", "edMsk2", "edGW2"};

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
    return Wide(std::string(texts::kTitlePrefix) + ExecutableVersionText());
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
        const std::wstring caption = WithCrLf(Wide(design.caption));
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
            if (design.kind != layout::ControlKind::kLabel && design.kind != layout::ControlKind::kButton)
                fills_[control] = {Colour(design.fill), design.kind == layout::ControlKind::kReading};
        }
        controls_[design.name] = control;
    }
    Led("ldAuto").SetKeyboardClickable();
    SendMessageW(Control("edIP1"), EM_LIMITTEXT, 15, 0);
    EnableWindow(Control("btRst"), FALSE);
    OrderTabStops();
    // A screen reader announces the boxes and readings by these names: their captions sit beside them.
    for (const auto& [control, name] : texts::kAccessibleNames)
        SetAccessibleName(Control(control), name);
}

// The restart notice's tooltip, made the first time the notice shows: a window of its own, which the
// first paint does without.
void TfrKorvaCfg01::MakeTooltip() {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    std::wstring tip = Wide(texts::kRestartPendingTip);
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
    if (address.size() > 15)
        SendMessageW(Control("edIP1"), EM_LIMITTEXT, address.size(), 0);
    SetText("edIP1", address);
    SetText("edMsk2", FromDevice(settings.mask));
    SetText("edGW2", FromDevice(settings.gateway));
    ClearLiveData();
    ClearParameters();
    SetText("edIP2", address);
    EnableWindow(Control("btRst"), FALSE);
    DescribeLeds();
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
    const auto found = fills_.find(control);
    const bool reading = found != fills_.end() && found->second.reading;
    SetTextColor(dc, stale_ && reading ? Colour(layout::kStaleText) : GetSysColor(COLOR_WINDOWTEXT));
    COLORREF background;
    if (found == fills_.end() || !IsWindowEnabled(control)) {
        // Labels, and a disabled box, show the button face.
        background = GetSysColor(COLOR_BTNFACE);
    } else if (control == Control("lbDaHr") && stale_) {
        background = Colour(layout::kNoReplyBackground);
    } else {
        background = found->second.colour;
    }
    SetBkColor(dc, background);
    HBRUSH& brush = brushes_[background];
    if (brush == nullptr)
        brush = CreateSolidBrush(background);
    return brush;
}

bool TfrKorvaCfg01::SaveForClosing(bool sessionEnding) {
    try {
        settings_->Save({ToDevice(Text("edIP1")), ToDevice(Text("edMsk2")), ToDevice(Text("edGW2"))});
        // Where they went is said at a close; an ending session must not wait for the operator.
        if (!sessionEnding) {
            if (const std::optional<TimedMessage> notice = SavedSettingsNotice(*settings_))
                ShowMessage(*notice);
        }
        return true;
    } catch (const std::exception& error) {
        if (!saveFailed_) {
            // The operator may free the disk or the folder and close again; nothing is lost meanwhile.
            saveFailed_ = true;
            ShowErrorBox(window_, error.what());
            return false;
        }
        // Told once already: a window that cannot be closed would cost more than three boxes' values.
        // NÃO by default: Return pressed by habit must not throw away what was typed.
        return ShowTimedMessage(window_,
                                {texts::kCloseWithoutSaving, layout::kCloseQuestionColour, 0, TimedMessage::kQuestion},
                                DefaultAnswer::kNao);
    }
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
    rules_->ReadLiveData(DeviceAddress());
}

void TfrKorvaCfg01::btRdClick() {
    rules_->ReadParameters(DeviceAddress());
}

void TfrKorvaCfg01::btWr1Click() {
    rules_->WriteParameters(DeviceAddress(),
                            {ToDevice(Text("edIP2")), ToDevice(Text("edMsk2")), ToDevice(Text("edGW2"))});
}

void TfrKorvaCfg01::btRstClick() {
    rules_->StartReset();
}

void TfrKorvaCfg01::ldAutoClick() {
    rules_->ToggleAutomaticMode(DeviceAddress());
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

std::string TfrKorvaCfg01::DeviceAddress() const {
    return ToDevice(Text("edIP1"));
}

void TfrKorvaCfg01::SetText(const char* name, const std::wstring& text) {
    SetWindowTextW(Control(name), text.c_str());
}

TTILed& TfrKorvaCfg01::Led(const char* name) {
    return *leds_.at(name);
}

// Each indicator's state in words, for screen readers: what its colour says. Its window text stays the
// caption.
void TfrKorvaCfg01::DescribeLeds() {
    const auto describe = [](const TTILed& led, texts::LedState state) {
        SetAccessibleDescription(led.Handle(), texts::LedDescription(Utf8(WindowText(led.Handle())), state, led.Stale()));
    };
    describe(Led("ldAuto"), Led("ldAuto").LedOn() ? texts::LedState::kGood : texts::LedState::kDark);
    // The device's states show their good side in their second colour.
    for (const char* name : kStateLeds) {
        const TTILed& led = Led(name);
        if (!led.LedOn())
            describe(led, texts::LedState::kDark);
        else
            describe(led, led.LedIndex() == layout::kGoodStateIndex ? texts::LedState::kGood : texts::LedState::kBad);
    }
}

void TfrKorvaCfg01::ClearLiveData() {
    for (const char* reading : kLiveReadings)
        SetText(reading, L"");
    for (const char* led : kStateLeds)
        Led(led).SetLedOn(false);
    DescribeLeds();
}

void TfrKorvaCfg01::ClearParameters() {
    for (const char* reading : kParameterReadings)
        SetText(reading, L"");
}

void TfrKorvaCfg01::ShowStatus(const StatusReading& status) {
    SetText("stBat", Wide(VoltsText(status.batteryTenths)));
    SetText("stTmp", Wide(DegreesText(status.temperature)));
    SetText("stUmd", Wide(PercentText(status.humidity)));
    const auto showState = [this](const char* led, bool good) {
        Led(led).SetLedIndex(good ? layout::kGoodStateIndex : layout::kBadStateIndex);
        Led(led).SetLedOn(true);
        Led(led).SetMarked(good);
    };
    showState("ldPrs", status.presence);
    showState("ldRst", status.resetState);
    showState("ldRed1", status.link1);
    // Devices before version 150 have one link only; the other two indicators stay dark for them.
    for (const auto& [led, link] : {std::pair{"ldRed2", status.link2}, std::pair{"ldRed3", status.link3}}) {
        if (link)
            showState(led, *link);
        else
            Led(led).SetLedOn(false);
    }
    DescribeLeds();
}

void TfrKorvaCfg01::ShowParameters(const ParameterReading& parameters) {
    SetText("stMsk1", FromDevice(parameters.mask));
    SetText("stGW1", FromDevice(parameters.gateway));
    SetText("stMac1", FromDevice(parameters.mac));
    SetText("stVrs", FromDevice(parameters.firmware));
}

void TfrKorvaCfg01::ShowReplyTime(std::chrono::system_clock::time_point at) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    std::tm local{};
    localtime_s(&local, &seconds);
    SetText("lbDaHr", Wide(ClockText(local)));
}

void TfrKorvaCfg01::ShowResetAcknowledged() {
    Led("ldRst").SetLedIndex(0);
    Led("ldRst").SetMarked(false);
    DescribeLeds();
}

void TfrKorvaCfg01::ShowRestartPending(bool shown) {
    if (shown && tooltip_ == nullptr)
        MakeTooltip();
    ShowWindow(Control("lbAlt"), shown ? SW_SHOWNA : SW_HIDE);
}

void TfrKorvaCfg01::ShowAutomaticMode(bool on) {
    Led("ldAuto").SetLedOn(on);
    Led("ldAuto").SetMarked(on);
    // While polling, the address must not change under the requests, and a reset only makes sense then.
    EnableWindow(Control("btRst"), on ? TRUE : FALSE);
    for (const char* manual : kManualControls)
        EnableWindow(Control(manual), on ? FALSE : TRUE);
    DescribeLeds();
}

void TfrKorvaCfg01::ShowNoReply(const std::string& notice) {
    stale_ = !notice.empty();
    for (const char* reading : kLiveReadings)
        InvalidateRect(Control(reading), nullptr, TRUE);
    for (const char* reading : kParameterReadings)
        InvalidateRect(Control(reading), nullptr, TRUE);
    for (const char* led : kStateLeds)
        Led(led).SetStale(stale_);
    InvalidateRect(Control("lbDaHr"), nullptr, TRUE);
    SetText("lbNoReply", Wide(notice));
    SetAccessibleDescription(Control("lbDaHr"), notice);
    ShowWindow(Control("lbNoReply"), stale_ ? SW_SHOWNA : SW_HIDE);
    DescribeLeds();
}

void TfrKorvaCfg01::FocusNewParameter(ParameterBox box) {
    const HWND edit = Control(box == ParameterBox::kAddress ? "edIP2" : box == ParameterBox::kMask ? "edMsk2" : "edGW2");
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

void TfrKorvaCfg01::ShowDeviceAddress(const std::string& address) {
    SetText("edIP1", FromDevice(address));
}

// Pushed in until the name is found.
void TfrKorvaCfg01::ShowBusy(Button button, bool busy) {
    const char* name = button == Button::kReadLiveData     ? "btRead"
                       : button == Button::kReadParameters ? "btRd"
                                                           : "btWr1";
    SendMessageW(Control(name), BM_SETSTATE, busy ? TRUE : FALSE, 0);
}

void TfrKorvaCfg01::ShowError(const std::string& message) {
    ShowErrorBox(window_, message);
}

bool TfrKorvaCfg01::ShowMessage(const TimedMessage& message) {
    return ShowTimedMessage(window_, message);
}

}  // namespace korva::console::win32
