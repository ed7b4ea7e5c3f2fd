#pragma once
// The console's only network object: one UDP socket on a port the system picks, from which every
// request goes out and on which every reply comes in. It knows nothing about what the bytes mean.
//
// Received datagrams are handed over to the owner's thread (the GUI's main thread) and handled there one
// at a time, in arrival order: the receiving thread parks what one read brought, calls wakeOwner, and
// reads nothing more until the owner has called ServePending() and the handler has returned for each
// datagram. The owner decides how its thread gets to run ServePending() (the console posts it to the
// Qt event loop).
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "transport/device_link.h"

namespace korva::transport {

// "Socket Error # <code>" CR LF <text>, or one of the endpoint's own messages (code 0).
class SocketError : public std::runtime_error {
public:
    SocketError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

struct Sender {
    std::string address;  // dotted quad
    std::uint16_t port = 0;
};

class UdpEndpoint : public DeviceLink {
public:
    using DatagramHandler = std::function<void(const std::string& bytes, const Sender& from)>;
    using WakeOwner = std::function<void()>;

    // readWait: how long the receiving thread waits for a datagram before it looks at the stop request
    // again. Deactivation wakes it at once anyway; tests lengthen the wait to prove exactly that.
    UdpEndpoint(DatagramHandler handler, WakeOwner wakeOwner,
                std::chrono::milliseconds readWait = std::chrono::milliseconds(1000));
    ~UdpEndpoint() override;  // deactivates
    UdpEndpoint(const UdpEndpoint&) = delete;
    UdpEndpoint& operator=(const UdpEndpoint&) = delete;

    // true: bind 0.0.0.0:0 and start the receiving thread (throws SocketError on failure).
    // false: stop the thread, close the socket, and keep serving hand-overs already requested while
    // waiting for the thread to end, so that closing never deadlocks. Call it on the owner's thread;
    // from inside the handler too, in which case the receiving thread stops waiting for that handler.
    void SetActive(bool active);
    bool Active() const;
    std::uint16_t LocalPort() const;  // the port the system assigned; 0 when inactive

    // Sends data, exactly its bytes, as one datagram to host:port. Throws SocketError.
    void Send(std::string_view host, std::uint16_t port, std::string_view data);
    // The same to an address already resolved (ResolveHost), host byte order.
    void SendTo(std::uint32_t address, std::uint16_t port, std::string_view data) override;

    // From now on only datagrams whose source is one of these IPv4 addresses (host byte order, any
    // port) are handed over; the rest are dropped on the receiving thread and counted, so that traffic
    // from elsewhere costs the owner's thread nothing. An empty list drops everything. Until the first
    // call every datagram is handed over. Any thread; holds across deactivation.
    void AcceptOnlyFrom(std::vector<std::uint32_t> sources) override;
    // Adds one address to those accepted (the first call starts the filtering with it alone).
    void AlsoAcceptFrom(std::uint32_t source);
    // Datagrams dropped so far because of their source.
    std::uint64_t DroppedFromElsewhere() const;
    // Datagrams whose handler has returned so far.
    std::uint64_t DatagramsHandedOver() const;

    // Owner's thread: runs the handler for each datagram waiting to be handed over, if any. Exceptions
    // from the handler are discarded. Safe to call when nothing waits, and re-entrantly: a call from
    // inside a handler (a modal wait) leaves the datagrams after it to the call that runs that handler.
    void ServePending();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace korva::transport
