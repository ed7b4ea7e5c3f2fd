#include "tests/support/suite_addresses.h"

#include "tests/support/suite_blocks.h"

#include <algorithm>
#include <stdexcept>

namespace korva::testing {
namespace {

constexpr unsigned kBlockSize = 256;
constexpr unsigned kPortsPerSuite = 16;
constexpr unsigned kFirstSuitePort = 20000;

std::string DottedQuad(std::uint32_t address) {
    return std::to_string(address >> 24) + '.' + std::to_string(address >> 16 & 0xff) + '.' +
           std::to_string(address >> 8 & 0xff) + '.' + std::to_string(address & 0xff);
}

}  // namespace

int TestNetwork() {
    return KORVA_TEST_NETWORK;
}

SuiteAddresses::SuiteAddresses(std::string_view suite) {
    const auto entry = std::ranges::find(kSuiteBlocks, suite, &SuiteBlock::suite);
    if (entry == std::ranges::end(kSuiteBlocks))
        throw std::out_of_range("no loopback block for the suite " + std::string(suite));
    first_ = entry->first;
    count_ = entry->count;
}

std::uint32_t SuiteAddresses::Number(unsigned host) const {
    if (host >= kBlockSize * static_cast<unsigned>(count_))
        throw std::out_of_range("host " + std::to_string(host) + " lies past the suite's blocks");
    return (127u << 24 | static_cast<std::uint32_t>(TestNetwork()) << 16 | static_cast<std::uint32_t>(first_) << 8) +
           host;
}

std::string SuiteAddresses::operator[](unsigned host) const {
    return DottedQuad(Number(host));
}

std::string SuiteAddresses::Range(unsigned first, unsigned last) const {
    return (*this)[first] + '-' + (*this)[last];
}

std::string SuiteAddresses::Block(unsigned block) const {
    return DottedQuad(Number(block * kBlockSize)) + "/24";
}

std::uint16_t SuiteAddresses::Port(unsigned n) const {
    if (n >= kPortsPerSuite)
        throw std::out_of_range("a suite has " + std::to_string(kPortsPerSuite) + " ports");
    return static_cast<std::uint16_t>(kFirstSuitePort + static_cast<unsigned>(first_) * kPortsPerSuite + n);
}

}  // namespace korva::testing
