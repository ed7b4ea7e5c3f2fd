#pragma once
// Winsock answers nothing before WSAStartup. Started once, on first use, and left running until the
// process ends, as the endpoint may be opened and closed many times.

namespace korva::transport {

// Throws SocketError when Winsock cannot start.
void StartWinsock();

}  // namespace korva::transport
