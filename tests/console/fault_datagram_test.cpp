// Odd datagrams at the console: too long, empty, every byte value, and from where no device sits. The
// window drops what it must drop, shows what it must show, and goes on working.
#include <QLabel>
#include <QTest>

#include <string>

#include "hand_over_counter.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/suite_addresses.h"
#include "window_fixture.h"

namespace {

using korva::testing::LoopbackPeer;

const korva::testing::SuiteAddresses addresses{"fault_datagram"};
const std::string kDevice = addresses[1];
const std::string kElsewhere = addresses[2];
const QString kUntouched = QStringLiteral("untouched");

// A parameter reply with a mask to show, filled with blanks up to size bytes: trimmed away when it
// arrives whole, so it shows its mask exactly when the datagram was delivered.
std::string PaddedParameterReply(std::size_t size) {
    std::string reply = "0100,RPR,0," + kDevice + ",255.0.0.0,127.0.0.1,0:1:2:3:4:5";
    reply.resize(size, ' ');
    return reply;
}

std::string EveryByteValue() {
    std::string bytes;
    for (int value = 0; value < 256; ++value)
        bytes += static_cast<char>(value);
    return bytes;
}

enum class From { kDevicePort, kOtherPort, kOtherAddress };

TEST_F(WindowTest, OddDatagramsAreDroppedOrShownAsTheyShouldBe) {
    FakeDevice device(kDevice);
    Open(kDevice);
    Click("btRead");
    ASSERT_TRUE(device.NextRequest()) << "the device must learn where the console listens";
    const std::uint16_t consolePort = device.ConsolePort();
    LoopbackPeer otherPort(kDevice);
    LoopbackPeer otherAddress(kElsewhere);

    struct Case {
        const char* what;
        From from;
        std::string bytes;
        bool delivered;
        bool clockSet;        // the reply handler got past its first step
        QString mask;         // stMsk1 afterwards; kUntouched: as before
        QString temperature;  // stTmp afterwards; kUntouched: as before
    };
    const Case cases[] = {
        {"largest datagram, 65,507 bytes", From::kDevicePort, PaddedParameterReply(65507), false, false, kUntouched,
         kUntouched},
        {"one byte beyond the buffer, 8,193 bytes", From::kDevicePort, PaddedParameterReply(8193), false, false,
         kUntouched, kUntouched},
        {"exactly the buffer, 8,192 bytes", From::kDevicePort, PaddedParameterReply(8192), true, true,
         QStringLiteral("255.0.0.0"), kUntouched},
        {"empty", From::kDevicePort, std::string(), true, false, kUntouched, kUntouched},
        {"every byte value 0 to 255", From::kDevicePort, EveryByteValue(), true, true, kUntouched, kUntouched},
        {"status reply from another port", From::kOtherPort, "0100,SND,0,33,44,250,1,0,1,9", true, true, kUntouched,
         QStringLiteral("33°C")},
        {"parameter reply from another address", From::kOtherAddress,
         "0100,RPR,0," + kDevice + ",255.255.0.0,127.0.0.1,0:1:2:3:4:5", false, false, kUntouched, kUntouched},
    };
    HandOverCounter handed(console_->Console());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Every handled reply paints the clock anew, the same second or not.
        Child<QLabel>("lbDaHr")->setText(kUntouched);
        const QString maskBefore = Text("stMsk1");
        const QString temperatureBefore = Text("stTmp");
        const std::size_t before = handed.count();
        switch (c.from) {
            case From::kDevicePort:
                device.Reply(c.bytes);
                break;
            case From::kOtherPort:
                otherPort.Send(kDevice, consolePort, c.bytes);
                break;
            case From::kOtherAddress:
                otherAddress.Send(kDevice, consolePort, c.bytes);
                break;
        }
        // An empty datagram behind it shows when the case has had its chance: it is handled and changes nothing.
        device.Reply("");
        const std::size_t expected = before + (c.delivered ? 1 : 0) + 1;
        ASSERT_TRUE(QTest::qWaitFor([&] { return handed.count() >= expected; }, 5000));
        QTest::qWait(50);  // a datagram that should have been dropped but was late would show up now
        WaitForDisplay();
        EXPECT_EQ(handed.count(), expected);
        EXPECT_EQ(Text("lbDaHr") != kUntouched, c.clockSet);
        EXPECT_EQ(Text("stMsk1"), c.mask == kUntouched ? maskBefore : c.mask);
        EXPECT_EQ(Text("stTmp"), c.temperature == kUntouched ? temperatureBefore : c.temperature);
    }

    // And the window still talks to its device.
    Click("btRead");
    EXPECT_EQ(device.NextRequest(), std::string("snd000\r\n"));
    ReplyAndWait(device, "0100,SND,0,21,50,240,1,0,1,5");
    EXPECT_EQ(Text("stTmp"), QStringLiteral("21°C"));
}

}  // namespace
