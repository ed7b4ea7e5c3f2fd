#include "tests/support/http_burst.h"

#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "tests/support/loopback_address.h"

namespace korva::testing {

namespace {

struct Exchange {
    int fd = -1;
    std::string request;
    std::size_t sent = 0;
    std::string received;
    bool done = false;
};

int StatusOf(const std::string& answer) {
    if (!answer.starts_with("HTTP/1.") || answer.size() < 12)
        return 0;
    return std::stoi(answer.substr(9, 3));
}

std::string BodyOf(const std::string& answer) {
    const std::size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

}  // namespace

std::size_t RaiseDescriptorLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    return static_cast<std::size_t>(limit.rlim_cur);
}

std::vector<BurstAnswer> GetAll(const std::string& address, std::uint16_t port, const std::vector<std::string>& paths,
                                std::chrono::milliseconds patience) {
    RaiseDescriptorLimit();
    const sockaddr_in server = LoopbackAddress(address, port);
    const auto start = std::chrono::steady_clock::now();
    const int epoll = epoll_create1(EPOLL_CLOEXEC);
    std::vector<Exchange> exchanges(paths.size());
    std::vector<BurstAnswer> answers(paths.size());
    std::size_t open = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        Exchange& exchange = exchanges[i];
        exchange.request = "GET " + paths[i] + " HTTP/1.0\r\nHost: " + address + "\r\n\r\n";
        exchange.fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (exchange.fd < 0 ||
            (connect(exchange.fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0 &&
             errno != EINPROGRESS)) {
            exchange.done = true;
            continue;
        }
        epoll_event event{};
        event.events = EPOLLOUT | EPOLLIN;
        event.data.u64 = i;
        epoll_ctl(epoll, EPOLL_CTL_ADD, exchange.fd, &event);
        ++open;
    }
    std::array<epoll_event, 256> events{};
    while (open > 0) {
        const auto left = patience - (std::chrono::steady_clock::now() - start);
        if (left <= std::chrono::nanoseconds(0))
            break;
        const int ready = epoll_wait(epoll, events.data(), static_cast<int>(events.size()),
                                     static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
        for (int r = 0; r < ready; ++r) {
            const std::size_t i = events[static_cast<std::size_t>(r)].data.u64;
            Exchange& exchange = exchanges[i];
            if (exchange.done)
                continue;
            bool finished = false;
            if (exchange.sent < exchange.request.size()) {
                const ssize_t sent = send(exchange.fd, exchange.request.data() + exchange.sent,
                                          exchange.request.size() - exchange.sent, MSG_NOSIGNAL);
                if (sent > 0)
                    exchange.sent += static_cast<std::size_t>(sent);
                else if (errno != EAGAIN && errno != EINPROGRESS)
                    finished = true;
                if (exchange.sent == exchange.request.size()) {
                    epoll_event event{};
                    event.events = EPOLLIN;
                    event.data.u64 = i;
                    epoll_ctl(epoll, EPOLL_CTL_MOD, exchange.fd, &event);
                }
            }
            std::array<char, 16384> chunk{};
            while (!finished) {
                const ssize_t got = recv(exchange.fd, chunk.data(), chunk.size(), 0);
                if (got > 0) {
                    exchange.received.append(chunk.data(), static_cast<std::size_t>(got));
                    continue;
                }
                finished = got == 0 || (errno != EAGAIN && errno != EINTR);
                break;
            }
            if (finished) {
                exchange.done = true;
                answers[i] = {StatusOf(exchange.received), BodyOf(exchange.received),
                              std::chrono::steady_clock::now() - start};
                close(exchange.fd);
                exchange.fd = -1;
                --open;
            }
        }
    }
    for (Exchange& exchange : exchanges) {
        if (exchange.fd >= 0)
            close(exchange.fd);
    }
    close(epoll);
    return answers;
}

}  // namespace korva::testing
