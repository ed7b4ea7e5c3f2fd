// The console under a flood of status replies: it keeps polling, its memory stays bounded, a button
// still works afterwards, and closing during the flood is prompt and saves the boxes. Handled
// datagrams per second, kernel drops and the time to close are printed for the record.
#include <QEventLoop>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>

#include "app/console_settings.h"
#include "console/TILed.h"
#include "datagram_source.h"
#include "hand_over_counter.h"
#include "process_figures.h"
#include "window_fixture.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kFloodSize = 100'000;
// Reached only when the polling timer starves: then the flood ends and the tick count fails the test.
constexpr std::size_t kFloodLimit = 5'000'000;
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

// Runs the event loop in slices of 20 ms until done() holds or bound has passed. Neither QTest::qWait
// nor qWaitFor would do: they sleep between slices, and under a flood one of their slices lasts the
// whole wait because the event queue never runs dry.
bool ServeEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    const auto deadline = Clock::now() + bound;
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        QEventLoop slice;
        QTimer::singleShot(20, &slice, &QEventLoop::quit);
        slice.exec();
    }
    return true;
}

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
    void StartPolling(FakeDevice& device, const char* address) {
        Open(address);
        Child<QTimer>("TmrRd")->start();
        Click("ldAuto");
        ASSERT_TRUE(ServeEventsUntil([&] { return !device.WaitingRequests().empty(); }, 5s)) << "no polling request";
    }
};

TEST_F(FloodTest, PollingGoesOnThroughAFloodAndAButtonWorksAfterwards) {
    const char* const address = "127.0.0.140";
    FakeDevice device(address);
    StartPolling(device, address);
    const std::uint16_t consolePort = device.ConsolePort();

    const long residentBefore = ProcessMemoryKiB("VmRSS");
    const long dropsBefore = UdpReceiveBufferErrors();
    HandOverCounter handed(window_.get());
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
    DatagramSource lastWord(address);
    ASSERT_TRUE(lastWord.SendTo(address, consolePort, "0100,SND,0,-5,10,120,0,1,0,1"));
    ASSERT_TRUE(ServeEventsUntil([&] { return Text("stTmp") == QStringLiteral("-5°C"); }, 5s));

    Click("ldAuto");
    ASSERT_FALSE(Child<TTILed>("ldAuto")->ledOn());
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

TEST_F(FloodTest, ClosingDuringAFloodReturnsAndSavesWhatTheBoxesHeld) {
    const char* const address = "127.0.0.141";
    FakeDevice device(address);
    StartPolling(device, address);
    SetText("edMsk2", QStringLiteral("255.255.240.0"));
    SetText("edGW2", QStringLiteral("127.0.0.9"));
    HandOverCounter handed(window_.get());
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
    EXPECT_EQ(saved.gateway, "127.0.0.9");
}

}  // namespace
