// The checks `set` makes before writing.
#include "tools/korvactl/inputs/input_file.h"

#include "tests/support/suite_addresses.h"

#include <gtest/gtest.h>

namespace korva::ctl {
namespace {

const korva::testing::SuiteAddresses addresses{"new_parameters_check"};

TEST(CheckNewParameters, AcceptsUsableSubnets) {
    const NewParameters good[] = {
        {"192.168.0.250", "255.255.255.0", "192.168.0.1"},
        {"010.000.000.007", "255.000.000.000", "010.000.000.001"},  // the zero-padded form of the boxes
        {"10.0.0.1", "255.255.255.252", "10.0.0.2"},                // the smallest subnet with two hosts
        {"172.16.5.4", "255.255.240.0", "172.16.0.1"},
    };
    for (const auto& p : good)
        EXPECT_EQ(ParameterProblemTexts(p, CurrentPlace::kNetwork, language::English()), std::vector<std::string>{})
            << p.address << " " << p.mask << " " << p.gateway;
    // A simulated device on this machine moves within loopback.
    EXPECT_EQ(
        ParameterProblemTexts({addresses[2], "255.0.0.0", addresses[1]}, CurrentPlace::kLoopback, language::English()),
        std::vector<std::string>{});
}

TEST(CheckNewParameters, NamesEachProblem) {
    const struct {
        NewParameters parameters;
        std::vector<std::string> problems;
    } cases[] = {
        {{"192.168.0.256", "255.255.255.0", "192.168.0.1"},
         {"address '192.168.0.256' is not four decimal octets 0-255"}},
        {{"192.168.0", "255.255.255.0", "192.168.0.1"}, {"address '192.168.0' is not four decimal octets 0-255"}},
        {{"192.168.0.1.5", "255.255.255.0", "192.168.0.1"},
         {"address '192.168.0.1.5' is not four decimal octets 0-255"}},
        {{"192.168.0.0010", "255.255.255.0", "192.168.0.1"},
         {"address '192.168.0.0010' is not four decimal octets 0-255"}},
        {{" 192.168.0.5", "255.255.255.0", "192.168.0.1"}, {"address ' 192.168.0.5' is not four decimal octets 0-255"}},
        {{"192.168.0.x", "255.255.255.0", "192.168.0.1"}, {"address '192.168.0.x' is not four decimal octets 0-255"}},
        {{"192.168.0.5", "255.255.0.255", "192.168.0.1"}, {"mask 255.255.0.255 is not contiguous (ones, then zeros)"}},
        {{"192.168.0.5", "0.0.0.0", "192.168.0.1"},
         {"mask 0.0.0.0 leaves no subnet with room for a device and a gateway"}},
        {{"192.168.0.5", "255.255.255.254", "192.168.0.4"},
         {"mask 255.255.255.254 leaves no subnet with room for a device and a gateway"}},
        {{"192.168.0.5", "255.255.255.255", "192.168.0.5"},
         {"mask 255.255.255.255 leaves no subnet with room for a device and a gateway"}},
        {{"192.168.0.0", "255.255.255.0", "192.168.0.1"}, {"address 192.168.0.0 is the network address of its subnet"}},
        {{"192.168.0.255", "255.255.255.0", "192.168.0.1"},
         {"address 192.168.0.255 is the broadcast address of its subnet"}},
        {{"192.168.0.5", "255.255.255.0", "192.168.0.255"},
         {"gateway 192.168.0.255 is the broadcast address of its subnet"}},
        {{"192.168.0.5", "255.255.255.0", "192.168.1.1"},
         {"gateway 192.168.1.1 is outside the subnet of 192.168.0.5 with mask 255.255.255.0"}},
        {{"192.168.0.5", "255.255.255.0", "192.168.0.5"}, {"gateway 192.168.0.5 is the device's own address"}},
        {{"10.1.2.3", "255.255.255.128", "10.1.2.200"},
         {"gateway 10.1.2.200 is outside the subnet of 10.1.2.3 with mask 255.255.255.128"}},
        {{"bad", "worse", "192.168.0.1"},
         {"address 'bad' is not four decimal octets 0-255", "mask 'worse' is not four decimal octets 0-255"}},
        {{"192.168.1.0", "255.255.255.0", "192.168.0.0"},
         {"address 192.168.1.0 is the network address of its subnet",
          "gateway 192.168.0.0 is the network address of its subnet",
          "gateway 192.168.0.0 is outside the subnet of 192.168.1.0 with mask 255.255.255.0"}},
        {{"0.0.0.5", "255.0.0.0", "0.0.0.1"},
         {"address 0.0.0.5 is in 0.0.0.0/8, which means this network: no device has it",
          "gateway 0.0.0.1 is in 0.0.0.0/8, which means this network: no device has it"}},
        {{"224.0.0.10", "255.255.255.0", "224.0.0.1"},
         {"address 224.0.0.10 is a multicast address (224.0.0.0/4): no device has it",
          "gateway 224.0.0.1 is a multicast address (224.0.0.0/4): no device has it"}},
        {{"255.255.255.5", "255.255.255.0", "255.255.255.1"},
         {"address 255.255.255.5 is in the reserved block 240.0.0.0/4: no device has it",
          "gateway 255.255.255.1 is in the reserved block 240.0.0.0/4: no device has it"}},
        {{"169.254.1.5", "255.255.0.0", "169.254.1.1"},
         {"address 169.254.1.5 is link-local (169.254.0.0/16): never reached through a gateway",
          "gateway 169.254.1.1 is link-local (169.254.0.0/16): never reached through a gateway"}},
        {{"127.0.0.5", "255.0.0.0", "127.0.0.1"},
         {"address 127.0.0.5 is a loopback address (127.0.0.0/8), which only a device on loopback may take",
          "gateway 127.0.0.1 is a loopback address (127.0.0.0/8), which only a device on loopback may take"}},
    };
    for (const auto& c : cases) {
        const auto& p = c.parameters;
        EXPECT_EQ(ParameterProblemTexts(p, CurrentPlace::kNetwork, language::English()), c.problems)
            << p.address << " " << p.mask << " " << p.gateway;
    }
}

}  // namespace
}  // namespace korva::ctl
