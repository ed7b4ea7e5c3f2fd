#include "tests/support/udp_sockets.h"

#include <dirent.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace korva::testing {
namespace {

// /proc/net/udp writes the address as the 32-bit word in host order, in hexadecimal.
std::string DottedQuad(std::uint32_t word) {
    return std::to_string(word & 0xFF) + "." + std::to_string((word >> 8) & 0xFF) + "." +
           std::to_string((word >> 16) & 0xFF) + "." + std::to_string(word >> 24);
}

std::optional<UdpSocket> ParseLine(const std::string& line) {
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode, references, pointer, drops;
    if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode >>
          references >> pointer >> drops))
        return std::nullopt;
    const std::size_t colon = local.find(':');
    const std::size_t queueColon = queues.find(':');
    if (colon == std::string::npos || queueColon == std::string::npos)
        return std::nullopt;
    UdpSocket socket;
    socket.localAddress = DottedQuad(static_cast<std::uint32_t>(std::stoul(local.substr(0, colon), nullptr, 16)));
    socket.localPort = static_cast<std::uint16_t>(std::stoul(local.substr(colon + 1), nullptr, 16));
    socket.receiveQueueBytes = std::stoul(queues.substr(queueColon + 1), nullptr, 16);
    socket.inode = std::stoul(inode);
    socket.drops = std::stoull(drops);
    return socket;
}

}  // namespace

std::vector<UdpSocket> UdpSockets() {
    std::vector<UdpSocket> sockets;
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line);  // the column titles
    while (std::getline(table, line)) {
        if (auto socket = ParseLine(line))
            sockets.push_back(*socket);
    }
    return sockets;
}

std::vector<UdpSocket> UdpSocketsOf(pid_t pid) {
    std::vector<unsigned long> inodes;
    const std::string directory = "/proc/" + std::to_string(pid) + "/fd";
    if (DIR* fds = opendir(directory.c_str())) {
        while (const dirent* entry = readdir(fds)) {
            std::array<char, 64> target{};
            const std::string link = directory + "/" + entry->d_name;
            const ssize_t length = readlink(link.c_str(), target.data(), target.size() - 1);
            const std::string text(target.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
            if (text.starts_with("socket:["))
                inodes.push_back(std::stoul(text.substr(8)));
        }
        closedir(fds);
    }
    std::vector<UdpSocket> owned;
    for (const UdpSocket& socket : UdpSockets()) {
        for (unsigned long inode : inodes) {
            if (socket.inode == inode)
                owned.push_back(socket);
        }
    }
    return owned;
}

std::optional<UdpSocket> UdpSocketOn(const std::string& address, std::uint16_t port) {
    for (const UdpSocket& socket : UdpSockets()) {
        if (socket.localAddress == address && socket.localPort == port)
            return socket;
    }
    return std::nullopt;
}

bool WaitUntilRead(const std::string& address, std::uint16_t port) {
    for (int i = 0; i < 5000; ++i) {
        const auto socket = UdpSocketOn(address, port);
        if (!socket)
            return false;
        if (socket->receiveQueueBytes == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

}  // namespace korva::testing
