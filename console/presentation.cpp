#include "console/presentation.h"

#include <string_view>

#include "protocol/cp1252.h"

namespace korva::console {
namespace {

constexpr const char* kButtonRows[] = {"btRead", "btRd", "btWr1"};  // by Button
constexpr const char* kNewParameterRows[] = {"edIP2", "edMsk2", "edGW2"};  // by ParameterBox

// The name a screen reader calls a box or reading by; empty for a control whose caption is its own.
std::string AccessibleNameOf(std::string_view row) {
    for (const auto& [control, name] : texts::kAccessibleNames) {
        if (row == control)
            return texts::Text(name);
    }
    return {};
}

Rgb LitColour(const layout::LedColours& colours, int index) {
    const Rgb lit[] = {colours.on0, colours.on1, colours.on2, colours.on3};
    return lit[index];
}

}  // namespace

texts::LedState Presentation::StateOf(const layout::Control& led) const {
    const std::string_view name = led.name;
    if (name == "ldAuto")
        return automatic_ ? texts::LedState::kGood : texts::LedState::kDark;
    if (!status_)
        return texts::LedState::kDark;
    if (name == "ldPrs")
        return status_->presence;
    if (name == "ldRed1")
        return status_->link1;
    if (name == "ldRed2")
        return status_->link2;
    if (name == "ldRed3")
        return status_->link3;
    // The reset indicator: an acknowledgement takes it back to its first colour.
    return resetAcknowledged_ ? texts::LedState::kBad : status_->resetEc;
}

std::string Presentation::ReadingText(const layout::Control& reading) const {
    const std::string_view name = reading.name;
    if (name == "stBat" || name == "stTmp" || name == "stUmd") {
        if (!status_)
            return {};
        return name == "stBat" ? status_->battery : name == "stTmp" ? status_->temperature : status_->humidity;
    }
    if (!parameters_)
        return {};
    // What the device reported is Windows-1252.
    const std::string& reported = name == "stMsk1"   ? parameters_->mask
                                  : name == "stGW1"  ? parameters_->gateway
                                  : name == "stMac1" ? parameters_->mac
                                                     : parameters_->firmware;
    return Cp1252ToUtf8(reported);
}

ControlLook Presentation::LookOf(const layout::Control& row) const {
    const std::string_view name = row.name;
    const bool stale = !noReply_.empty();
    ControlLook look;
    look.text = texts::Text(row.caption);
    look.accessibleName = AccessibleNameOf(name);
    switch (row.kind) {
        case layout::ControlKind::kButton:
            // While polling, the address must not change under the requests, and a reset only makes
            // sense then.
            look.enabled = name == "btRst" ? automatic_ : !automatic_;
            for (std::size_t button = 0; button < std::size(kButtonRows); ++button) {
                if (name == kButtonRows[button])
                    look.busy = busy_[button];
            }
            if (look.busy)
                look.accessibleDescription = texts::Text(texts::kLookingUpAddress);
            break;
        case layout::ControlKind::kEdit:
            look.enabled = !automatic_;
            look.background = row.fill;
            break;
        case layout::ControlKind::kLed: {
            const texts::LedState state = StateOf(row);
            look.lit = state != texts::LedState::kDark;
            // "aut" shows its first colour when on; the device's states their good and bad colours.
            const bool automatic = name == "ldAuto";
            look.colourIndex = automatic || !look.lit ? 0 : layout::LitIndexOf(state);
            look.colour = look.lit ? LitColour(*row.ledColours, look.colourIndex) : layout::kLedOff;
            look.marked = state == texts::LedState::kGood;
            look.stale = stale && look.lit && !automatic;
            look.accessibleDescription = texts::LedDescription(row.caption, state, look.stale);
            break;
        }
        case layout::ControlKind::kReading:
            look.text = ReadingText(row);
            look.textColour = stale ? std::optional(layout::kStaleText) : std::nullopt;
            look.background = row.fill;
            look.accessibleDescription = look.text;
            break;
        case layout::ControlKind::kLabel:
            break;
        case layout::ControlKind::kFilledLabel:
            look.background = row.fill;
            if (name == "lbDaHr") {
                look.text = clock_;
                look.accessibleDescription = clock_;
                if (stale)
                    look.background = layout::kNoReplyBackground;
            } else if (name == "lbNoReply") {
                look.text = noReply_;
                look.visible = stale;
            } else {
                look.visible = restartPending_;
            }
            break;
    }
    return look;
}

void Presentation::Paint() {
    for (const layout::Control& row : layout::Controls())
        window_.Show(row, LookOf(row));
}

void Presentation::ClearLiveData() {
    status_.reset();
    resetAcknowledged_ = false;
    Paint();
}

void Presentation::ClearParameters() {
    parameters_.reset();
    Paint();
}

void Presentation::ShowStatus(const StatusReading& status) {
    status_ = StatusDisplayOf(status);
    // The status sets the reset indicator itself: an acknowledgement before it no longer counts.
    resetAcknowledged_ = false;
    window_.RequestFrame();
}

void Presentation::ShowParameters(const ParameterReading& parameters) {
    parameters_ = parameters;
    window_.RequestFrame();
}

void Presentation::ShowReplyTime(std::chrono::system_clock::time_point at) {
    clock_ = ClockText(at);
    window_.RequestFrame();
}

void Presentation::ShowResetAcknowledged() {
    resetAcknowledged_ = true;
    window_.RequestFrame();
}

void Presentation::ShowRestartPending(bool shown) {
    restartPending_ = shown;
    window_.RequestFrame();
}

void Presentation::ShowAutomaticMode(bool on) {
    automatic_ = on;
    Paint();
}

void Presentation::ShowNoReply(const std::string& notice) {
    noReply_ = notice;
    Paint();
}

void Presentation::FocusNewParameter(ParameterBox box) {
    Paint();
    window_.Focus(layout::ControlNamed(kNewParameterRows[static_cast<std::size_t>(box)]));
}

void Presentation::ShowDeviceAddress(const std::string& address) {
    window_.PutText(layout::ControlNamed("edIP1"), Cp1252ToUtf8(address));
}

void Presentation::ShowBusy(Button button, bool busy) {
    busy_[static_cast<std::size_t>(button)] = busy;
    Paint();
}

void Presentation::ShowError(const std::string& message) {
    Paint();
    window_.ShowError(message);
}

bool Presentation::ShowMessage(const TimedMessage& message) {
    // A modal message waits with the window's state as the replies before it left it.
    Paint();
    return window_.ShowMessage(message);
}

}  // namespace korva::console
