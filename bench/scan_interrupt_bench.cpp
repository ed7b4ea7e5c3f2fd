// How soon `korvactl scan` ends after SIGINT or SIGTERM when every send fails at once, so that the search
// never waits for the network. The command runs in this process as korvactl runs it, on its endpoint
// and its signal handler, but with a link whose sends fail before the socket is asked: nothing leaves
// the process, and the range is loopback's all the same.
//
//   scan_interrupt_bench [INT|TERM]
//
// Prints the time from the signal to the command's end, its exit status, and what it wrote.
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/program/run_command.h"
#include "transport/socket_errors.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The endpoint of a machine without a route: every send fails as sendto would.
class NoRouteLink : public korva::ctl::EndpointLink {
public:
    using EndpointLink::EndpointLink;
    void Send(const std::string&, std::string_view) override { throw korva::transport::SocketErrorFromCode(10051); }
};

// Counts what is written without keeping it: the old scan wrote gigabytes.
class CountingBuffer : public std::streambuf {
public:
    std::uint64_t bytes = 0;
    std::uint64_t lines = 0;

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) {
            ++bytes;
            lines += c == '\n' ? 1 : 0;
        }
        return c;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const bool term = argc > 1 && std::string(argv[1]) == "TERM";
    const int signal = term ? SIGTERM : SIGINT;
    CountingBuffer outBuffer;
    std::ostream out(&outBuffer);
    std::ostringstream err;
    std::istringstream noInput;
    korva::ctl::CommandIo io{out, err, {false, noInput, err}, [] {
                                 return std::make_unique<NoRouteLink>(korva::ctl::InterruptSignal::Install(true));
                             },
                             false};
    Clock::time_point signalled;
    std::thread signaller([&] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        signalled = Clock::now();
        kill(getpid(), signal);
    });
    const int status = korva::ctl::RunCommand("scan", {"127.0.0.0/8", "--force", "--rate", "0"}, io);
    const auto ended = Clock::now();
    signaller.join();
    const auto stop = std::chrono::duration<double, std::milli>(ended - signalled).count();
    std::cout << "signal SIG" << (term ? "TERM" : "INT") << ": ended " << stop << " ms after it, exit " << status
              << "; standard output " << outBuffer.bytes << " bytes; standard error " << err.str().size() << " bytes:\n"
              << err.str();
    return 0;
}
