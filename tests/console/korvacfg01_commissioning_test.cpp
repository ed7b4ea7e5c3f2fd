// The technician's job at the real window: a korva-sim device written a new address, reset, followed
// there and read back; and a name in the address box, which the window waits for without stopping.
// The device is korva-sim on an address of the suite's, with the next one free for it to move to.
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "console/qt/TTILed.h"
#include "dialog_answerer.h"
#include "protocol/address_text.h"
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/programs.h"
#include "window_fixture.h"

namespace {

using korva::console::TTILed;
using korva::ctl::testing::Simulator;

const korva::testing::SuiteAddresses addresses{"korvacfg01_commissioning"};

TEST_F(WindowTest, ADeviceWrittenANewAddressIsFollowedThroughItsResetAndReadBackThere) {
    const QString moved = QString::fromStdString(addresses[2]);
    const QString gateway = QString::fromStdString(addresses[254]);
    Simulator sim(addresses.Range(1, 2), {"--devices", "1"});
    ASSERT_TRUE(sim.Ready());
    Open(addresses[1]);
    SetText("edIP2", moved);
    // korva-sim starts its devices with a /24 and the gateway at .1.
    SetText("edMsk2", QStringLiteral("255.255.0.0"));
    SetText("edGW2", gateway);
    DialogAnswerer operatorSays(QStringLiteral("btSim"));
    const auto told = [&](const QString& text) {
        return std::any_of(operatorSays.seen().begin(), operatorSays.seen().end(),
                           [&](const SeenDialog& dialog) { return dialog.text == text; });
    };

    Click("btWr1");
    // korva-sim holds the new parameters until its restart, and says so.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Child<QLabel>("lbAlt")->isVisible(); }, 5000));
    Child<QTimer>("TmrRd")->start();
    Click("ldAuto");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Text("stBat").isEmpty(); }, 5000)) << "polled at " << addresses[1];
    Click("btRst");

    const QString confirmed = QStringLiteral("Reset confirmado: o dispositivo reinicia em ") + moved;
    ASSERT_TRUE(QTest::qWaitFor([&] { return told(confirmed); }, 10000));
    EXPECT_EQ(Child<QLineEdit>("edIP1")->text(), moved);
    // Read back at the new address: the parameters written are those in force now.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Text("stGW1") == gateway; }, 5000));
    EXPECT_EQ(Text("stMsk1"), QStringLiteral("255.255.0.0"));
    EXPECT_FALSE(Child<QLabel>("lbNoReply")->isVisible());
    EXPECT_FALSE(Child<QLabel>("lbAlt")->isVisible()) << "nothing is pending after the restart";
    EXPECT_FALSE(
        told(QStringLiteral("Reset não confirmado:\ro dispositivo não respondeu a nenhum dos 15 comandos de "
                            "reset.")));

    // Polling stops; the settings keep the address the device answers at now.
    Click("ldAuto");
    EXPECT_TRUE(window_->close());
    QFile settings(SettingsPath());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains("IP=" + moved.toLatin1()));
}

// The resolver takes its time over the name; the window keeps answering the operator meanwhile. How long
// it waits at the most is the rules' (console_core_test).
TEST_F(WindowTest, TheWindowAnswersWhileANameIsLookedUp) {
    FakeDevice device;
    auto slow = std::make_shared<SlowResolver>(*korva::ParseIpv4(device.Address()), std::chrono::seconds(10));
    resolver_ = slow;
    Open(device);
    SetText("edIP1", QStringLiteral("korva.site"));
    auto* read = Child<QPushButton>("btRead");

    Click("btRead");
    ASSERT_TRUE(QTest::qWaitFor([&] { return slow->Asked() == 1; }, 5000));
    EXPECT_TRUE(read->isDown()) << "busy while the name is looked up";
    QTest::keyClicks(Child<QLineEdit>("edMsk2"), QStringLiteral("0"));
    EXPECT_EQ(Child<QLineEdit>("edMsk2")->text(), QStringLiteral("255.255.255.00")) << "typing goes on";
    Click("btRead");
    QTest::qWait(100);
    EXPECT_EQ(slow->Asked(), 1) << "a busy button asks nothing more";
    slow->Answer();
    // The answer reaches the window through its event loop.
    std::vector<std::string> requests;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (std::string& request : device.WaitingRequests())
                requests.push_back(std::move(request));
            return !requests.empty();
        },
        5000));
    EXPECT_EQ(requests, std::vector<std::string>{"snd000\r\n"});
    EXPECT_FALSE(read->isDown());
}

}  // namespace
