// korva-sim: a stand-in Korva device for training and tests, answering on a loopback address.
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_server.h"

#include <fcntl.h>
#include <unistd.h>
#include <csignal>

#include <iostream>

namespace {

int stopWriteEnd = -1;

void RequestStop(int) {
    const char stop = 1;
    [[maybe_unused]] const auto written = write(stopWriteEnd, &stop, 1);
}

}  // namespace

int main(int argc, char** argv) {
    const auto parsed = korva::sim::ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "korva-sim: " << parsed.error << "\n\n" << korva::sim::SimUsage();
        return 2;
    }
    if (parsed.options->help || parsed.options->version) {
        if (parsed.options->help)
            std::cout << korva::sim::SimUsage();
        else
            std::cout << "korva-sim " << KORVA_PROGRAM_VERSION << '\n';
        return std::cout.flush() ? 0 : 1;
    }

    // The signal handler only writes to a pipe that the serving loop waits on, so a stop request is
    // seen at once and never lost between a check and the wait.
    int stopPipe[2];
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::cerr << "korva-sim: cannot create the stop pipe\n";
        return 1;
    }
    stopWriteEnd = stopPipe[1];
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    return korva::sim::RunSimulator(*parsed.options, stopPipe[0], std::cout, std::cerr);
}
