#include <QApplication>
#include <QFrame>
#include <QFontDatabase>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "console/qt/TfrNrm01.h"

namespace {

using korva::console::ShowTimedMessage;
using korva::console::TfrNrm01;

const QColor kYellow(255, 255, 0);

// Runs action on the dialog as soon as ShowTimedMessage has it up, from inside its modal wait.
// A dialog that the action leaves open is failed and closed after a while, so a fault cannot hang
// the test run.
void OnDialog(std::function<void(TfrNrm01&)> action) {
    auto* poll = new QTimer;
    auto attempts = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, attempts, action] {
        auto* dialog = qobject_cast<TfrNrm01*>(QApplication::activeModalWidget());
        if (dialog == nullptr && ++*attempts < 500)
            return;
        poll->stop();
        poll->deleteLater();
        if (dialog == nullptr) {
            ADD_FAILURE() << "no dialog came up";
            return;
        }
        action(*dialog);
        QTimer::singleShot(5000, dialog, [dialog] {
            if (!dialog->isVisible())
                return;
            ADD_FAILURE() << "dialog left open";
            dialog->btNaoClick();
        });
    });
    poll->start(10);
}

template <typename T>
T* Child(TfrNrm01& dialog, const char* name) {
    T* child = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

QColor Background(QWidget* widget) {
    return widget->palette().color(QPalette::Window);
}

TEST(TimedMessage, EachKindShowsItsButtonsHeightAndFirstFocus) {
    struct Case {
        int kind;
        bool sim, nao, ok;
        int panelHeight;
        const char* focus;  // nullptr: no button to focus
    };
    const Case cases[] = {
        {0, false, false, true, 211, "btOK"},
        {1, true, true, false, 211, "btSim"},
        {2, false, false, false, 176, nullptr},
        {7, true, true, true, 211, "btSim"},  // unknown kinds keep the design
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        bool seen = false;
        OnDialog([&](TfrNrm01& d) {
            seen = true;
            EXPECT_TRUE(d.windowFlags() & Qt::FramelessWindowHint);
            EXPECT_EQ(Background(&d), QColor(0, 0, 128));
            EXPECT_EQ(Child<QPushButton>(d, "btSim")->isVisible(), c.sim);
            EXPECT_EQ(Child<QPushButton>(d, "btNao")->isVisible(), c.nao);
            EXPECT_EQ(Child<QPushButton>(d, "btOK")->isVisible(), c.ok);
            EXPECT_EQ(Child<QFrame>(d, "pnMsg")->height(), c.panelHeight);
            EXPECT_EQ(d.size(), QSize(471, c.panelHeight + 20));
            EXPECT_EQ(Background(Child<QFrame>(d, "ClMsg")), kYellow);
            EXPECT_EQ(Child<QLabel>(d, "Msg1")->text(), "linha 1\nlinha 2") << "lone CR breaks the line";
            const QFont message = Child<QLabel>(d, "Msg1")->font();
            EXPECT_EQ(message.pixelSize(), 16);
            EXPECT_TRUE(message.bold());
            // Named by an installed face, as the main window's texts are: not the absent "Arial".
            if (QFontDatabase::families().contains(QStringLiteral("Liberation Sans"))) {
                EXPECT_TRUE(QFontDatabase::families().contains(message.family(), Qt::CaseInsensitive));
            }
            EXPECT_EQ(d.RemainingTicks(), 120);
            EXPECT_TRUE(Child<QTimer>(d, "Tmr1")->isActive());
            QWidget* focus = d.focusWidget();
            if (c.focus == nullptr) {
                EXPECT_EQ(qobject_cast<QPushButton*>(focus), nullptr);
            } else {
                ASSERT_NE(focus, nullptr);
                EXPECT_EQ(focus->objectName(), c.focus);
            }
            d.btNaoClick();
        });
        EXPECT_FALSE(ShowTimedMessage("linha 1\rlinha 2", kYellow, 12, c.kind));
        EXPECT_TRUE(seen);
    }
}

TEST(TimedMessage, ButtonsAnswer) {
    struct Case {
        int kind;
        const char* button;
        bool expected;
    };
    const Case cases[] = {{0, "btOK", true}, {1, "btSim", true}, {1, "btNao", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        OnDialog([&](TfrNrm01& d) { QTest::mouseClick(Child<QPushButton>(d, c.button), Qt::LeftButton); });
        EXPECT_EQ(ShowTimedMessage("pergunta", kYellow, 0, c.kind), c.expected);
    }
}

TEST(TimedMessage, EnterPressesTheFocusedButton) {
    struct Case {
        int kind;
        const char* focus;  // nullptr: leave the focus where the dialog put it
        Qt::Key key;
        bool expected;
    };
    const Case cases[] = {
        {1, nullptr, Qt::Key_Return, true}, {1, "btNao", Qt::Key_Return, false}, {1, "btNao", Qt::Key_Enter, false},
        {1, "btSim", Qt::Key_Enter, true},  {0, nullptr, Qt::Key_Return, true},  {3, nullptr, Qt::Key_Return, false},
        {3, nullptr, Qt::Key_Enter, false}, {3, "btSim", Qt::Key_Return, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " " << (c.focus ? c.focus : "first"));
        OnDialog([&](TfrNrm01& d) {
            if (c.focus != nullptr)
                Child<QPushButton>(d, c.focus)->setFocus();
            ASSERT_NE(d.focusWidget(), nullptr);
            QTest::keyClick(d.focusWidget(), c.key);
        });
        EXPECT_EQ(ShowTimedMessage("pergunta", kYellow, 0, c.kind), c.expected);
    }
}

TEST(TimedMessage, EscapeDoesNothing) {
    for (int kind : {0, 1, 2}) {
        SCOPED_TRACE(kind);
        bool stillOpen = false;
        OnDialog([&](TfrNrm01& d) {
            if (d.focusWidget() != nullptr)
                QTest::keyClick(d.focusWidget(), Qt::Key_Escape);
            QTest::keyClick(&d, Qt::Key_Escape);
            d.close();
            stillOpen = d.isVisible();
            d.btSimClick();
        });
        EXPECT_TRUE(ShowTimedMessage("aviso", kYellow, 0, kind));
        EXPECT_TRUE(stillOpen);
    }
}

TEST(TimedMessage, TimeOutAnswersLikeNao) {
    for (int kind : {0, 1, 2}) {
        SCOPED_TRACE(kind);
        EXPECT_FALSE(ShowTimedMessage("sem resposta", kYellow, 1, kind));
    }
}

TEST(TimedMessage, TenTicksPerSecondAndTheLastTickCloses) {
    bool openBeforeLastTick = false;
    OnDialog([&](TfrNrm01& d) {
        ASSERT_EQ(d.RemainingTicks(), 120);
        d.StopTimer();
        for (int tick = 1; tick < 120; ++tick)
            d.Tmr1Timer();
        openBeforeLastTick = d.isVisible();
        d.Tmr1Timer();
    });
    EXPECT_FALSE(ShowTimedMessage("pergunta", kYellow, 12, 1));
    EXPECT_TRUE(openBeforeLastTick);
}

TEST(TimedMessage, ZeroSecondsWaitsForAButton) {
    bool timerActive = true;
    bool openAfterAWhile = false;
    OnDialog([&](TfrNrm01& d) {
        timerActive = Child<QTimer>(d, "Tmr1")->isActive();
        QTest::qWait(300);  // a running timer would have closed it at its first tick
        openAfterAWhile = d.isVisible();
        d.btSimClick();
    });
    EXPECT_TRUE(ShowTimedMessage("pergunta", kYellow, 0, 1));
    EXPECT_FALSE(timerActive);
    EXPECT_TRUE(openAfterAWhile);
}

TEST(TimedMessage, NestedCallsEachWaitForTheirOwnDialog) {
    TfrNrm01* outer = nullptr;
    bool inner = false, innerWasOther = false, outerOpenAfterInner = false;
    OnDialog([&](TfrNrm01& d) {
        outer = &d;
        OnDialog([&](TfrNrm01& second) {
            innerWasOther = &second != outer;
            QTest::mouseClick(Child<QPushButton>(second, "btOK"), Qt::LeftButton);
        });
        inner = ShowTimedMessage("interna", QColor(0, 255, 0), 0, 0);
        outerOpenAfterInner = d.isVisible();
        QTest::mouseClick(Child<QPushButton>(d, "btNao"), Qt::LeftButton);
    });
    EXPECT_FALSE(ShowTimedMessage("externa", kYellow, 0, 1));
    EXPECT_TRUE(inner);
    EXPECT_TRUE(innerWasOther);
    EXPECT_TRUE(outerOpenAfterInner);
}

TEST(TimedMessage, DialogIsReleasedBackInTheEventLoop) {
    QPointer<TfrNrm01> shown;
    OnDialog([&](TfrNrm01& d) {
        shown = &d;
        d.btSimClick();
    });
    ASSERT_TRUE(ShowTimedMessage("info", kYellow, 0, 0));
    ASSERT_FALSE(shown.isNull()) << "still alive right after the call";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(shown.isNull());
}

TEST(TimedMessage, CentredOverTheMainWindow) {
    QWidget main;
    main.setGeometry(100, 120, 645, 199);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    QPoint centre;
    OnDialog([&](TfrNrm01& d) {
        centre = d.frameGeometry().center();
        d.btSimClick();
    });
    ShowTimedMessage("info", kYellow, 0, 0);
    const QPoint expected = main.frameGeometry().center();
    EXPECT_LE(std::abs(centre.x() - expected.x()), 1) << centre.x() << " vs " << expected.x();
    EXPECT_LE(std::abs(centre.y() - expected.y()), 1) << centre.y() << " vs " << expected.y();
}

// Centred over a window near an edge, the dialog would start off the screen and hide its first lines
// (or its buttons): it moves inside the screen's free area, and stays centred along the other axis.
TEST(TimedMessage, StaysInsideTheScreenOverAWindowNearItsEdges) {
    QWidget probe;
    const QRect available = probe.screen()->availableGeometry();
    struct Case {
        const char* what;
        QRect window;
        bool centredAcross;  // the dialog fits centred horizontally
        bool centredDown;    // and vertically
    };
    const Case cases[] = {
        {"near the top", QRect(available.left() + 100, available.top() + 5, 645, 199), true, false},
        {"near the left", QRect(available.left() + 5, available.top() + 200, 200, 150), false, true},
        {"near the bottom right", QRect(available.right() - 250, available.bottom() - 60, 300, 100), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QWidget main;
        main.setGeometry(c.window);
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
        QRect shown;
        OnDialog([&](TfrNrm01& d) {
            shown = d.frameGeometry();
            d.btSimClick();
        });
        ShowTimedMessage("linha 1\rlinha 2", kYellow, 0, 0);
        EXPECT_TRUE(available.contains(shown))
            << "dialog at " << shown.x() << "," << shown.y() << " size " << shown.width() << "x" << shown.height();
        const QPoint centre = main.frameGeometry().center();
        if (c.centredAcross) {
            EXPECT_LE(std::abs(shown.center().x() - centre.x()), 1) << shown.center().x() << " vs " << centre.x();
        }
        if (c.centredDown) {
            EXPECT_LE(std::abs(shown.center().y() - centre.y()), 1) << shown.center().y() << " vs " << centre.y();
        }
    }
}

}  // namespace
