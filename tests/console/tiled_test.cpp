#include <QColor>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include "console/qt/TTILed.h"

namespace {

using korva::console::TTILed;

const QColor kGray(128, 128, 128), kLime(0, 255, 0), kYellow(255, 255, 0), kRed(255, 0, 0), kSilver(192, 192, 192);

TEST(TILed, NewControlIsSmallBlankDarkGrayAndTakesNoFocus) {
    TTILed led;
    EXPECT_EQ(led.size(), QSize(16, 16));
    EXPECT_EQ(led.Caption(), " ");
    EXPECT_FALSE(led.LedOn());
    EXPECT_EQ(led.LedIndex(), 0);
    EXPECT_EQ(led.LedColorOff(), kGray);
    EXPECT_EQ(led.LedColorOn0(), kLime);
    EXPECT_EQ(led.LedColorOn1(), kYellow);
    EXPECT_EQ(led.LedColorOn2(), kRed);
    EXPECT_EQ(led.LedColorOn3(), kSilver);
    EXPECT_EQ(led.CurrentColor(), kGray);
    EXPECT_EQ(led.focusPolicy(), Qt::NoFocus);
}

TEST(TILed, LitIndexSelectsItsColourAndDarkShowsOffWhateverTheIndex) {
    struct Case {
        bool on;
        int index;
        QColor expected;
    };
    const Case cases[] = {
        {true, 0, kLime},  {true, 1, kYellow}, {true, 2, kRed},   {true, 3, kSilver},
        {false, 0, kGray}, {false, 2, kGray},  {false, 5, kGray}, {false, -1, kGray},
    };
    for (const Case& c : cases) {
        TTILed led;
        led.SetLedIndex(c.index);
        led.SetLedOn(c.on);
        EXPECT_EQ(led.CurrentColor(), c.expected) << "on " << c.on << " index " << c.index;
    }
}

// Besides the colour, the caption is boxed for the state the owner marks, and an old state is hatched.
// What differs between two panels of one colour is what is drawn over it.
TEST(TILed, AMarkedCaptionIsBoxedAndAnOldLitPanelHatchedOverTheSameColour) {
    const auto drawn = [](bool on, bool marked, bool stale) {
        TTILed led;
        led.resize(86, 24);
        led.SetCaption(QStringLiteral("presença"));
        led.SetLedIndex(1);
        led.SetLedOn(on);
        led.SetMarked(marked);
        led.SetStale(stale);
        return led.grab().toImage();
    };
    struct Case {
        const char* what;
        bool on;
        bool marked;
        bool stale;
        bool sameAsPlain;  // as the panel in the same light, unmarked and not old
    };
    const Case cases[] = {
        {"lit, marked", true, true, false, false},
        {"lit, old", true, false, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(drawn(c.on, c.marked, c.stale) == drawn(c.on, false, false), c.sameAsPlain) << c.what;
    }
}

TEST(TILed, IndexOutsideTheFourKeepsTheColourWhileLit) {
    for (int outside : {4, 5, -1, 1000}) {
        TTILed led;
        led.SetLedIndex(2);
        led.SetLedOn(true);
        led.SetLedIndex(outside);
        EXPECT_EQ(led.CurrentColor(), kRed) << outside;
        EXPECT_EQ(led.LedIndex(), outside);
        led.SetLedOn(false);
        EXPECT_EQ(led.CurrentColor(), kGray) << outside;
        led.SetLedOn(true);
        EXPECT_EQ(led.CurrentColor(), kGray) << "lit with " << outside << " keeps the off colour";
    }
}

TEST(TILed, ChangingAColourRepaintsOnlyWhenThatColourIsShown) {
    const QColor pink(255, 192, 203);
    using Setter = void (TTILed::*)(const QColor&);
    struct Case {
        const char* what;
        bool on;
        Setter setter;
        bool shown;
    };
    const Case cases[] = {
        {"on1 while lit with 1", true, &TTILed::SetLedColorOn1, true},
        {"on2 while lit with 1", true, &TTILed::SetLedColorOn2, false},
        {"off while lit", true, &TTILed::SetLedColorOff, false},
        {"off while dark", false, &TTILed::SetLedColorOff, true},
        {"on1 while dark", false, &TTILed::SetLedColorOn1, false},
    };
    for (const Case& c : cases) {
        TTILed led;
        led.SetLedIndex(1);
        led.SetLedOn(c.on);
        const QColor before = led.CurrentColor();
        (led.*c.setter)(pink);
        EXPECT_EQ(led.CurrentColor(), c.shown ? pink : before) << c.what;
    }
}

TEST(TILed, DesignTimePropertiesReachTheSameSetters) {
    TTILed led;
    ASSERT_TRUE(led.setProperty("LedColorOn3", QColor(1, 2, 3)));
    ASSERT_TRUE(led.setProperty("LedIndex", 3));
    ASSERT_TRUE(led.setProperty("LedOn", true));
    EXPECT_EQ(led.CurrentColor(), QColor(1, 2, 3));
}

TEST(TILed, ClickIsALeftPressAndReleaseInside) {
    TTILed led;
    led.resize(81, 24);
    led.show();
    QSignalSpy clicks(&led, &TTILed::clicked);
    const QPoint inside(40, 12), outside(200, 12);

    QTest::mouseClick(&led, Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_EQ(clicks.count(), 1);

    QTest::mouseClick(&led, Qt::RightButton, Qt::NoModifier, inside);
    EXPECT_EQ(clicks.count(), 1) << "right button";

    QTest::mousePress(&led, Qt::LeftButton, Qt::NoModifier, inside);
    QTest::mouseRelease(&led, Qt::LeftButton, Qt::NoModifier, outside);
    EXPECT_EQ(clicks.count(), 1) << "released outside";
}

// The "aut" indicator toggles automatic mode on each click: a double click counted twice would switch
// it on and straight off again.
TEST(TILed, DoubleClickIsOneClickAndSeparateClicksEachCount) {
    TTILed led;
    led.resize(81, 24);
    led.show();
    QSignalSpy clicks(&led, &TTILed::clicked);
    const QPoint inside(40, 12);

    // Through the window, as a mouse does it: press, release, press, release, and the platform layer
    // recognises the double click. (The widget overload sends a lone double-click event instead.)
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&led));
    QWindow* window = led.windowHandle();
    ASSERT_NE(window, nullptr);
    QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_EQ(clicks.count(), 1) << "double click";

    clicks.clear();
    QTest::mouseClick(&led, Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_EQ(clicks.count(), 1) << "a plain click after the double click";
    QTest::mouseClick(&led, Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_EQ(clicks.count(), 2) << "a second separate click";

    clicks.clear();
    QTest::mouseDClick(window, Qt::RightButton, Qt::NoModifier, inside);
    EXPECT_EQ(clicks.count(), 0) << "right double click";
}

}  // namespace
