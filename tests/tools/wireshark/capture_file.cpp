#include "tests/tools/wireshark/capture_file.h"

#include <stdexcept>

namespace korva::wireshark_testing {

namespace {

constexpr std::size_t kIpHeader = 20;
constexpr std::size_t kUdpHeader = 8;
constexpr std::size_t kLargestPayload = 65535 - kIpHeader - kUdpHeader;

// pcap headers are written in the writer's byte order, which the magic number announces.
template <typename T>
void PutNative(std::ofstream& file, T value) {
    file.write(reinterpret_cast<const char*>(&value), sizeof value);
}

void PutBigEndian16(std::string& packet, std::uint32_t value) {
    packet += static_cast<char>((value >> 8) & 0xFF);
    packet += static_cast<char>(value & 0xFF);
}

void PutBigEndian32(std::string& packet, std::uint32_t value) {
    PutBigEndian16(packet, value >> 16);
    PutBigEndian16(packet, value & 0xFFFF);
}

std::uint16_t HeaderChecksum(std::string_view header) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < header.size(); i += 2)
        sum += (static_cast<unsigned char>(header[i]) << 8) | static_cast<unsigned char>(header[i + 1]);
    while (sum > 0xFFFF)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

}  // namespace

CaptureFile::CaptureFile(const std::string& path) : file_(path, std::ios::binary) {
    PutNative<std::uint32_t>(file_, 0xA1B2C3D4);  // microsecond time stamps
    PutNative<std::uint16_t>(file_, 2);
    PutNative<std::uint16_t>(file_, 4);
    PutNative<std::int32_t>(file_, 0);
    PutNative<std::uint32_t>(file_, 0);
    PutNative<std::uint32_t>(file_, 65535);  // no packet is cut short
    PutNative<std::uint32_t>(file_, 101);    // raw IPv4, no link-layer header
}

void CaptureFile::Add(const UdpEnd& from, const UdpEnd& to, std::string_view payload) {
    if (payload.size() > kLargestPayload)
        throw std::invalid_argument("an IPv4 UDP datagram carries at most 65507 bytes");
    const auto udpLength = static_cast<std::uint32_t>(kUdpHeader + payload.size());

    std::string packet;
    packet += '\x45';  // version 4, five-word header
    packet += '\0';
    PutBigEndian16(packet, static_cast<std::uint32_t>(kIpHeader) + udpLength);
    PutBigEndian16(packet, packets_ & 0xFFFF);  // identification
    PutBigEndian16(packet, 0x4000);             // don't fragment
    packet += '\x40';                           // time to live
    packet += '\x11';                           // UDP
    PutBigEndian16(packet, 0);
    PutBigEndian32(packet, from.address);
    PutBigEndian32(packet, to.address);
    const std::uint16_t checksum = HeaderChecksum(packet);
    packet[10] = static_cast<char>(checksum >> 8);
    packet[11] = static_cast<char>(checksum & 0xFF);

    PutBigEndian16(packet, from.port);
    PutBigEndian16(packet, to.port);
    PutBigEndian16(packet, udpLength);
    PutBigEndian16(packet, 0);  // no UDP checksum, which IPv4 allows
    packet += payload;

    ++packets_;
    PutNative<std::uint32_t>(file_, packets_);  // one packet a second keeps them in order
    PutNative<std::uint32_t>(file_, 0);
    PutNative<std::uint32_t>(file_, static_cast<std::uint32_t>(packet.size()));
    PutNative<std::uint32_t>(file_, static_cast<std::uint32_t>(packet.size()));
    file_.write(packet.data(), static_cast<std::streamsize>(packet.size()));
}

}  // namespace korva::wireshark_testing
