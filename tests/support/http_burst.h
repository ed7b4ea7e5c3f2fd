#pragma once
// Many HTTP GETs to a loopback server at once, each on a connection of its own, as a burst of scrapes
// or an attacker brings them: every request is sent as soon as its connection is taken, and every
// answer is read, from one thread, however long the server's listen queue makes them wait.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace korva::testing {

struct BurstAnswer {
    int status = 0;  // 0: no whole answer within the patience
    std::string body;
    std::chrono::nanoseconds took{0};  // from the start of the burst to the answer's end
};

// address: a dotted quad in 127.0.0.0/8. The answers are in the order of paths. Raises this process's
// soft limit of open descriptors to the hard one, since each request holds one.
std::vector<BurstAnswer> GetAll(const std::string& address, std::uint16_t port, const std::vector<std::string>& paths,
                                std::chrono::milliseconds patience);

// The soft limit of open descriptors raised to the hard one; returns it.
std::size_t RaiseDescriptorLimit();

}  // namespace korva::testing
