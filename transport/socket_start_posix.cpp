#include "transport/socket_start.h"

namespace korva::transport {

void StartSockets() {}

}  // namespace korva::transport
