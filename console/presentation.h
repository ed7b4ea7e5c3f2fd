#pragma once
// What every control of the window shows, decided once for every front end: the rules tell the
// presentation what happened (a ConsoleView), it works out each layout row's look, and a window only
// draws the looks it is handed through WindowRenderer. Toolkit-free; every text is UTF-8.
#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string>

#include "console/console_view.h"
#include "console/display_formats.h"
#include "console/window_layout.h"
#include "protocol/messages.h"

namespace korva::console {

// The device's address box takes as many characters as a dotted quad has; a longer name read from the
// settings is kept whole, or the cut name would be saved at close.
inline constexpr int kAddressLength = 15;
inline int AddressBoxLimit(const std::string& fromSettings) {
    return std::max(kAddressLength, static_cast<int>(fromSettings.size()));
}

// One control as it is to be drawn.
struct ControlLook {
    std::string text;  // what it says; a box keeps what the operator typed, whatever this holds
    bool enabled = true;
    bool visible = true;
    // Indicators: dark, or lit in the colour of colourIndex, which colour holds.
    bool lit = false;
    int colourIndex = 0;
    Rgb colour{};
    bool marked = false;  // the caption boxed: the good state, besides its colour
    bool stale = false;   // what it shows is old: hatched over its colour
    std::optional<Rgb> textColour;  // none: the system's
    std::optional<Rgb> background;  // none: the system's button face
    bool busy = false;              // a button pressed in while the name it needs is looked up
    std::string accessibleName;     // empty: the toolkit's own, from the caption
    std::string accessibleDescription;

    bool operator==(const ControlLook&) const = default;
};

// A front end's side: it draws a look on the control of a layout row and asks the operator.
class WindowRenderer {
public:
    virtual ~WindowRenderer() = default;

    virtual void Show(const layout::Control& row, const ControlLook& look) = 0;
    // Replies may come faster than the screen shows them: the front end calls Presentation::Paint at its
    // next display frame, or at once if it has none.
    virtual void RequestFrame() = 0;
    // The keyboard's focus goes to the box, its text selected.
    virtual void Focus(const layout::Control& box) = 0;
    // The box's text is replaced.
    virtual void PutText(const layout::Control& box, const std::string& text) = 0;
    // The system's modal error box (CR LF breaks a line).
    virtual void ShowError(const std::string& message) = 0;
    // The timed message dialog; true for SIM or OK.
    virtual bool ShowMessage(const TimedMessage& message) = 0;
};

class Presentation : public ConsoleView {
public:
    explicit Presentation(WindowRenderer& window) : window_(window) {}

    // What the control of row shows now.
    ControlLook LookOf(const layout::Control& row) const;
    // Hands the window every row's look: a front end leaves a control alone when it shows that already.
    void Paint();

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

private:
    texts::LedState StateOf(const layout::Control& led) const;
    std::string ReadingText(const layout::Control& reading) const;

    WindowRenderer& window_;
    bool automatic_ = false;
    std::string noReply_;  // the notice of a silent device; empty while it answers
    std::optional<StatusDisplay> status_;
    bool resetAcknowledged_ = false;  // since the status above
    std::optional<ParameterReading> parameters_;
    std::string clock_ = texts::Text(texts::kClockAtRest);
    bool restartPending_ = false;
    std::array<bool, 3> busy_{};  // by Button
};

}  // namespace korva::console
