// Another host on the network plays the device: it sends replies to the console's port from an address
// of its own, before and during a conversation, and floods write replies to lock the window with
// notices. Only the device the console talks to is believed, and a write reply answers only a write.
#include <QLabel>
#include <QTest>

#include <chrono>
#include <functional>
#include <thread>

#include "console/qt/TTILed.h"
#include "console_port.h"
#include "dialog_answerer.h"
#include "hand_over_counter.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/suite_addresses.h"
#include "tests/support/udp_sockets.h"
#include "window_fixture.h"

namespace {

using korva::testing::LoopbackPeer;

const korva::testing::SuiteAddresses addresses{"fault_spoofing"};
const std::string kDevice = addresses[1];
const std::string kAttacker = addresses[2];
const std::string kNewAddress = addresses[3];
const std::string kOldWriteReply = "0100,WPR,0";  // the plain form: a green notice on older devices

class SpoofingTest : public WindowTest {
protected:
    // Sends bytes from the attacker to the console, then a marker reply from the device, and returns
    // once the marker has been handled: whatever the attacker's datagram did has happened by then.
    void AttackThenWait(FakeDevice& device, const LoopbackPeer& attacker, const std::string& bytes) {
        attacker.Send(kDevice, consolePort_, bytes);
        ReplyAndWait(device, "0100,XYZ,0");
    }

    std::uint16_t consolePort_ = 0;
};

TEST_F(SpoofingTest, RepliesFromAnotherAddressNeverReachTheWindow) {
    FakeDevice device(kDevice);
    Open(kDevice);
    consolePort_ = ConsolePortOfThisProcess();
    ASSERT_NE(consolePort_, 0);
    LoopbackPeer attacker(kAttacker);
    HandOverCounter handed(console_->Console());
    DialogAnswerer operatorSays;

    // Before the first request the console talks to nobody, so nobody is heard, however long the
    // datagrams wait to be handled: read by the endpoint's thread and the event loop left to run.
    for (const std::string& bytes : {std::string("0100,SND,0,99,99,999,1,0,1,999"), kOldWriteReply})
        attacker.Send(kDevice, consolePort_, bytes);
    ASSERT_TRUE(korva::testing::WaitUntilRead("0.0.0.0", consolePort_));
    EXPECT_FALSE(ServeEventsUntil([&] { return handed.count() > 0; }, std::chrono::milliseconds(300)));
    EXPECT_TRUE(operatorSays.seen().empty());
    EXPECT_NE(Text("stTmp"), QStringLiteral("99°C"));
    Click("btRead");
    ASSERT_EQ(device.NextRequest(), "snd000\r\n");
    ASSERT_EQ(device.ConsolePort(), consolePort_);
    ReplyAndWait(device, "0100,SND,0,25,60,244,1,0,1,123");
    EXPECT_EQ(handed.count(), 1u) << "only the device's reply was handed over";
    EXPECT_TRUE(operatorSays.seen().empty());

    // A fake status with another echo number just before the reset click.
    AttackThenWait(device, attacker, "0100,SND,0,99,99,999,1,0,1,999");
    EXPECT_EQ(Text("stTmp"), QStringLiteral("25°C"));
    Click("ldAuto");
    Click("btRst");
    std::vector<std::string> requests = Tick(device, 2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "rPr000\r\n");
    EXPECT_EQ(requests[1], "rst0000050000123\r\n") << "the device's own echo number";

    // A fake parameter reply and a fake acknowledgement change nothing of the conversation.
    AttackThenWait(device, attacker, "0100,RPR,0," + kAttacker + ",255.0.0.0,127.0.0.1,0:1:2:3:4:5");
    AttackThenWait(device, attacker, "0100,RST,0,ACK");
    EXPECT_EQ(Text("stMsk1"), QString());
    requests = Tick(device, 2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "rPr000\r\n") << "no parameter reply came from the device yet";
    EXPECT_EQ(requests[1], "rst0000050000123\r\n") << "the reset is still pending";

    // The device's own acknowledgement ends the reset.
    ReplyAndWait(device, "0100,RST,0,ACK");
    EXPECT_EQ(Tick(device, 2).back(), "snd000\r\n");
    Click("ldAuto");
}

TEST_F(SpoofingTest, TheReadBackAfterAWriteIsHeardFromTheNewAddressUntilTheNextRequest) {
    FakeDevice device(kDevice);
    FakeDevice moved(kNewAddress);
    Open(kDevice);
    SetText("edIP2", QString::fromStdString(kNewAddress));
    SetText("edMsk2", QStringLiteral("255.0.0.0"));
    SetText("edGW2", QStringLiteral("127.0.0.1"));
    DialogAnswerer operatorSays(QStringLiteral("btSim"));
    Click("btWr1");
    ASSERT_EQ(device.NextRequest().value_or("").substr(0, 3), "wPr");
    ASSERT_EQ(moved.NextRequest(), "rPr000 \r\n");

    ReplyAndWait(moved, "0100,RPR,0," + kNewAddress + ",255.255.0.0,127.0.0.1,0:1:2:3:4:5");
    EXPECT_EQ(Text("stMsk1"), QStringLiteral("255.255.0.0"));
    ReplyAndWait(device, "0100,SND,0,25,60,244,1,0,1,123");
    EXPECT_EQ(Text("stTmp"), QStringLiteral("25°C")) << "the old address is still the device's";

    // The next request goes to the old address alone; the new one is not the device's any more.
    Click("btRd");
    ASSERT_EQ(device.NextRequest(), "rPr000 \r\n");
    HandOverCounter handed(console_->Console());
    moved.Reply("0100,RPR,0," + kNewAddress + ",255.255.255.0,127.0.0.1,0:1:2:3:4:5");
    ReplyAndWait(device, "0100,XYZ,0");
    EXPECT_EQ(handed.count(), 1u);
    EXPECT_EQ(Text("stMsk1"), QString());
}

TEST_F(SpoofingTest, AFloodOfWriteRepliesOpensNoNotice) {
    FakeDevice device(kDevice);
    Open(kDevice);
    consolePort_ = ConsolePortOfThisProcess();
    LoopbackPeer attacker(kAttacker);
    DialogAnswerer operatorSays;
    Click("btRead");
    ASSERT_TRUE(device.NextRequest());
    HandOverCounter handed(console_->Console());

    // From another address none is even handed over; from the device's own address (a spoofed source,
    // or a confused device) none was asked for, so none opens the five-second notice. Sent in bursts
    // the socket buffer holds, each let through before the next, so that the reply behind them is not
    // lost to a full buffer.
    const auto pour = [&](const std::function<void()>& sendOne, std::size_t handedPerBurst) {
        for (int burst = 0; burst < 40; ++burst) {
            const std::size_t before = handed.count();
            for (int i = 0; i < 50; ++i)
                sendOne();
            if (!ServeEventsUntil([&] { return handed.count() >= before + handedPerBurst; }, std::chrono::seconds(2)))
                ADD_FAILURE() << "burst " << burst << " was not handed over whole";
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // time to read the burst away
        }
    };
    pour([&] { attacker.Send(kDevice, consolePort_, kOldWriteReply); }, 0);
    ReplyAndWait(device, "0100,XYZ,0");
    EXPECT_EQ(handed.count(), 1u);
    pour([&] { device.Reply(kOldWriteReply); }, 50);
    ReplyAndWait(device, "0100,SND,0,25,60,244,1,0,1,123");
    EXPECT_EQ(handed.count(), 2002u);
    EXPECT_TRUE(operatorSays.seen().empty()) << operatorSays.seen().size() << " notices";
    EXPECT_EQ(Text("stTmp"), QStringLiteral("25°C"));
}

}  // namespace
