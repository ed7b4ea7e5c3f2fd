#include "tools/sim/sim_server.h"

#include "protocol/text_fields.h"
#include "tools/common/time_text.h"
#include "tools/sim/delayed_replies.h"
#include "tools/sim/faults.h"
#include "tools/sim/sim_capacity.h"
#include "tools/sim/sim_fleet.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <vector>

namespace korva::sim {
namespace {

using Clock = DelayedReplies::Clock;

// What Open returns when a stop request came while it opened the sockets.
const std::string kStopped = "stopped";

std::string Printable(std::string_view bytes) {
    std::ostringstream text;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            text << "\\r";
        } else if (c == '\n') {
            text << "\\n";
        } else if (c == '\\') {
            text << "\\\\";
        } else if (byte < 32 || byte > 126) {
            text << "\\x" << std::hex << std::uppercase << std::setw(2) << std::setfill('0') << int{byte} << std::dec;
        } else {
            text << c;
        }
    }
    return text.str();
}

std::string Peer(const sockaddr_in& address) {
    std::array<char, INET_ADDRSTRLEN> text{};
    inet_ntop(AF_INET, &address.sin_addr, text.data(), text.size());
    return std::string(text.data()) + ":" + std::to_string(ntohs(address.sin_port));
}

std::string FormName(const ScrambleForm& form) {
    if (form.version == 0)
        return "plain";
    std::string name = "form " + std::to_string(form.version);
    if (form.version >= 130)
        name += " (key " + HexText(form.key, 2) + ", n " + HexText(form.n, 2) + ")";
    return name;
}

// One socket per address, each bound to its address alone: the port is shared with whatever else runs
// on the machine's other loopback addresses, so a wildcard socket would take their traffic too. The
// descriptor limit is the price; it is raised to its hard limit when the range needs it.
class Server {
public:
    Server(const SimOptions& options, std::ostream& out)
        : options_(options),
          out_(out),
          fleet_({options.addresses, options.devices.value_or(options.addresses.count), options.form, options.seed,
                  options.faults.resetAcknowledgedOn}),
          faults_(options.faults, options.seed + 1) {}

    ~Server() {
        for (const int socket : sockets_)
            close(socket);
        if (epoll_ >= 0)
            close(epoll_);
    }

    // Empty on success, otherwise what went wrong.
    std::string Open(int stopFd) {
        if (const std::string problem = RaiseDescriptorLimit(); !problem.empty())
            return problem;
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        if (epoll_ < 0 || !Watch(stopFd, kStopMark))
            return std::string("cannot wait for sockets: ") + std::strerror(errno);
        sockets_.reserve(options_.addresses.count);
        for (std::uint64_t i = 0; i < options_.addresses.count; ++i) {
            // Thousands of sockets take a while to open: a stop request is heard meanwhile too.
            if (i % kSocketsBetweenLooks == 0 && StopRequested(stopFd))
                return kStopped;
            const sockaddr_in local = LocalAddress(i);
            const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (socket < 0)
                return std::string("cannot create a socket: ") + std::strerror(errno);
            sockets_.push_back(socket);
            if (bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
                return "cannot bind " + Peer(local) + ": " + std::strerror(errno);
            if (!Watch(socket, i))
                return std::string("cannot wait for sockets: ") + std::strerror(errno);
        }
        out_ << "korva-sim answering on " << Ipv4RangeText(options_.addresses) << ":" << options_.port;
        if (options_.addresses.count > 1)
            out_ << " (" << options_.devices.value_or(options_.addresses.count) << " devices)";
        out_ << ", " << FormName(options_.form) << std::endl;
        return {};
    }

    void Serve() {
        std::array<epoll_event, 64> ready;
        while (true) {
            const int count = epoll_wait(epoll_, ready.data(), ready.size(), MillisecondsToNextDelayed());
            if (count < 0 && errno != EINTR)
                return;
            SendDueReplies();
            for (int i = 0; i < count; ++i) {
                if (ready[i].data.u64 == kStopMark)
                    return;
                ReceiveAll(ready[i].data.u64);
            }
        }
    }

    // At the end of the run: what the bound on delayed replies cost, when it cost anything.
    void ReportDroppedDelayed() const {
        if (delayed_.Dropped() > 0)
            out_ << "korva-sim: " << delayed_.Dropped() << " delayed replies dropped, " << delayed_.MostWaiting()
                 << " waited at most" << std::endl;
    }

private:
    static constexpr std::uint64_t kStopMark = ~std::uint64_t{0};
    // Datagrams read from one socket before the others get their turn.
    static constexpr int kBurst = 16;
    static constexpr std::uint64_t kSocketsBetweenLooks = 1024;

    static bool StopRequested(int stopFd) {
        pollfd stop{stopFd, POLLIN, 0};
        return poll(&stop, 1, 0) > 0;
    }

    // The hard limit was found enough by CapacityProblem.
    std::string RaiseDescriptorLimit() const {
        rlimit limit{};
        getrlimit(RLIMIT_NOFILE, &limit);
        if (options_.addresses.count + kOtherDescriptors <= limit.rlim_cur)
            return {};
        limit.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            return std::string("cannot raise the descriptor limit: ") + std::strerror(errno);
        return {};
    }

    bool Watch(int fd, std::uint64_t mark) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = mark;
        return epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) == 0;
    }

    sockaddr_in LocalAddress(std::uint64_t index) const {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(options_.port);
        local.sin_addr.s_addr = htonl(options_.addresses.At(index));
        return local;
    }

    int MillisecondsToNextDelayed() const {
        const auto due = delayed_.NextDue();
        if (!due)
            return -1;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now());
        return static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0));
    }

    void SendDueReplies() {
        for (const Outgoing& reply : delayed_.TakeDue(Clock::now()))
            Send(reply);
    }

    void ReceiveAll(std::uint64_t index) {
        for (int i = 0; i < kBurst && Receive(index); ++i) {
        }
    }

    // false when nothing was waiting.
    bool Receive(std::uint64_t index) {
        std::array<char, 8192> buffer;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const int socket = sockets_[index];
        const ssize_t length =
            recvfrom(socket, buffer.data(), buffer.size(), MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length < 0)
            return errno == EINTR;
        if (static_cast<std::size_t>(length) > buffer.size())
            return true;
        const std::uint32_t device = options_.addresses.At(index);
        const std::string_view request(buffer.data(), static_cast<std::size_t>(length));
        Log(device, "<-", from, Printable(request));

        const auto reply = fleet_.Answer(device, request);
        if (!reply) {
            Log(device, "  ", from, "(not answered)");
            return true;
        }
        const auto faulty = faults_.Apply(*reply, options_.form);
        if (!faulty) {
            Log(device, "x ", from, Printable(reply->plain) + "  [dropped]");
            return true;
        }
        Log(device, "->", from,
            Printable(faulty->reply.plain) + (faulty->faults.empty() ? "" : "  [" + faulty->faults + "]"));
        Outgoing outgoing{socket, from, faulty->reply.sent};
        if (options_.faults.delayMs <= 0) {
            Send(outgoing);
        } else if (!delayed_.Add(Clock::now() + std::chrono::milliseconds(options_.faults.delayMs),
                                 std::move(outgoing))) {
            Log(device, "x ", from,
                "(no room for another delayed reply, " + std::to_string(delayed_.Waiting()) + " waiting)  [dropped]");
        }
        return true;
    }

    void Send(const Outgoing& outgoing) {
        // A lost reply is what a real device gives on a bad link too; the console copes with it.
        [[maybe_unused]] const auto sent = sendto(outgoing.socket, outgoing.bytes.data(), outgoing.bytes.size(), 0,
                                                  reinterpret_cast<const sockaddr*>(&outgoing.to), sizeof outgoing.to);
    }

    void Log(std::uint32_t device, const char* direction, const sockaddr_in& peer, const std::string& text) {
        if (!options_.verbose)
            return;
        out_ << tools::TimeText(std::chrono::system_clock::now(), tools::TimeStyle::kLocalClock) << ' ';
        if (options_.addresses.count > 1)
            out_ << Ipv4Text(device) << ' ';
        out_ << direction << ' ' << Peer(peer) << ' ' << text << std::endl;
    }

    const SimOptions& options_;
    std::ostream& out_;
    SimFleet fleet_;
    FaultInjector faults_;
    int epoll_ = -1;
    std::vector<int> sockets_;  // one per address, in the order of the range
    DelayedReplies delayed_;
};

}  // namespace

int RunSimulator(const SimOptions& options, int stopFd, std::ostream& out, std::ostream& errors) {
    rlimit descriptors{};
    getrlimit(RLIMIT_NOFILE, &descriptors);
    if (const std::string problem = CapacityProblem(options, descriptors.rlim_max, kMemoryBudget); !problem.empty()) {
        errors << "korva-sim: " << problem << std::endl;
        return 1;
    }
    Server server(options, out);
    if (const std::string problem = server.Open(stopFd); problem == kStopped) {
        return 0;
    } else if (!problem.empty()) {
        errors << "korva-sim: " << problem << std::endl;
        return 1;
    }
    server.Serve();
    server.ReportDroppedDelayed();
    return 0;
}

}  // namespace korva::sim
