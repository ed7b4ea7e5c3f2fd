#pragma once
// The simulator on the network: one UDP socket, answering each request to the sender's address/port.
#include "tools/sim/sim_options.h"

#include <ostream>

namespace korva::sim {

// Serves until stopFd becomes readable. Prints one line when it is ready to answer, and with
// options.verbose one line per request and reply. Returns the process exit status.
int RunSimulator(const SimOptions& options, int stopFd, std::ostream& out, std::ostream& errors);

}  // namespace korva::sim
