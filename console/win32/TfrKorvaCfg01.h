#pragma once
// The console's window on Windows: native controls at the designed boxes, drawing each as the
// presentation says and forwarding each event with what the boxes hold to the console's rules. It holds no rule
// and no socket: the program gives it the rules and the endpoint's two calls on this thread. Every
// handler runs on the thread that made the window.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "console/closing_save.h"
#include "console/console_core.h"
#include "console/console_view.h"
#include "console/presentation.h"
#include "console/settings_store.h"
#include "console/win32/look_painter.h"
#include "console/win32/window_controls.h"

namespace korva::console::win32 {

inline constexpr wchar_t kWindowClassName[] = L"TfrKorvaCfg01";
// Posted to the window when datagrams wait to be served on its thread.
inline constexpr UINT kDatagramWaiting = WM_APP + 1;

class TfrKorvaCfg01 : private WindowRenderer {
public:
    // Makes the window and its controls and reads settings; shown by Show.
    explicit TfrKorvaCfg01(std::unique_ptr<SettingsStore> settings);
    ~TfrKorvaCfg01() override;
    TfrKorvaCfg01(const TfrKorvaCfg01&) = delete;
    TfrKorvaCfg01& operator=(const TfrKorvaCfg01&) = delete;

    HWND Handle() const { return window_; }
    // What the rules show on: the presentation, which draws on this window.
    ConsoleView& View() { return presentation_; }

    // Before the first message is dispatched: the rules the events go to, what serves the datagrams
    // waiting at kDatagramWaiting, and what stops listening once the window closes.
    void Attach(ConsoleCore& rules, std::function<void()> servePending, std::function<void()> stopListening);
    void Show();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void Place();
    void FormCreate();
    // Saves the boxes; false when the window must stay open (the save failed and the operator keeps it).
    // At a close, not at the session's end, says where they went when that is not the file read.
    bool SaveForClosing(bool sessionEnding);
    void FormClose();
    void Command(int id);
    void RunShowingErrors(const std::function<void()>& handler);

    void btReadClick();
    void btRdClick();
    void btWr1Click();
    void btRstClick();
    void ldAutoClick();
    void TmrRdTimer();

    HWND Control(const char* name) const;
    // What the box named holds, in the device's Windows-1252.
    std::string BoxText(const char* name) const;

    void Show(const layout::Control& row, const ControlLook& look) override;
    void RequestFrame() override;
    void Focus(const layout::Control& box) override;
    void PutText(const layout::Control& box, const std::string& text) override;
    void ShowError(const std::string& message) override;
    bool ShowMessage(const TimedMessage& message) override;

    const std::unique_ptr<SettingsStore> settings_;
    HWND window_ = nullptr;
    UINT dpi_ = 96;  // of the monitor the window is on; the design's pixels are at 96
    // Made once the window is, which they are children of.
    std::unique_ptr<WindowControls> controls_;
    std::unique_ptr<LookPainter> painter_;

    ConsoleCore* rules_ = nullptr;
    std::function<void()> servePending_;
    std::function<void()> stopListening_;
    Presentation presentation_{*this};

    ClosingSave closingSave_;
};

}  // namespace korva::console::win32
