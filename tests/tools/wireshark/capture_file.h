#pragma once
// A capture file written without capturing: every datagram becomes one IPv4/UDP packet between two
// loopback addresses, in the classic pcap format with raw IP packets (link type 101).
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

namespace korva::wireshark_testing {

struct UdpEnd {
    std::uint32_t address;  // host order; loopback only
    std::uint16_t port;
};

class CaptureFile {
public:
    explicit CaptureFile(const std::string& path);
    // Throws std::invalid_argument for payloads an IPv4 datagram cannot carry.
    void Add(const UdpEnd& from, const UdpEnd& to, std::string_view payload);
    bool Good() const { return file_.good(); }

private:
    std::ofstream file_;
    std::uint32_t packets_ = 0;
};

}  // namespace korva::wireshark_testing
