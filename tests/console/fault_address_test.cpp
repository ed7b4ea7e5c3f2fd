// Automatic mode with an address box that names no reachable host: every tick fails without a word,
// the next tick tries again, and the window stays at the operator's command.
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "console/TTILed.h"
#include "dialog_answerer.h"
#include "window_fixture.h"

namespace {

using korva::console::TTILed;

TEST_F(WindowTest, AutomaticModeWithAnAddressThatCannotBeUsedIsSilentAndKeepsTrying) {
    struct Case {
        const char* what;
        const char* device;
        QString address;
    };
    // A blank inside makes the resolver refuse the name by itself; no name server is asked. The empty
    // name is refused the same way.
    const Case cases[] = {
        {"unresolvable name", "127.0.0.150", QStringLiteral("no such host")},
        {"address box left at zero", "127.0.0.151", QStringLiteral("000.000.000.000")},
        {"empty address box", "127.0.0.152", QString()},
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

        // The box cannot be typed into while polling; put there what the operator would have had.
        SetText("edIP1", QString::fromLatin1(c.device));
        std::vector<std::string> requests;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                for (std::string& request : device.WaitingRequests())
                    requests.push_back(std::move(request));
                return requests.size() >= 2;
            },
            5000));
        EXPECT_EQ(requests[0], "rPr000\r\n") << "the failed ticks did not count as a parameter reply";
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
