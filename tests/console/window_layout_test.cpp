// The window's design as every front end builds it: each control inside the window, none covering
// another, and names a front end can find its controls by.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "console/window_layout.h"

namespace {

namespace layout = korva::console::layout;

bool Overlap(const layout::Box& a, const layout::Box& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

TEST(WindowLayoutTest, EveryControlFitsTheWindowAndCoversNoOther) {
    const auto controls = layout::Controls();
    for (const layout::Control& control : controls) {
        const layout::Box& box = control.box;
        EXPECT_GE(box.x, 0) << control.name;
        EXPECT_GE(box.y, 0) << control.name;
        EXPECT_LE(box.x + box.width, layout::kClientWidth) << control.name;
        EXPECT_LE(box.y + box.height, layout::kClientHeight) << control.name;
        for (const layout::Control& other : controls) {
            if (&other != &control) {
                EXPECT_FALSE(Overlap(box, other.box)) << control.name << " covers " << other.name;
            }
        }
    }
}

TEST(WindowLayoutTest, ControlsAreFoundByUniqueNames) {
    std::set<std::string> names;
    for (const layout::Control& control : layout::Controls()) {
        EXPECT_TRUE(names.insert(control.name).second) << control.name << " twice";
        EXPECT_EQ(&layout::ControlNamed(control.name), &control);
        // Only the indicators light.
        EXPECT_EQ(control.ledColours != nullptr, control.kind == layout::ControlKind::kLed) << control.name;
    }
    EXPECT_EQ(names.size(), 31U);
}

TEST(WindowLayoutTest, WindowSitsNearTheRightOfWideScreensAndAtTheLeftOfNarrowOnes) {
    const struct {
        int screenWidth;
        int left;
    } cases[] = {{1920, 806}, {1280, 166}, {1114, 0}, {1113, 5}, {640, 5}};
    for (const auto& c : cases)
        EXPECT_EQ(layout::WindowLeft(c.screenWidth), c.left) << c.screenWidth;
}

}  // namespace
