#pragma once
// The main window as it was designed: every control's name, kind, box, caption and face, the colours
// it shows, and the window's size and place. Toolkit-free, so that each front end builds the same
// window from it and a test can hold a front end's controls against it.
#include <cstddef>
#include <span>
#include <string_view>

#include "console/console_texts.h"
#include "console/console_view.h"

namespace korva::console::layout {

enum class ControlKind {
    kButton,
    kLed,
    kReading,      // a sunken, filled static text: what the device reported
    kLabel,        // a caption beside the boxes
    kEdit,         // an address box
    kFilledLabel,  // a static text on a background of its own
};

enum class Face { kArial, kMono };

struct Font {
    Face face;
    int pixels;
    bool bold;
};

enum class Alignment { kCenter, kRightTop };

struct Box {
    int x;
    int y;
    int width;
    int height;
};

// The four colours an indicator shows when lit, chosen by its index.
struct LedColours {
    Rgb on0;
    Rgb on1;
    Rgb on2;
    Rgb on3;
};

struct Control {
    const char* name;
    ControlKind kind;
    Box box;
    language::Key caption;  // from console_texts; the empty key where the control starts without text
    Font font;
    Alignment alignment;
    Rgb fill;                      // readings, edits and filled labels: the background
    const LedColours* ledColours;  // indicators only
    bool lit;                      // indicators: lit from the start
    bool shown;                    // false: hidden until the rules show it
};

inline constexpr Rgb kReadingBackground{192, 255, 255};
inline constexpr Rgb kEditBackground{208, 255, 208};
inline constexpr Rgb kClockBackground{255, 255, 224};
inline constexpr Rgb kNoticeBackground{255, 255, 144};
inline constexpr Rgb kLedOff{192, 192, 192};
// A device that stopped answering: what the window shows of it is greyed, and its clock turns orange.
inline constexpr Rgb kStaleText{128, 128, 128};
inline constexpr Rgb kNoReplyBackground{255, 140, 0};
// The question asked when the settings cannot be saved at close.
inline constexpr Rgb kCloseQuestionColour{255, 255, 0};

// "aut": lime when on.
inline constexpr LedColours kAutomaticColours{{0, 255, 0}, {255, 255, 0}, {255, 0, 0}, {192, 192, 192}};
// The device's states: index 1 (lime) for the good state, 0 (pale green) otherwise.
inline constexpr LedColours kStateColours{kEditBackground, {0, 255, 0}, {255, 255, 0}, {192, 192, 192}};
inline constexpr int kGoodStateIndex = 1;
inline constexpr int kBadStateIndex = 0;
// The lit colour a device's state is shown in.
inline constexpr int LitIndexOf(texts::LedState state) {
    return state == texts::LedState::kGood ? kGoodStateIndex : kBadStateIndex;
}

// The window's inside; the design is 226 high, its bottom is cut off on purpose.
inline constexpr int kClientWidth = 645;
inline constexpr int kClientHeight = 199;
inline constexpr int kTop = 5;
// The window's left edge on a screen screenWidth wide: near its right side, or at 5 on a narrow one.
int WindowLeft(int screenWidth);

// The window's own font; each control has its own.
inline constexpr Font kWindowFont{Face::kArial, 12, true};

// In the order they are created, which is the order they are stacked in.
std::span<const Control> Controls();
// The control called name; a name that is not in the window is a programming error.
const Control& ControlNamed(std::string_view name);

}  // namespace korva::console::layout
