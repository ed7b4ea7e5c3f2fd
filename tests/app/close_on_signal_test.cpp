// The console asked to end by a signal closes as through its close button: what was typed is saved,
// and a save that fails keeps the window open with the error box.
#include "app/close_on_signal.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

#include "tests/console/dialog_answerer.h"
#include "app/settings/console_settings.h"
#include "console/qt/TfrKorvaCfg01.h"
#include "console/qt/TfrNrm01.h"
#include "tests/support/suite_addresses.h"

namespace {

using korva::console::TfrKorvaCfg01;

constexpr int kPatienceMs = 5000;
const korva::testing::SuiteAddresses addresses{"close_on_signal"};
const std::string kTypedAddress = addresses[1];
const std::string kTypedGateway = addresses[2];

class CloseOnSignalTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }

    // A window that has been typed into, its polling timer stopped (it never goes automatic here).
    std::unique_ptr<TfrKorvaCfg01> TypedWindow(const QString& settingsPath) {
        auto window = std::make_unique<TfrKorvaCfg01>(korva::app::SettingsFileAt(settingsPath.toStdString()));
        window->findChild<QTimer*>(QStringLiteral("TmrRd"))->stop();
        window->findChild<QLineEdit*>(QStringLiteral("edIP1"))->setText(QString::fromStdString(kTypedAddress));
        window->findChild<QLineEdit*>(QStringLiteral("edMsk2"))->setText(QStringLiteral("255.255.252.0"));
        window->findChild<QLineEdit*>(QStringLiteral("edGW2"))->setText(QString::fromStdString(kTypedGateway));
        window->show();
        return window;
    }

    static korva::app::ConsoleSettings Saved(const QString& path) {
        return korva::app::ReadConsoleSettings(path.toStdString());
    }

    QTemporaryDir folder_;
};

TEST_F(CloseOnSignalTest, EachEndingSignalSavesWhatWasTypedAndClosesTheWindow) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        const QString path = folder_.filePath(QStringLiteral("KorvaCfg%1.ini").arg(signal));
        auto window = TypedWindow(path);
        const korva::app::CloseOnSignal closeOnSignal(window.get());

        ASSERT_EQ(raise(signal), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, kPatienceMs)) << "window still open";
        ASSERT_TRUE(QFile::exists(path)) << "nothing saved";
        EXPECT_EQ(Saved(path).address, kTypedAddress);
        EXPECT_EQ(Saved(path).mask, "255.255.252.0");
        EXPECT_EQ(Saved(path).gateway, kTypedGateway);
    }
}

TEST_F(CloseOnSignalTest, FailedSaveKeepsTheWindowOpenAndShowsTheErrorOnce) {
    // A regular file where the settings folder should be stops root as well as anyone.
    const QString notAFolder = folder_.filePath(QStringLiteral("file"));
    const QString path = notAFolder + QStringLiteral("/KorvaCfg.ini");
    {
        QFile blocker(notAFolder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    auto window = TypedWindow(path);
    const korva::app::CloseOnSignal closeOnSignal(window.get());
    DialogAnswerer operatorSays;

    ASSERT_EQ(raise(SIGTERM), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !operatorSays.seen().empty(); }, kPatienceMs)) << "no error box";
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(operatorSays.seen().size(), 1u);
    EXPECT_TRUE(operatorSays.seen()[0].critical);
    EXPECT_EQ(operatorSays.seen()[0].text, QStringLiteral("Unable to write to ") + path + u'.');

    // Once the folder can take the file, the next signal saves and closes.
    ASSERT_TRUE(QFile::remove(notAFolder) && QDir().mkdir(notAFolder));
    ASSERT_EQ(raise(SIGTERM), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, kPatienceMs)) << "window still open";
    EXPECT_EQ(Saved(path).address, kTypedAddress);
    EXPECT_EQ(operatorSays.seen().size(), 1u);
}

TEST_F(CloseOnSignalTest, ASignalWhileTheErrorBoxIsUpAsksNothingMore) {
    const QString notAFolder = folder_.filePath(QStringLiteral("file"));
    {
        QFile blocker(notAFolder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    auto window = TypedWindow(notAFolder + QStringLiteral("/KorvaCfg.ini"));
    const korva::app::CloseOnSignal closeOnSignal(window.get());
    // A second close would ask whether to close without the settings, in a box over the error box.
    int questions = 0;
    QTimer answerQuestions;
    QObject::connect(&answerQuestions, &QTimer::timeout, [&] {
        if (auto* question = qobject_cast<korva::console::TfrNrm01*>(QApplication::activeModalWidget())) {
            ++questions;
            question->btNaoClick();
        }
    });
    answerQuestions.start(5);
    bool signalledAgain = false;
    QTimer whileTheBoxIsUp;
    QObject::connect(&whileTheBoxIsUp, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || signalledAgain)
            return;
        signalledAgain = true;
        ASSERT_EQ(raise(SIGTERM), 0);
        QTest::qWait(300);  // the signal's byte is read and handled by now
        box->button(QMessageBox::Ok)->click();
    });
    whileTheBoxIsUp.start(5);

    ASSERT_EQ(raise(SIGTERM), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return signalledAgain && !QApplication::activeModalWidget(); }, kPatienceMs));
    EXPECT_EQ(questions, 0);
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
