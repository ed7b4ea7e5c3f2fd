// What the window sends, where it sends it, and when: buttons, the write sequence and automatic mode.
// How many reset attempts and when they stop are the rules' (console_core_test).
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>

#include "console/qt/TTILed.h"
#include "dialog_answerer.h"
#include "tests/support/suite_addresses.h"
#include "window_fixture.h"

namespace {

using korva::console::TTILed;
using Requests = std::vector<std::string>;
const std::string kLiveData = "snd000\r\n";
const std::string kManualParameters = "rPr000 \r\n";
const std::string kAutomaticParameters = "rPr000\r\n";
const korva::testing::SuiteAddresses addresses{"korvacfg01_requests"};

// The host'th address of the suite as a write carries it: each octet three digits long.
std::string Padded(unsigned host) {
    const std::uint32_t number = addresses.Number(host);
    char padded[16];
    std::snprintf(padded, sizeof padded, "%03u.%03u.%03u.%03u", number >> 24, number >> 16 & 0xff, number >> 8 & 0xff,
                  number & 0xff);
    return padded;
}

TEST_F(WindowTest, ButtonsClearTheirDisplayAndSendTheirRequestToTheDeviceAddress) {
    struct Case {
        const char* button;
        std::string request;
        const char* clearedReading;
    };
    const Case cases[] = {{"btRead", kLiveData, "stBat"}, {"btRd", kManualParameters, "stMsk1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        FakeDevice device;
        Open(device);
        // Both panels filled by the device first.
        Click("btRead");
        device.NextRequest();
        ReplyAndWait(device, "0100,SND,0,21,50,240,1,0,1,5");
        Click("btRd");
        device.NextRequest();
        ReplyAndWait(device, "0100,RPR,0,127.0.0.142,255.255.0.0,127.0.0.1,0:1:2:3:4:5");
        ASSERT_NE(Text(c.clearedReading), QString());
        Click(c.button);
        EXPECT_EQ(device.NextRequest(), c.request);
        EXPECT_EQ(Text(c.clearedReading), QString());
        EXPECT_EQ(Child<TTILed>("ldPrs")->LedOn(), c.button != std::string("btRead"));
        EXPECT_EQ(device.WaitingRequests(), Requests{});
        Destroy();
    }
}

TEST_F(WindowTest, ConfirmedWriteGoesToTheCurrentAddressAndTheCheckToTheNewOne) {
    struct Case {
        unsigned current;
        unsigned next;
        QString answer;  // the write's question keeps SIM as its default: Return confirms it
    };
    for (const Case& c : {Case{1, 2, QStringLiteral("btSim")}, Case{3, 3, DialogAnswerer::kReturnKey}}) {
        SCOPED_TRACE(addresses[c.next]);
        FakeDevice current(addresses[c.current]);
        std::unique_ptr<FakeDevice> separate;
        if (c.current != c.next)
            separate = std::make_unique<FakeDevice>(addresses[c.next]);
        FakeDevice& next = separate ? *separate : current;
        Open(addresses[c.current]);
        SetText("edIP2", QString::fromStdString(addresses[c.next]));
        SetText("edMsk2", QStringLiteral("255.255.0.0"));
        SetText("edGW2", QString::fromStdString(addresses[254]));
        DialogAnswerer operatorSays(c.answer);

        Click("btWr1");

        ASSERT_EQ(operatorSays.seen().size(), 1u);
        const SeenDialog& question = operatorSays.seen()[0];
        EXPECT_TRUE(question.text.startsWith(QStringLiteral("Confirma alteração de parâmetros ?\r\r")))
            << question.text.toStdString();
        EXPECT_EQ(question.colour, QColor(255, 255, 0));
        EXPECT_EQ(question.kind, 1);
        EXPECT_GT(question.ticks, 100);  // 12 seconds of 100 ms ticks, a few perhaps gone already
        EXPECT_LE(question.ticks, 120);
        EXPECT_EQ(current.NextRequest(), "wPr000 " + Padded(c.next) + " 255.255.000.000 " + Padded(254) + "\r\n");
        EXPECT_EQ(next.NextRequest(), kManualParameters);
        EXPECT_EQ(current.WaitingRequests(), Requests{});
        EXPECT_EQ(next.WaitingRequests(), Requests{});
        Destroy();
    }
}

TEST_F(WindowTest, WriteAnsweredNoSendsNothing) {
    FakeDevice device;
    Open(device);
    DialogAnswerer operatorSays(QStringLiteral("btNao"));
    Click("btWr1");
    EXPECT_EQ(operatorSays.seen().size(), 1u);
    EXPECT_EQ(device.NextRequest(std::chrono::milliseconds(200)), std::nullopt);
}

TEST_F(WindowTest, SendErrorsOfButtonsAppearInTheDefaultErrorBox) {
    Open(addresses[4]);
    // Found nowhere by the test's resolver.
    SetText("edIP1", QStringLiteral("korva.site"));
    SetText("edGW2", QStringLiteral("127.0.0.1"));
    SetText("edMsk2", QStringLiteral("255.0.0.0"));
    for (const char* button : {"btRead", "btRd", "btWr1"}) {
        SCOPED_TRACE(button);
        DialogAnswerer operatorSays(QStringLiteral("btSim"));
        Click(button);
        // The name is looked up away from the window: the box comes once the resolver has answered.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !operatorSays.seen().empty(); }, 5000));
        const SeenDialog& box = operatorSays.seen().back();
        EXPECT_EQ(box.type, QStringLiteral("QMessageBox"));
        EXPECT_EQ(box.title, QStringLiteral("Configurador TUNO"));
        EXPECT_TRUE(box.critical);
        EXPECT_EQ(box.text, QStringLiteral("Socket Error # 11001\nHost not found."));
    }
}

TEST_F(WindowTest, SendErrorsOfPollingTicksAreSilent) {
    Open(addresses[5]);
    SetText("edIP1", QStringLiteral("korva.site"));
    Click("ldAuto");
    DialogAnswerer operatorSays;
    window_->TmrRdTimer();
    window_->TmrRdTimer();
    QCoreApplication::processEvents();
    EXPECT_TRUE(operatorSays.seen().empty());
    EXPECT_TRUE(Child<TTILed>("ldAuto")->LedOn());
}

TEST_F(WindowTest, AutomaticModeAsksForParametersUntilTheFirstParameterReply) {
    FakeDevice device;
    Open(device);
    EXPECT_EQ(Tick(device, 0), Requests{}) << "automatic mode is off";

    Click("ldAuto");
    EXPECT_TRUE(Child<TTILed>("ldAuto")->LedOn());
    EXPECT_TRUE(Child<QPushButton>("btRst")->isEnabled());
    for (const char* manual : {"btRead", "btRd", "btWr1", "edIP1", "edIP2", "edMsk2", "edGW2"}) {
        EXPECT_FALSE(Child<QWidget>(manual)->isEnabled()) << manual;
    }
    for (int tick = 0; tick < 2; ++tick) {
        EXPECT_EQ(Tick(device, 2), (Requests{kAutomaticParameters, kLiveData}));
    }
    ReplyAndWait(device, "0100,RPR,0,127.0.0.67,255.255.255.0,127.0.0.1,0:1:2:3:4:5");
    EXPECT_EQ(Tick(device, 1), Requests{kLiveData});

    // Leaving automatic mode and coming back does not ask again.
    Click("ldAuto");
    EXPECT_FALSE(Child<TTILed>("ldAuto")->LedOn());
    EXPECT_FALSE(Child<QPushButton>("btRst")->isEnabled());
    EXPECT_TRUE(Child<QWidget>("edIP1")->isEnabled());
    Click("ldAuto");
    EXPECT_EQ(Tick(device, 1), Requests{kLiveData});
    EXPECT_EQ(device.WaitingRequests(), Requests{});
}

TEST_F(WindowTest, PollingTimerTicksEveryHalfSecond) {
    FakeDevice device;
    Open(device);
    auto* timer = Child<QTimer>("TmrRd");
    EXPECT_EQ(timer->interval(), 500);
    timer->start();
    Click("ldAuto");
    Requests requests;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (std::string& request : device.WaitingRequests())
                requests.push_back(std::move(request));
            return requests.size() >= 4;
        },
        5000));
    EXPECT_EQ(Requests(requests.begin(), requests.begin() + 4),
              (Requests{kAutomaticParameters, kLiveData, kAutomaticParameters, kLiveData}));
}

}  // namespace
