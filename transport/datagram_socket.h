#pragma once
// The endpoint's socket as the system gives it: bound to a port the system picks on every interface,
// read in batches, and woken from another thread. udp_endpoint.cpp builds the endpoint's rules on it;
// datagram_socket_linux.cpp and datagram_socket_win32.cpp each hold one system's calls.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "transport/udp_endpoint.h"

namespace korva::transport {

// The longest datagram handed on. One that is longer is dropped whole, never handed on cut short.
inline constexpr std::size_t kReceiveBufferSize = 8192;
// The most datagrams one read brings.
inline constexpr std::size_t kDatagramsPerRead = 32;
// The largest payload an IPv4 UDP datagram can carry.
inline constexpr std::size_t kLargestDatagram = 65507;
// The system's default socket buffer (208 KiB on Linux) holds about two hundred small datagrams: a
// flood from one sender on the network fills it within the time the receiving thread waits to be
// scheduled, and the device's replies that arrive then are lost. Linux caps this at net.core.rmem_max.
inline constexpr int kSocketReceiveBuffer = 4 << 20;

struct ReceivedDatagram {
    std::string bytes;
    Sender from;
    std::uint32_t source = 0;  // host byte order, for the owner's filter
};

class DatagramSocket {
public:
    // Throws SocketError.
    DatagramSocket();
    ~DatagramSocket();
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;

    std::uint16_t LocalPort() const { return localPort_; }

    // Waits until a datagram waits, WakeUp() is called or wait has passed; true when datagrams may
    // wait. Called by the receiving thread alone.
    bool Wait(std::chrono::milliseconds wait);
    // Ends the receiving thread's Wait at once; any thread.
    void WakeUp();
    // The whole datagrams waiting, up to kDatagramsPerRead, read without waiting. A read error loses
    // the datagram (as do the errors an unreachable port answers with).
    std::vector<ReceivedDatagram> ReadWaiting();
    // Exactly data's bytes as one datagram to address:port (host byte order). Throws SocketError.
    void SendTo(std::uint32_t address, std::uint16_t port, std::string_view data);
    // No more sending; the receiving thread has ended.
    void ShutDown();

private:
    struct System;
    std::unique_ptr<System> system_;
    std::uint16_t localPort_ = 0;
};

}  // namespace korva::transport
