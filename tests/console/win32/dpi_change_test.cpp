// The window moved to a monitor of another DPI, in this process (Wine shows one DPI only): every control
// goes to its designed box scaled to the new DPI, and the window takes the size Windows suggests.
#include <gtest/gtest.h>

#include <memory>

#include "console/win32/TfrKorvaCfg01.h"
#include "console/win32/dpi.h"
#include "console/window_layout.h"

namespace korva::console::win32 {
namespace {

class NoSettings : public SettingsStore {
public:
    ConsoleSettings Load() override { return {}; }
    void Save(const ConsoleSettings&) override {}
};

TEST(ConsoleWindowDpi, AMoveToAnotherDpiScalesEveryControlAndTakesTheSuggestedFrame) {
    // The window's pixels as they are, not as Windows would scale them for a program unaware of DPIs.
    SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    TfrKorvaCfg01 window(std::make_unique<NoSettings>());
    for (const UINT dpi : {144u, 120u, 192u, 96u}) {
        SCOPED_TRACE(dpi);
        // Within the screen, which no window outgrows.
        RECT suggested{20, 30, 20 + Scaled(600, dpi) / 2, 30 + Scaled(200, dpi) / 2};
        SendMessageW(window.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT frame{};
        GetWindowRect(window.Handle(), &frame);
        EXPECT_TRUE(EqualRect(&frame, &suggested));
        for (const layout::Control& design : layout::Controls()) {
            RECT box{};
            GetWindowRect(GetDlgItem(window.Handle(), ControlId(design.name)), &box);
            MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&box), 2);
            const RECT expected = ScaledBox(design.box, dpi);
            EXPECT_TRUE(EqualRect(&box, &expected)) << design.name << " at " << box.left << "," << box.top << " "
                                                    << box.right - box.left << "x" << box.bottom - box.top;
        }
    }
}

}  // namespace
}  // namespace korva::console::win32
