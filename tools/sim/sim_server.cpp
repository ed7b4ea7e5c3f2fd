#include "tools/sim/sim_server.h"

#include "protocol/text_fields.h"
#include "tools/sim/delayed_replies.h"
#include "tools/sim/faults.h"
#include "tools/sim/sim_device.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <iomanip>
#include <sstream>

namespace korva::sim {
namespace {

using Clock = DelayedReplies::Clock;

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

std::string TimeOfDay() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    std::ostringstream text;
    text << std::put_time(&local, "%H:%M:%S") << '.' << std::setw(3) << std::setfill('0') << millis;
    return text.str();
}

std::string FormName(const ScrambleForm& form) {
    if (form.version == 0)
        return "plain";
    std::string name = "form " + std::to_string(form.version);
    if (form.version >= 130)
        name += " (key " + HexText(form.key, 2) + ", n " + HexText(form.n, 2) + ")";
    return name;
}

class Server {
public:
    Server(const SimOptions& options, std::ostream& out)
        : options_(options),
          out_(out),
          device_(InitialState(options.address), options.form, options.seed),
          faults_(options.faults, options.seed + 1) {}

    // Empty on success, otherwise what went wrong.
    std::string Open() {
        socket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (socket_ < 0)
            return std::string("cannot create a socket: ") + std::strerror(errno);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(options_.port);
        std::memcpy(&local.sin_addr, options_.address.data(), 4);
        if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            return "cannot bind " + Peer(local) + ": " + std::strerror(errno);
        }
        out_ << "korva-sim answering on " << Peer(local) << ", " << FormName(options_.form) << std::endl;
        return {};
    }

    ~Server() {
        if (socket_ >= 0)
            close(socket_);
    }

    void Serve(int stopFd) {
        while (true) {
            std::array<pollfd, 2> waitFor{pollfd{socket_, POLLIN, 0}, pollfd{stopFd, POLLIN, 0}};
            if (poll(waitFor.data(), waitFor.size(), MillisecondsToNextDelayed()) < 0 && errno != EINTR)
                return;
            if (waitFor[1].revents != 0)
                return;
            SendDueReplies();
            if (waitFor[0].revents != 0)
                Receive();
        }
    }

    // At the end of the run: what the bound on delayed replies cost, when it cost anything.
    void ReportDroppedDelayed() const {
        if (delayed_.Dropped() > 0)
            out_ << "korva-sim: " << delayed_.Dropped() << " delayed replies dropped, " << delayed_.MostWaiting()
                 << " waited at most" << std::endl;
    }

private:
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

    void Receive() {
        std::array<char, 8192> buffer;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t length =
            recvfrom(socket_, buffer.data(), buffer.size(), MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length < 0 || static_cast<std::size_t>(length) > buffer.size())
            return;
        const std::string_view request(buffer.data(), static_cast<std::size_t>(length));
        Log("<-", from, Printable(request));

        const auto reply = device_.Answer(request);
        if (!reply) {
            Log("  ", from, "(not answered)");
            return;
        }
        const auto faulty = faults_.Apply(*reply, options_.form);
        if (!faulty) {
            Log("x ", from, Printable(reply->plain) + "  [dropped]");
            return;
        }
        Log("->", from, Printable(faulty->reply.plain) + (faulty->faults.empty() ? "" : "  [" + faulty->faults + "]"));
        Outgoing outgoing{from, faulty->reply.sent};
        if (options_.faults.delayMs <= 0) {
            Send(outgoing);
        } else if (!delayed_.Add(Clock::now() + std::chrono::milliseconds(options_.faults.delayMs),
                                 std::move(outgoing))) {
            Log("x ", from,
                "(no room for another delayed reply, " + std::to_string(delayed_.Waiting()) + " waiting)  [dropped]");
        }
    }

    void Send(const Outgoing& outgoing) {
        // A lost reply is what a real device gives on a bad link too; the console copes with it.
        [[maybe_unused]] const auto sent = sendto(socket_, outgoing.bytes.data(), outgoing.bytes.size(), 0,
                                                  reinterpret_cast<const sockaddr*>(&outgoing.to), sizeof outgoing.to);
    }

    void Log(const char* direction, const sockaddr_in& peer, const std::string& text) {
        if (options_.verbose)
            out_ << TimeOfDay() << ' ' << direction << ' ' << Peer(peer) << ' ' << text << std::endl;
    }

    const SimOptions& options_;
    std::ostream& out_;
    SimDevice device_;
    FaultInjector faults_;
    int socket_ = -1;
    DelayedReplies delayed_;
};

}  // namespace

int RunSimulator(const SimOptions& options, int stopFd, std::ostream& out, std::ostream& errors) {
    Server server(options, out);
    if (const std::string problem = server.Open(); !problem.empty()) {
        errors << "korva-sim: " << problem << std::endl;
        return 1;
    }
    server.Serve(stopFd);
    server.ReportDroppedDelayed();
    return 0;
}

}  // namespace korva::sim
