#pragma once
// The system calls under LoopbackPeer: peer_socket_posix.cpp or peer_socket_win32.cpp.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tests/support/system_sockets.h"

namespace korva::testing::peer_socket {

// A POSIX descriptor or a Winsock SOCKET.
using Handle = std::intptr_t;

// A UDP socket bound to local; throws std::runtime_error with the system's reason.
Handle OpenBound(const sockaddr_in& local);
void Close(Handle socket);
std::uint16_t LocalPort(Handle socket);
// SOL_SOCKET options: SO_SNDBUF, SO_RCVBUF.
void SetSocketOption(Handle socket, int option, int value);
// True when the system took bytes whole as one datagram.
bool SendTo(Handle socket, const sockaddr_in& to, std::string_view bytes);
bool WaitReadable(Handle socket, std::chrono::milliseconds patience);
// The next waiting datagram into buffer, without waiting: its size, or nullopt when none waits.
std::optional<std::size_t> ReceiveWaiting(Handle socket, std::string& buffer, sockaddr_in& from);
// The system's words for the last failure on this thread.
std::string LastErrorText();

}  // namespace korva::testing::peer_socket
