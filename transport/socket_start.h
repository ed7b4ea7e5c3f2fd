#pragma once
// The system's sockets before their first use. Winsock answers nothing before WSAStartup: it is started
// once, on first use, and left running until the process ends, as the endpoint may be opened and closed
// many times (socket_start_win32.cpp). POSIX sockets need no start (socket_start_posix.cpp).

namespace korva::transport {

// Throws SocketError when the system's sockets cannot start.
void StartSockets();

}  // namespace korva::transport
