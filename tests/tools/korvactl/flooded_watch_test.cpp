// korvactl watch while another host floods its port with small datagrams: the flood must not crowd
// the device's replies out of the socket's buffer.
#include "tests/tools/korvactl/programs.h"
#include "tests/tools/support/udp_sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace korva::ctl::testing {
namespace {

// Sends one-byte datagrams from fromAddress to toAddress:port as fast as it can, until stopped or
// kMost have gone out.
class Flood {
public:
    static constexpr long kMost = 50'000'000;

    Flood(const char* fromAddress, const char* toAddress, std::uint16_t port) {
        sockaddr_in local = korva::testing::SocketAddress(fromAddress, 0);
        bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local);
        const sockaddr_in to = korva::testing::SocketAddress(toAddress, port);
        thread_ = std::thread([this, to] {
            for (long i = 0; i < kMost && !stop_; ++i) {
                if (sendto(fd_, "x", 1, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 1)
                    ++sent_;
            }
        });
    }
    ~Flood() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    long Sent() const { return sent_; }

private:
    int fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    std::atomic<bool> stop_{false};
    std::atomic<long> sent_{0};
    std::thread thread_;
};

// korvactl's own UDP port, once its endpoint is open.
std::uint16_t PortOf(const ChildProcess& program) {
    for (int i = 0; i < 2000; ++i) {
        const auto sockets = korva::testing::UdpSocketsOf(program.Pid());
        if (!sockets.empty())
            return sockets.front().localPort;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 0;
}

TEST(FloodedWatch, RepliesGetThroughAFloodFromAnotherAddress) {
    Simulator sim("127.0.0.205");
    ASSERT_TRUE(sim.Ready());
    constexpr int kRounds = 24;
    ChildProcess watch(KORVACTL_PATH,
                       {"watch", "127.0.0.205", "--interval", "100ms", "--count", std::to_string(kRounds)});
    const std::uint16_t port = PortOf(watch);
    ASSERT_NE(port, 0) << "korvactl opened no UDP socket";
    long flooded = 0;
    {
        Flood flood("127.0.0.206", "127.0.0.207", port);
        ASSERT_TRUE(watch.Wait().has_value());
        flooded = flood.Sent();
    }
    int answered = 0;
    for (const auto& record : JsonLines(watch.Out()))
        answered += record.value("keyword", "") == "SND" ? 1 : 0;
    EXPECT_GE(answered, kRounds - 2) << "rounds answered under a flood of " << flooded << " datagrams";
    EXPECT_GT(flooded, 10'000) << "the flood was too thin to prove anything";
}

}  // namespace
}  // namespace korva::ctl::testing
