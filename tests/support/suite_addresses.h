#pragma once
// A test suite's own loopback addresses, asked for by the suite's name in the table of suite_blocks.h:
//
//     const SuiteAddresses addresses{"status_command"};
//     network.AddDevice(addresses[1], ...);   // 127.<checkout>.87.1
//
// The second octet is the checkout's: CMake picks one per build folder (KORVA_TEST_NETWORK), so two
// checkouts running their suites at once do not answer each other's requests.
#include <cstdint>
#include <string>
#include <string_view>

namespace korva::testing {

// The second octet of every address the tests of this build use.
int TestNetwork();

class SuiteAddresses {
public:
    // Throws std::out_of_range for a suite the table does not name.
    explicit SuiteAddresses(std::string_view suite);

    // The host'th address of the suite's blocks, counted from 127.<checkout>.<first>.0. Throws
    // std::out_of_range past the suite's last block.
    std::string operator[](unsigned host) const;
    std::uint32_t Number(unsigned host) const;  // the same address as a number in host order
    // "first-last", as korvactl and korva-sim take a range.
    std::string Range(unsigned first, unsigned last) const;
    // The block'th /24 of the suite, as "a.b.c.0/24".
    std::string Block(unsigned block = 0) const;
    // A port of the suite's own (n < 16), for a server that must listen at a known one; below the
    // system's ephemeral ports, so that it never takes one the system handed out.
    std::uint16_t Port(unsigned n = 0) const;

private:
    int first_;
    int count_;
};

}  // namespace korva::testing
