// Automatic mode with an address box that names no reachable host: the polling fails without a word,
// and the window stays at the operator's command.
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "console/qt/TTILed.h"
#include "dialog_answerer.h"
#include "tests/support/suite_addresses.h"
#include "window_fixture.h"

namespace {

using korva::console::TTILed;

const korva::testing::SuiteAddresses addresses{"fault_address"};

TEST_F(WindowTest, AutomaticModeWithAnAddressThatCannotBeUsedIsSilentUntilTheDevicesAddressIsTyped) {
    struct Case {
        const char* what;
        std::string device;
        QString address;
    };
    // The test's resolver finds no name, the empty one included.
    const Case cases[] = {
        {"unresolvable name", addresses[1], QStringLiteral("korva.site")},
        {"address box left at zero", addresses[2], QStringLiteral("000.000.000.000")},
        {"empty address box", addresses[3], QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeDevice device(c.device);
        Open(c.device);
        SetText("edIP1", c.address);
        auto* timer = Child<QTimer>("TmrRd");
        QSignalSpy ticks(timer, &QTimer::timeout);
        DialogAnswerer operatorSays;
        timer->start();
        Click("ldAuto");

        ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.count() >= 2; }, 5000));
        EXPECT_TRUE(operatorSays.seen().empty()) << "no box for a failing tick";
        EXPECT_TRUE(Child<TTILed>("ldAuto")->LedOn());
        EXPECT_EQ(device.WaitingRequests(), std::vector<std::string>{});

        // The address is read as automatic mode starts: the operator stops it, types the device's address
        // and starts it again.
        Click("ldAuto");
        SetText("edIP1", QString::fromStdString(c.device));
        Click("ldAuto");
        std::vector<std::string> requests;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                for (std::string& request : device.WaitingRequests())
                    requests.push_back(std::move(request));
                return requests.size() >= 2;
            },
            5000));
        EXPECT_EQ(requests[0], "rPr000\r\n") << "the failed polling did not count as a parameter reply";
        EXPECT_EQ(requests[1], "snd000\r\n");

        Click("ldAuto");
        EXPECT_FALSE(Child<TTILed>("ldAuto")->LedOn());
        // A polling request still on its way would be taken for the button's.
        QTest::qWait(100);
        device.WaitingRequests();
        Click("btRead");
        EXPECT_EQ(device.NextRequest(), std::string("snd000\r\n"));
        EXPECT_TRUE(operatorSays.seen().empty());
        window_->close();
        Destroy();
    }
}

}  // namespace
