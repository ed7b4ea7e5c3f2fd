#include "console/window_layout.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "console/console_texts.h"

namespace korva::console::layout {
namespace {

constexpr Rgb kNone{0, 0, 0};
constexpr Alignment kCenter = Alignment::kCenter;

constexpr Font Arial(int pixels) {
    return {Face::kArial, pixels, true};
}
constexpr Font Mono(int pixels) {
    return {Face::kMono, pixels, true};
}

constexpr Control Button(const char* name, Box box, language::Key caption, int pixels) {
    return {name, ControlKind::kButton, box, caption, Arial(pixels), kCenter, kNone, nullptr, false, true};
}
constexpr Control Led(const char* name, Box box, language::Key caption, const LedColours& colours, bool lit) {
    return {name, ControlKind::kLed, box, caption, Arial(15), kCenter, kNone, &colours, lit, true};
}
// The indicators of the device's states start lit in their first colour.
constexpr Control StateLed(const char* name, Box box, language::Key caption) {
    return Led(name, box, caption, kStateColours, true);
}
constexpr Control Reading(const char* name, Box box, language::Key caption, Font font) {
    return {name, ControlKind::kReading, box, caption, font, kCenter, kReadingBackground, nullptr, false, true};
}
constexpr Control Caption(const char* name, Box box, language::Key caption, Alignment alignment) {
    return {name, ControlKind::kLabel, box, caption, Arial(13), alignment, kNone, nullptr, false, true};
}
constexpr Control Edit(const char* name, Box box) {
    return {name, ControlKind::kEdit, box, texts::kQuadAtRest, Mono(16), kCenter, kEditBackground, nullptr, false,
            true};
}
constexpr Control Filled(const char* name, Box box, language::Key caption, int pixels, Rgb fill, bool shown) {
    return {name, ControlKind::kFilledLabel, box, caption, Arial(pixels), kCenter, fill, nullptr, false, shown};
}

constexpr Alignment kRight = Alignment::kRightTop;

constexpr std::array kControls{
    Button("btRead", {10, 15, 86, 24}, texts::kReadLiveData, 15),
    Led("ldAuto", {105, 15, 81, 24}, texts::kAutomatic, kAutomaticColours, false),
    Reading("stBat", {10, 45, 66, 22}, texts::kBatteryAtRest, Arial(17)),
    Reading("stTmp", {80, 45, 51, 22}, texts::kTemperatureAtRest, Arial(17)),
    Reading("stUmd", {135, 45, 51, 22}, texts::kHumidityAtRest, Arial(17)),
    StateLed("ldPrs", {10, 75, 86, 24}, texts::kPresence),
    StateLed("ldRed1", {100, 75, 86, 24}, texts::kLink1),
    StateLed("ldRed2", {10, 105, 86, 24}, texts::kLink2),
    StateLed("ldRed3", {100, 105, 86, 24}, texts::kLink3),
    Button("btRst", {10, 135, 86, 24}, texts::kReset, 15),
    StateLed("ldRst", {100, 135, 86, 24}, texts::kResetEc),
    Filled("lbDaHr", {25, 165, 146, 22}, texts::kClockAtRest, 16, kClockBackground, true),

    Caption("Label4", {290, 5, 166, 22}, texts::kCurrentParameters, kCenter),
    Caption("Label5", {470, 5, 166, 22}, texts::kNewParameters, kCenter),
    Caption("Label1", {195, 30, 86, 22}, texts::kAddressCaption, kRight),
    Caption("Label2", {195, 60, 86, 22}, texts::kMaskCaption, kRight),
    Caption("Label3", {195, 85, 86, 22}, texts::kGatewayCaption, kRight),
    Caption("Label6", {195, 110, 86, 20}, texts::kMacCaption, kRight),
    Caption("Label7", {195, 135, 86, 20}, texts::kVersionCaption, kRight),

    Edit("edIP1", {290, 30, 166, 23}),
    Reading("stMsk1", {290, 60, 166, 20}, texts::kQuadAtRest, Mono(16)),
    Reading("stGW1", {290, 85, 166, 20}, texts::kQuadAtRest, Mono(16)),
    Reading("stMac1", {290, 110, 166, 20}, texts::kMacAtRest, Mono(15)),
    Reading("stVrs", {290, 135, 166, 20}, texts::kVersionAtRest, Mono(13)),
    Button("btRd", {290, 160, 166, 31}, texts::kReadParameters, 17),

    Edit("edIP2", {470, 30, 166, 23}),
    Edit("edMsk2", {470, 60, 166, 23}),
    Edit("edGW2", {470, 85, 166, 23}),
    Button("btWr1", {470, 115, 166, 31}, texts::kWrite, 17),
    Filled("lbAlt", {470, 150, 166, 41}, texts::kRestartPendingLabel, 15, kNoticeBackground, false),
    // Below the labels of the current parameters, beside the clock, in the part of the design left empty.
    Filled("lbNoReply", {176, 160, 110, 31}, {}, 13, kNoReplyBackground, false),
};

}  // namespace

int WindowLeft(int screenWidth) {
    const int left = screenWidth - 1114;
    return left < 0 ? 5 : left;
}

std::span<const Control> Controls() {
    return kControls;
}

const Control& ControlNamed(std::string_view name) {
    const auto found = std::find_if(kControls.begin(), kControls.end(),
                                    [name](const Control& control) { return control.name == name; });
    if (found == kControls.end())
        std::abort();
    return *found;
}

}  // namespace korva::console::layout
