// korva-sim: a stand-in Korva device for training and tests, answering on a loopback address.
#include "tools/common/interrupt_signal.h"
#include "tools/common/standard_streams.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_server.h"
#include "tools/sim/sim_sockets.h"

#include <iostream>
#include <stdexcept>

int main(int argc, char** argv) {
    korva::tools::PrepareStandardStreams();
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

    korva::tools::InterruptHandle stop;
    try {
        stop = korva::tools::InterruptSignal::Install(true);
    } catch (const std::runtime_error& error) {
        std::cerr << "korva-sim: " << error.what() << "\n";
        return 1;
    }
    return korva::sim::RunSimulator(*parsed.options, stop, std::cout, std::cerr);
}
