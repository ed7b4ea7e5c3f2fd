// What keeps the technician from harm, through the real widgets: a refused write names its box and
// sends nothing, a device that stops answering is shown as old, and "aut" works from the keyboard.
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "console/qt/TTILed.h"
#include "console/window_layout.h"
#include "dialog_answerer.h"
#include "window_fixture.h"

namespace {

using korva::console::TTILed;
namespace layout = korva::console::layout;

TEST_F(WindowTest, ARefusedWriteNamesItsBoxFocusesItAndSendsNothing) {
    FakeDevice device;
    Open(device);
    QApplication::setActiveWindow(window_);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    SetText("edMsk2", QStringLiteral("255.0.255.0"));
    DialogAnswerer operatorSays(QStringLiteral("btSim"));

    Click("btWr1");

    ASSERT_EQ(operatorSays.seen().size(), 1u) << "the refusal alone: no question follows";
    const SeenDialog& refusal = operatorSays.seen()[0];
    EXPECT_EQ(refusal.colour, QColor(255, 0, 0));
    EXPECT_EQ(refusal.kind, 0);
    EXPECT_EQ(refusal.ticks, 0) << "no time-out";
    EXPECT_TRUE(refusal.text.startsWith(QStringLiteral("máscara nova: 255.0.255.0\rnão é contígua")))
        << refusal.text.toStdString();
    EXPECT_EQ(window_->focusWidget(), Child<QWidget>("edMsk2"));
    EXPECT_EQ(Child<QLineEdit>("edMsk2")->selectedText(), QStringLiteral("255.0.255.0")) << "ready to be typed over";
    EXPECT_EQ(device.NextRequest(std::chrono::milliseconds(300)), std::nullopt);
}

TEST_F(WindowTest, ASilentDeviceIsShownAsSuchUntilItsNextReply) {
    FakeDevice device;
    Open(device);
    Click("ldAuto");
    Tick(device, 2);
    ReplyAndWait(device, "0100,SND,0,25,60,244,1,0,1,7,0,0,0");
    auto* presence = Child<TTILed>("ldPrs");
    EXPECT_EQ(presence->accessibleDescription(), QStringLiteral("presença: detectada"));
    EXPECT_TRUE(presence->Marked()) << "lime: its caption is boxed";
    EXPECT_EQ(Child<QLabel>("stBat")->accessibleDescription(), QStringLiteral("24,4V"))
        << "the value, for a screen reader";
    const QColor normalText = Child<QLabel>("stBat")->palette().color(QPalette::WindowText);
    const QColor answeringClock = Child<QLabel>("lbDaHr")->palette().color(QPalette::Window);

    for (int period = 0; period < 3; ++period)
        Tick(device, 2);
    EXPECT_FALSE(Child<QLabel>("lbNoReply")->isVisible()) << "three ticks: two periods since the last reply";
    Tick(device, 2);
    EXPECT_TRUE(Child<QLabel>("lbNoReply")->isVisible());
    EXPECT_EQ(Text("lbNoReply"), QStringLiteral("sem resposta"));
    EXPECT_EQ(Text("stBat"), QStringLiteral("24,4V")) << "the last reading stays, greyed";
    EXPECT_EQ(Child<QLabel>("stBat")->palette().color(QPalette::WindowText), ColourOf(layout::kStaleText));
    EXPECT_NE(ColourOf(layout::kStaleText), normalText);
    EXPECT_EQ(Child<QLabel>("lbDaHr")->palette().color(QPalette::Window), ColourOf(layout::kNoReplyBackground));
    EXPECT_NE(ColourOf(layout::kNoReplyBackground), answeringClock);
    EXPECT_TRUE(presence->Stale());
    EXPECT_EQ(presence->accessibleDescription(), QStringLiteral("presença: detectada (sem resposta)"));

    ReplyAndWait(device, "0100,SND,0,25,60,244,0,0,1,7,0,0,0");
    EXPECT_FALSE(Child<QLabel>("lbNoReply")->isVisible());
    EXPECT_EQ(Child<QLabel>("stBat")->palette().color(QPalette::WindowText), normalText);
    EXPECT_EQ(Child<QLabel>("lbDaHr")->palette().color(QPalette::Window), answeringClock);
    EXPECT_FALSE(presence->Stale());
    EXPECT_EQ(presence->accessibleDescription(), QStringLiteral("presença: não detectada"));
    EXPECT_FALSE(presence->Marked()) << "pale green: no box";
    Click("ldAuto");
}

TEST_F(WindowTest, AutIsReachedWithTabAndSwitchedWithSpaceOrEnter) {
    FakeDevice device;
    Open(device);
    QApplication::setActiveWindow(window_);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    Child<QWidget>("btRead")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    auto* automatic = Child<TTILed>("ldAuto");
    ASSERT_EQ(QApplication::focusWidget(), automatic);

    QTest::keyClick(automatic, Qt::Key_Space);
    EXPECT_TRUE(automatic->LedOn());
    EXPECT_TRUE(automatic->Marked());
    EXPECT_EQ(automatic->accessibleDescription(), QStringLiteral("aut: ligado"));
    QTest::keyClick(automatic, Qt::Key_Return);
    EXPECT_FALSE(automatic->LedOn());
    EXPECT_EQ(automatic->accessibleDescription(), QStringLiteral("aut: desligado"));
}

}  // namespace
