#pragma once
// Datagrams that do not come from the device: a socket on a loopback address of its own (port chosen by
// the system), and a flood that pours one datagram through such a socket from a thread of its own.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

class DatagramSource {
public:
    explicit DatagramSource(const char* address);  // loopback only; throws std::runtime_error
    ~DatagramSource();
    DatagramSource(const DatagramSource&) = delete;
    DatagramSource& operator=(const DatagramSource&) = delete;

    // Sends bytes as one datagram; false when the system refused it.
    bool SendTo(const char* address, std::uint16_t port, std::string_view bytes) const;

private:
    int socket_ = -1;
};

// Sends datagram to address:port as fast as the sending thread can, until Stop() or limit datagrams.
class Flood {
public:
    Flood(const char* from, const char* address, std::uint16_t port, std::string datagram, std::size_t limit);
    ~Flood();  // stops
    Flood(const Flood&) = delete;
    Flood& operator=(const Flood&) = delete;

    void Stop();
    std::size_t Sent() const { return sent_.load(); }   // datagrams the system accepted
    bool Finished() const { return finished_.load(); }  // limit reached

private:
    DatagramSource source_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::atomic<std::size_t> sent_{0};
    std::thread sender_;
};
