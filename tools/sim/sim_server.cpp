#include "tools/sim/sim_server.h"

#include "protocol/numbers.h"
#include "tools/common/time_text.h"
#include "tools/sim/delayed_replies.h"
#include "tools/sim/faults.h"
#include "tools/sim/sim_capacity.h"
#include "tools/sim/sim_fleet.h"
#include "tools/sim/sim_sockets.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <iomanip>
#include <sstream>
#include <vector>

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

std::string Peer(const ReplyAddress& address) {
    return Ipv4Text(address.address) + ":" + std::to_string(address.port);
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
    Server(const SimOptions& options, tools::InterruptHandle stop, std::ostream& out)
        : options_(options),
          out_(out),
          fleet_({options.addresses, options.devices.value_or(options.addresses.count), options.form, options.seed,
                  options.faults.resetAcknowledgedOn}),
          faults_(options.faults, options.seed + 1),
          sockets_(stop) {}

    // Empty on success, otherwise what went wrong.
    // Empty on success, kOpeningStopped or what went wrong.
    std::string Open() {
        if (std::string problem = sockets_.Open(options_.addresses, options_.port); !problem.empty())
            return problem;
        out_ << "korva-sim answering on " << Ipv4RangeText(options_.addresses) << ":" << options_.port;
        if (options_.addresses.count > 1)
            out_ << " (" << options_.devices.value_or(options_.addresses.count) << " devices)";
        out_ << ", " << FormName(options_.form) << std::endl;
        return {};
    }

    void Serve() {
        while (true) {
            const auto ready = sockets_.Wait(MillisecondsToNextDelayed());
            if (!ready)
                return;
            SendDueReplies();
            for (const std::size_t index : *ready)
                ReceiveAll(index);
        }
    }

    // At the end of the run: what the bound on delayed replies cost, when it cost anything.
    void ReportDroppedDelayed() const {
        if (delayed_.Dropped() > 0)
            out_ << "korva-sim: " << delayed_.Dropped() << " delayed replies dropped, " << delayed_.MostWaiting()
                 << " waited at most" << std::endl;
    }

private:
    // Datagrams read from one socket before the others get their turn.
    static constexpr int kBurst = 16;

    std::optional<std::chrono::milliseconds> MillisecondsToNextDelayed() const {
        const auto due = delayed_.NextDue();
        if (!due)
            return std::nullopt;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now());
        return std::max(wait, std::chrono::milliseconds(0));
    }

    void SendDueReplies() {
        for (const Outgoing& reply : delayed_.TakeDue(Clock::now()))
            Send(reply);
    }

    void ReceiveAll(std::size_t index) {
        for (int i = 0; i < kBurst && Receive(index); ++i) {
        }
    }

    // false when nothing was waiting.
    bool Receive(std::size_t index) {
        std::array<char, 8192> buffer;
        const std::optional<Request> received = sockets_.Receive(index, buffer);
        if (!received)
            return false;
        if (received->length > buffer.size())
            return true;
        const ReplyAddress& from = received->from;
        const std::uint32_t device = options_.addresses.At(index);
        const std::string_view request(buffer.data(), received->length);
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
        Outgoing outgoing{index, from, faulty->reply.sent};
        if (options_.faults.delayMs <= 0) {
            Send(outgoing);
        } else if (!delayed_.Add(Clock::now() + std::chrono::milliseconds(options_.faults.delayMs),
                                 std::move(outgoing))) {
            Log(device, "x ", from,
                "(no room for another delayed reply, " + std::to_string(delayed_.Waiting()) + " waiting)  [dropped]");
        }
        return true;
    }

    void Send(const Outgoing& outgoing) { sockets_.Send(outgoing); }

    void Log(std::uint32_t device, const char* direction, const ReplyAddress& peer, const std::string& text) {
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
    SimSockets sockets_;  // one per address, in the order of the range
    DelayedReplies delayed_;
};

}  // namespace

int RunSimulator(const SimOptions& options, tools::InterruptHandle stop, std::ostream& out, std::ostream& errors) {
    if (const std::string problem = CapacityProblem(options, SocketLimit(), DescriptorsHeld(), kMemoryBudget);
        !problem.empty()) {
        errors << "korva-sim: " << problem << std::endl;
        return 1;
    }
    Server server(options, stop, out);
    if (const std::string problem = server.Open(); problem == kOpeningStopped) {
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
