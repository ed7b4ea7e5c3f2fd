#pragma once
// The simulator on the network: a UDP socket per address listened on, each device answering from its
// own address to the sender's address and port.
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_sockets.h"

#include <ostream>

namespace korva::sim {

// Serves until stop becomes ready. Prints one line when it is ready to answer, and with options.verbose
// one line per request and reply. Returns the process exit status.
int RunSimulator(const SimOptions& options, tools::InterruptHandle stop, std::ostream& out, std::ostream& errors);

}  // namespace korva::sim
