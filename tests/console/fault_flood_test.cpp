// The console under a flood of status replies: it keeps polling, its memory stays bounded, a button
// still works afterwards, and closing during the flood is prompt and saves the boxes. Handled
// datagrams per second, kernel drops and the time to close are printed for the record.
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <QSignalSpy>

#include <chrono>
#include <functional>
#include <string>

#include "app/settings/console_settings.h"
#include "console/qt/TTILed.h"
#include "console_port.h"
#include "hand_over_counter.h"
#include "process_figures.h"
#include "shown_texts.h"
#include "tests/support/flood.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/suite_addresses.h"
#include "window_fixture.h"

namespace {

using korva::console::TTILed;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using korva::testing::Flood;
using korva::testing::LoopbackPeer;

const korva::testing::SuiteAddresses addresses{"fault_flood"};

constexpr std::size_t kFloodSize = 100'000;
// Reached only when the polling timer starves: then the flood ends and the tick count fails the test. A
// fast machine sends half a million a second on loopback, so this lasts well beyond the ten seconds of
// twenty polling periods.
constexpr std::size_t kFloodLimit = 20'000'000;
constexpr int kTicksDuringFlood = 3;
// Generous: the window keeps no history, so a flood must not grow it by more than allocator noise.
// AddressSanitizer holds freed memory back in a quarantine of up to 256 MiB, which counts as resident.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kMemoryGrowthBoundKiB = 512 * 1024;
#else
constexpr long kMemoryGrowthBoundKiB = 256 * 1024;
#endif
const std::string kFloodReply = "0100,SND,0,31,62,250,1,0,1,4242";
const std::string kLiveDataRequest = "snd000\r\n";

// Serves events until no datagram has been handed over for a quarter of a second: whatever a flood
// left in the socket buffer has been handled.
bool ServeUntilQuiet(const HandOverCounter& handed) {
    std::size_t last = handed.count();
    auto quietSince = Clock::now();
    return ServeEventsUntil(
        [&] {
            if (handed.count() != last) {
                last = handed.count();
                quietSince = Clock::now();
            }
            return Clock::now() - quietSince >= 250ms;
        },
        30s);
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class FloodTest : public WindowTest {
protected:
    // Automatic mode with the real polling timer, until the device has heard the console, so that it
    // knows the console's port.
    void StartPolling(FakeDevice& device, const std::string& address) {
        Open(address);
        Child<QTimer>("TmrRd")->start();
        Click("ldAuto");
        ASSERT_TRUE(ServeEventsUntil([&] { return !device.WaitingRequests().empty(); }, 5s)) << "no polling request";
    }
};

TEST_F(FloodTest, PollingGoesOnThroughAFloodAndAButtonWorksAfterwards) {
    const std::string address = addresses[1];
    FakeDevice device(address);
    StartPolling(device, address);
    const std::uint16_t consolePort = device.ConsolePort();

    const long residentBefore = ProcessMemoryKiB("VmRSS");
    const long dropsBefore = UdpReceiveBufferErrors();
    HandOverCounter handed(console_->Console());
    int liveDataRequests = 0;
    std::size_t sent = 0;
    const auto start = Clock::now();
    {
        Flood flood(address, address, consolePort, kFloodReply, kFloodLimit);
        ServeEventsUntil(
            [&] {
                for (const std::string& request : device.WaitingRequests())
                    liveDataRequests += request == kLiveDataRequest;
                return (flood.Sent() >= kFloodSize && liveDataRequests >= kTicksDuringFlood) || flood.Finished();
            },
            120s);
        flood.Stop();
        sent = flood.Sent();
    }
    const double seconds = SecondsSince(start);
    const std::size_t handedDuringFlood = handed.count();
    const long drops = UdpReceiveBufferErrors() - dropsBefore;
    const long residentGrowth = ProcessMemoryKiB("VmRSS") - residentBefore;

    ReportFigure("flood.datagrams_sent", static_cast<double>(sent));
    ReportFigure("flood.seconds", seconds);
    ReportFigure("flood.datagrams_handled", static_cast<double>(handedDuringFlood));
    ReportFigure("flood.handled_per_second", static_cast<double>(handedDuringFlood) / seconds);
    ReportFigure("flood.kernel_receive_buffer_drops", static_cast<double>(drops));
    ReportFigure("flood.live_data_requests", liveDataRequests);
    ReportFigure("flood.rss_growth_kib", static_cast<double>(residentGrowth));
    ReportFigure("flood.peak_rss_kib", static_cast<double>(ProcessMemoryKiB("VmHWM")));

    EXPECT_GE(sent, kFloodSize);
    EXPECT_GE(liveDataRequests, kTicksDuringFlood) << "the polling timer starved under the flood";
    EXPECT_GT(handedDuringFlood, 0u);
    EXPECT_LT(residentGrowth, kMemoryGrowthBoundKiB);
    EXPECT_EQ(Text("stTmp"), QStringLiteral("31°C"));

    // Once the buffer is empty, a reply sent now is the last one the window shows.
    ASSERT_TRUE(ServeUntilQuiet(handed));
    LoopbackPeer lastWord(address);
    lastWord.Send(address, consolePort, "0100,SND,0,-5,10,120,0,1,0,1");
    ASSERT_TRUE(ServeEventsUntil([&] { return Text("stTmp") == QStringLiteral("-5°C"); }, 5s));

    Click("ldAuto");
    ASSERT_FALSE(Child<TTILed>("ldAuto")->LedOn());
    // A polling request still on its way would be taken for the button's.
    QTest::qWait(100);
    device.WaitingRequests();
    Click("btRead");
    EXPECT_EQ(Text("stTmp"), QString()) << "the button clears its display";
    EXPECT_EQ(device.NextRequest(), kLiveDataRequest);
    ReplyAndWait(device, "0100,SND,0,22,40,241,0,1,0,7");
    EXPECT_EQ(Text("stTmp"), QStringLiteral("22°C"));
    EXPECT_EQ(Text("stBat"), QStringLiteral("24,1V"));
}

// What became of the device's own replies while a flood poured in.
struct RealReplies {
    int answered = 0;  // live-data requests the device answered, each with a reading of its own
    int shown = 0;     // of those readings, how many the window showed
    int ticks = 0;     // polling ticks meanwhile
    int requests = 0;  // live-data requests the device received meanwhile
};

// The device answers each live-data request with temperature 100 + n and echo n (n = 1, 2, …), never
// the flood's 31, until it has answered `answers` requests or the bound has passed.
RealReplies AnswerThroughAFlood(FakeDevice& device, const QLabel* temperature, QTimer* timer, int answers) {
    RealReplies result;
    ShownTexts shown(temperature);
    QSignalSpy ticks(timer, &QTimer::timeout);
    ServeEventsUntil(
        [&] {
            for (const std::string& request : device.WaitingRequests()) {
                if (request != kLiveDataRequest || result.answered >= answers)
                    continue;
                ++result.requests;
                ++result.answered;
                const std::string n = std::to_string(result.answered);
                device.Reply("0100,SND,0," + std::to_string(100 + result.answered) + ",60,244,1,0,1," + n);
            }
            result.ticks = static_cast<int>(ticks.count());
            return result.answered >= answers;
        },
        60s);
    // The last reply's way through the flood.
    ServeEventsUntil([] { return false; }, 300ms);
    for (int n = 1; n <= result.answered; ++n)
        result.shown += shown.texts().count(QString::number(100 + n) + QStringLiteral("°C")) > 0 ? 1 : 0;
    return result;
}

void ReportRealReplies(const std::string& flood, const RealReplies& replies, std::size_t sent) {
    ReportFigure(flood + ".datagrams_sent", static_cast<double>(sent));
    ReportFigure(flood + ".device_replies", replies.answered);
    ReportFigure(flood + ".device_replies_shown", replies.shown);
    ReportFigure(flood + ".polling_ticks", replies.ticks);
    ReportFigure(flood + ".live_data_requests_received", replies.requests);
}

constexpr int kRealReplies = 20;

TEST_F(FloodTest, AForeignFloodLetsTheDeviceThrough) {
    const std::string address = addresses[3];
    const std::string elsewhere = addresses[4];
    FakeDevice device(address);
    StartPolling(device, address);
    const std::uint16_t consolePort = ConsolePortOfThisProcess();
    ASSERT_NE(consolePort, 0);
    HandOverCounter handed(console_->Console());
    const long dropsBefore = UdpReceiveBufferErrors();

    Flood flood(elsewhere, address, consolePort, kFloodReply, kFloodLimit);
    const RealReplies replies =
        AnswerThroughAFlood(device, Child<QLabel>("stTmp"), Child<QTimer>("TmrRd"), kRealReplies);
    flood.Stop();
    ReportRealReplies("foreign_flood", replies, flood.Sent());
    ReportFigure("foreign_flood.datagrams_handed_over", static_cast<double>(handed.count()));
    ReportFigure("foreign_flood.kernel_receive_buffer_drops",
                 static_cast<double>(UdpReceiveBufferErrors() - dropsBefore));

    ASSERT_EQ(replies.answered, kRealReplies) << "the device heard too few polling requests";
    EXPECT_FALSE(flood.Finished()) << "the flood ran out before the device had answered";
    EXPECT_GE(replies.requests + 1, replies.ticks) << "every polling tick reached the device";
    EXPECT_GE(replies.shown * 100, replies.answered * 95) << "the flood cost the device its replies";
    EXPECT_EQ(handed.count(), static_cast<std::size_t>(replies.shown))
        << "nothing but the device's replies reached the window";
    Click("ldAuto");
}

TEST_F(FloodTest, AFloodFromTheDevicesOwnAddressIsHandledAndCounted) {
    const std::string address = addresses[5];
    FakeDevice device(address);
    StartPolling(device, address);
    Flood flood(address, address, device.ConsolePort(), kFloodReply, kFloodLimit);
    const RealReplies replies =
        AnswerThroughAFlood(device, Child<QLabel>("stTmp"), Child<QTimer>("TmrRd"), kRealReplies);
    flood.Stop();
    ReportRealReplies("own_address_flood", replies, flood.Sent());

    // Its source is the device's, so nothing tells it apart: what counts is that polling goes on.
    ASSERT_EQ(replies.answered, kRealReplies) << "the device heard too few polling requests";
    EXPECT_GE(replies.requests + 1, replies.ticks) << "every polling tick reached the device";
    Click("ldAuto");
}

TEST_F(FloodTest, ClosingDuringAFloodReturnsAndSavesWhatTheBoxesHeld) {
    const std::string address = addresses[2];
    FakeDevice device(address);
    StartPolling(device, address);
    SetText("edMsk2", QStringLiteral("255.255.240.0"));
    const std::string gateway = addresses[254];
    SetText("edGW2", QString::fromStdString(gateway));
    HandOverCounter handed(console_->Console());
    Flood flood(address, address, device.ConsolePort(), kFloodReply, kFloodLimit);
    ASSERT_TRUE(ServeEventsUntil([&] { return handed.count() >= 1000; }, 30s)) << "the flood did not arrive";

    // A hang here ends at the test's time-out; the figure records how long closing took.
    const auto start = Clock::now();
    const bool closed = window_->close();
    const double seconds = SecondsSince(start);
    flood.Stop();
    ReportFigure("close_during_flood.seconds", seconds);

    EXPECT_TRUE(closed);
    EXPECT_FALSE(window_->isVisible());
    const korva::app::ConsoleSettings saved = korva::app::ReadConsoleSettings(SettingsPath().toStdString());
    EXPECT_EQ(saved.address, address);
    EXPECT_EQ(saved.mask, "255.255.240.0");
    EXPECT_EQ(saved.gateway, gateway);
}

}  // namespace
