#include "console/win32/TfrKorvaCfg01.h"

#include <exception>
#include <string_view>
#include <utility>

#include "console/console_texts.h"
#include "console/window_layout.h"
#include "console/win32/TfrNrm01.h"
#include "console/win32/dpi.h"
#include "console/win32/error_box.h"
#include "console/win32/version_resource.h"
#include "console/win32/wide_text.h"

namespace korva::console::win32 {
namespace {

constexpr UINT kPollingMilliseconds = 500;
constexpr UINT_PTR kPollingTimer = 1;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

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

TfrKorvaCfg01::TfrKorvaCfg01(std::unique_ptr<SettingsStore> settings) : settings_(std::move(settings)) {
    RegisterOnce(Procedure);
    // Only a window can tell the DPI of the monitor it is on: it is made first, then sized and placed.
    window_ = CreateWindowExW(0, kWindowClassName, Caption().c_str(), kWindowStyle, 0, 0, layout::kClientWidth,
                              layout::kClientHeight, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    dpi_ = DpiOf(window_);
    Place();
    controls_ = std::make_unique<WindowControls>(window_, dpi_);
    painter_ = std::make_unique<LookPainter>(window_, *controls_, dpi_);
    SendMessageW(Control("edIP1"), EM_LIMITTEXT, kAddressLength, 0);
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

TfrKorvaCfg01::~TfrKorvaCfg01() {
    if (window_ != nullptr)
        DestroyWindow(window_);
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

void TfrKorvaCfg01::FormCreate() {
    const ConsoleSettings settings = settings_->Load();
    const std::wstring address = FromDevice(settings.address);
    SendMessageW(Control("edIP1"), EM_LIMITTEXT, AddressBoxLimit(settings.address), 0);
    SetWindowTextW(Control("edIP1"), address.c_str());
    SetWindowTextW(Control("edMsk2"), FromDevice(settings.mask).c_str());
    SetWindowTextW(Control("edGW2"), FromDevice(settings.gateway).c_str());
    SetWindowTextW(Control("edIP2"), address.c_str());
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
            if (painter_ != nullptr)
                return reinterpret_cast<LRESULT>(
                    painter_->ColoursOf(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)));
            break;
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wParam);
            controls_->Rescale(dpi_);
            painter_->Rescale(dpi_);
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
    const layout::Control* row = RowOfId(id);
    if (row == nullptr)
        return;
    const std::string_view name = row->name;
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
    return controls_->Handle(name);
}

std::string TfrKorvaCfg01::BoxText(const char* name) const {
    return ToDevice(WindowText(Control(name)));
}

void TfrKorvaCfg01::Show(const layout::Control& row, const ControlLook& look) {
    painter_->Paint(row, look);
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
