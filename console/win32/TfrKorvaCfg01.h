#pragma once
// The console's window on Windows: native controls at the designed boxes, drawing what the console's
// rules show (ConsoleView) and forwarding each event with what the boxes hold to them. It holds no rule
// and no socket: the program gives it the rules and the endpoint's two calls on this thread. Every
// handler runs on the thread that made the window.
#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "console/console_core.h"
#include "console/console_view.h"
#include "console/settings_store.h"
#include "console/win32/TTILed.h"

namespace korva::console::win32 {

inline constexpr wchar_t kWindowClassName[] = L"TfrKorvaCfg01";
// Posted to the window when datagrams wait to be served on its thread.
inline constexpr UINT kDatagramWaiting = WM_APP + 1;

// The id of a control by its designed name ("btRead"), as GetDlgCtrlID gives it; 0 for none.
int ControlId(const std::string& name);

class TfrKorvaCfg01 : private ConsoleView {
public:
    // Makes the window and its controls and reads settings; shown by Show.
    explicit TfrKorvaCfg01(std::unique_ptr<SettingsStore> settings);
    ~TfrKorvaCfg01() override;
    TfrKorvaCfg01(const TfrKorvaCfg01&) = delete;
    TfrKorvaCfg01& operator=(const TfrKorvaCfg01&) = delete;

    HWND Handle() const { return window_; }
    ConsoleView& View() { return *this; }

    // Before the first message is dispatched: the rules the events go to, what serves the datagrams
    // waiting at kDatagramWaiting, and what stops listening once the window closes.
    void Attach(ConsoleCore& rules, std::function<void()> servePending, std::function<void()> stopListening);
    void Show();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void Place();
    void PlaceControls();
    void FormCreate();
    // Saves the boxes; false when the window must stay open (the save failed and the operator keeps it).
    // At a close, not at the session's end, says where they went when that is not the file read.
    bool SaveForClosing(bool sessionEnding);
    void FormClose();
    void CreateControls();
    void MakeTooltip();
    void OrderTabStops();
    void Command(int id);
    void RunShowingErrors(const std::function<void()>& handler);
    // What a static control or an edit box is painted with; nullptr leaves it to the system.
    HBRUSH ControlColours(HWND control, HDC dc);

    void btReadClick();
    void btRdClick();
    void btWr1Click();
    void btRstClick();
    void ldAutoClick();
    void TmrRdTimer();

    HWND Control(const char* name) const;
    std::wstring Text(const char* name) const;
    // The device's address as typed in edIP1.
    std::string DeviceAddress() const;
    void SetText(const char* name, const std::wstring& text);
    TTILed& Led(const char* name);
    void DescribeLeds();

    void ClearLiveData() override;
    void ClearParameters() override;
    void ShowStatus(const StatusReading& status) override;
    void ShowParameters(const ParameterReading& parameters) override;
    void ShowReplyTime(std::chrono::system_clock::time_point at) override;
    void ShowResetAcknowledged() override;
    void ShowRestartPending(bool shown) override;
    void ShowAutomaticMode(bool on) override;
    void ShowNoReply(const std::string& notice) override;
    void FocusNewParameter(ParameterBox box) override;
    void ShowDeviceAddress(const std::string& address) override;
    void ShowBusy(Button button, bool busy) override;
    void ShowError(const std::string& message) override;
    bool ShowMessage(const TimedMessage& message) override;

    const std::unique_ptr<SettingsStore> settings_;
    HWND window_ = nullptr;
    UINT dpi_ = 96;  // of the monitor the window is on; the design's pixels are at 96
    std::map<std::string, HWND> controls_;
    std::map<std::string, std::unique_ptr<TTILed>> leds_;
    // The statics and edit boxes with a background of their own; a reading's text greys when stale.
    struct Fill {
        COLORREF colour;
        bool reading;
    };
    std::map<HWND, Fill> fills_;
    std::map<COLORREF, HBRUSH> brushes_;
    HWND tooltip_ = nullptr;

    ConsoleCore* rules_ = nullptr;
    std::function<void()> servePending_;
    std::function<void()> stopListening_;

    bool stale_ = false;       // the device stopped answering: its readings are grey
    bool saveFailed_ = false;  // a close could not save the settings; the next one may close without
};

}  // namespace korva::console::win32
