// Replies per second from a device on loopback through the endpoint's receiving thread, the hand-over
// to the main thread, the window's reply handler and its display, against a bare receive loop on the
// same kind of socket in the same run; and the polling timer's ticks while the replies pour in.
//
//   handover_bench [--seconds S] [--device 127.0.0.180]
//
// Prints one "name value" line per figure. Runs on any Qt platform; QT_QPA_PLATFORM=offscreen is meant.
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "bench/flooding_device.h"
#include "bench/loopback_window.h"
#include "bench/options.h"
#include "bench/run_for.h"
#include "protocol/messages.h"
#include "tests/support/loopback_peer.h"
#include "transport/udp_endpoint.h"

namespace {

using Clock = std::chrono::steady_clock;
using korva::bench::FloodingDevice;
using korva::bench::RunEventLoopFor;

constexpr auto kWarmUp = std::chrono::milliseconds(500);

struct Options {
    std::chrono::milliseconds window{10'000};
    std::chrono::milliseconds baseline{3'000};
    std::string device = "127.0.0.180";
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    korva::bench::ReadOptions(
        argc, argv, 1,
        {{"--seconds",
          [&](const std::string& value) { options.window = std::chrono::milliseconds(std::stoi(value) * 1000); }},
         {"--device", [&](const std::string& value) { options.device = value; }}});
    return options;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Where the main thread's time goes: the application measures every event it delivers at the outermost
// level, by kind: the hand-overs (the reply handler), the window's repaints, and everything else.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --depth_;
            return handled;
        }
        const QEvent::Type type = event->type();
        const auto start = Clock::now();
        const bool handled = QApplication::notify(receiver, event);
        const auto spent = Clock::now() - start;
        --depth_;
        (type == QEvent::MetaCall ? handOvers_ : type == QEvent::UpdateRequest ? repaints_ : others_) += spent;
        return handled;
    }

    struct Spent {
        Clock::duration handOvers{}, repaints{}, others{};
    };
    Spent Total() const { return {handOvers_, repaints_, others_}; }

private:
    int depth_ = 0;
    Clock::duration handOvers_{};
    Clock::duration repaints_{};
    Clock::duration others_{};
};

void Print(const char* name, double value) {
    std::printf("%s %.6g\n", name, value);
}

// What the endpoint's receiving thread does, minus the hand-over: wait, read, count.
class BareReceiver {
public:
    BareReceiver() : thread_([this] { Receive(); }) {}
    ~BareReceiver() {
        stop_ = true;
        thread_.join();
    }
    std::uint16_t Port() const { return peer_.Port(); }
    std::uint64_t Count() const { return count_.load(std::memory_order_relaxed); }

private:
    void Receive() {
        while (!stop_)
            count_.fetch_add(peer_.Discard(std::chrono::milliseconds(100)), std::memory_order_relaxed);
    }

    // Where the flooding device sends: the loopback address the window's endpoint is reached on.
    korva::testing::LoopbackPeer peer_{"127.0.0.1"};
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> count_{0};
    std::thread thread_;
};

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Rate {
    double perSecond = 0;
    std::uint64_t lost = 0;
    // The main thread's processor time per datagram: what the rate would be bounded by on a machine of
    // its own, whatever else shares this one.
    double mainThreadMicroseconds = 0;
};

// Floods port for warm-up plus duration and returns the receiver's pace over duration. runLoop keeps
// the main thread going meanwhile (the event loop, or a plain sleep when nothing runs there).
template <typename Counter, typename RunLoop>
Rate Measure(FloodingDevice& device, std::uint16_t port, const Counter& count, std::chrono::milliseconds duration,
             const RunLoop& runLoop, Clock::time_point* from = nullptr, Clock::time_point* to = nullptr) {
    device.Start(port, count);
    runLoop(kWarmUp);
    const std::uint64_t before = count();
    const auto start = Clock::now();
    const double cpuBefore = ThreadCpuSeconds();
    runLoop(duration);
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const std::uint64_t after = count();
    const auto end = Clock::now();
    device.Stop();
    if (from != nullptr)
        *from = start;
    if (to != nullptr)
        *to = end;
    const auto handled = static_cast<double>(after - before);
    return {handled / Seconds(end - start), device.Lost(), handled > 0 ? cpu * 1e6 / handled : 0};
}

void Sleep(std::chrono::milliseconds d) {
    std::this_thread::sleep_for(d);
}

}  // namespace

int main(int argc, char** argv) {
    TimedApplication application(argc, argv);
    const Options options = ParseOptions(argc, argv);
    FloodingDevice device(options.device, korva::kDevicePort);

    {
        BareReceiver bare;
        const Rate rate = Measure(
            device, bare.Port(), [&] { return bare.Count(); }, options.baseline, Sleep);
        Print("bare_per_s", rate.perSecond);
    }

    {
        // The endpoint handing over to the main thread through a queued call, with no window behind it.
        QObject owner;
        std::atomic<std::uint64_t> handled{0};
        korva::transport::UdpEndpoint endpoint(
            [&](const std::string&, const korva::transport::Sender&) {
                handled.fetch_add(1, std::memory_order_relaxed);
            },
            [&] {
                QMetaObject::invokeMethod(
                    &owner, [&] { endpoint.ServePending(); }, Qt::QueuedConnection);
            });
        endpoint.SetActive(true);
        const Rate rate = Measure(
            device, endpoint.LocalPort(), [&] { return handled.load(std::memory_order_relaxed); }, options.baseline,
            RunEventLoopFor);
        endpoint.SetActive(false);
        Print("endpoint_per_s", rate.perSecond);
        Print("endpoint_main_us_per_reply", rate.mainThreadMicroseconds);
    }

    korva::bench::LoopbackWindow window(options.device);
    std::vector<Clock::time_point> ticks;
    QObject::connect(window.Window().findChild<QTimer*>(QStringLiteral("TmrRd")), &QTimer::timeout,
                     [&] { ticks.push_back(Clock::now()); });
    window.StartPolling();
    // The first polling tick asks the device: its request tells where the window listens.
    std::uint16_t port = 0;
    for (const auto give_up = Clock::now() + std::chrono::seconds(3); port == 0 && Clock::now() < give_up;) {
        RunEventLoopFor(std::chrono::milliseconds(20));
        port = device.TakeRequest();
    }
    if (port == 0) {
        std::fprintf(stderr, "handover_bench: the window sent no request to %s\n", options.device.c_str());
        return 1;
    }
    Clock::time_point from;
    Clock::time_point to;
    TimedApplication::Spent before;
    const Rate rate = Measure(
        device, port, [&] { return window.DatagramsHandled(); }, options.window,
        [&](std::chrono::milliseconds duration) {
            // The warm-up runs first; what is spent from then on is the measured part.
            before = application.Total();
            RunEventLoopFor(duration);
        },
        &from, &to);
    const TimedApplication::Spent after = application.Total();
    const double replies = rate.perSecond * Seconds(to - from);
    const auto perReply = [&](Clock::duration spent) { return Seconds(spent) * 1e6 / replies; };
    Print("window_per_s", rate.perSecond);
    Print("window_handler_us_per_reply", perReply(after.handOvers - before.handOvers));
    Print("window_repaint_us_per_reply", perReply(after.repaints - before.repaints));
    Print("window_other_events_us_per_reply", perReply(after.others - before.others));
    Print("window_lost", static_cast<double>(rate.lost));
    Print("window_main_us_per_reply", rate.mainThreadMicroseconds);

    std::vector<double> intervals;
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        if (ticks[i - 1] >= from && ticks[i] <= to)
            intervals.push_back(Seconds(ticks[i] - ticks[i - 1]) * 1000);
    }
    if (intervals.empty()) {
        std::fprintf(stderr, "handover_bench: no polling tick during the run\n");
        return 1;
    }
    const auto [shortest, longest] = std::minmax_element(intervals.begin(), intervals.end());
    double sum = 0;
    for (double interval : intervals)
        sum += interval;
    Print("tick_count", static_cast<double>(intervals.size()));
    Print("tick_mean_ms", sum / static_cast<double>(intervals.size()));
    Print("tick_min_ms", *shortest);
    Print("tick_max_ms", *longest);
    Print("tick_worst_deviation_pct", std::max(500 - *shortest, *longest - 500) / 500 * 100);
    return 0;
}
