// set against scripted devices: checks, confirmation, where the write and the read-back go.
#include "tests/tools/korvactl/command_runner.h"

#include "tests/support/suite_addresses.h"

#include <gtest/gtest.h>

namespace korva::ctl::testing {
namespace {

using namespace std::chrono_literals;

const korva::testing::SuiteAddresses addresses{"set_command"};
const std::string kDevice = addresses[1];
const std::string kNewAddress = addresses[2];
const std::string kGateway = addresses[254];

// A device that acknowledges writes and answers parameter requests.
DeviceScript WritableDevice(const std::string& reportedAddress) {
    return [reportedAddress](const std::string& request) -> std::optional<Answer> {
        if (Is(request, "wPr"))
            return Answer{WriteLine(), 2ms};
        if (Is(request, "rPr"))
            return Answer{ParameterLine(reportedAddress), 2ms};
        return std::nullopt;
    };
}

std::vector<std::string> SetArguments(const std::string& address, const std::string& ip, const std::string& mask,
                                      const std::string& gateway, std::vector<std::string> more = {"--yes"}) {
    std::vector<std::string> arguments = {address, "--ip", ip, "--mask", mask, "--gateway", gateway};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

TEST(SetCommand, WritesToTheDeviceThenAsksTheNewAddressForItsParameters) {
    ScriptedNetwork network;
    network.AddDevice(kDevice, WritableDevice(kDevice));
    network.AddDevice(kNewAddress, WritableDevice(kNewAddress));
    const CommandRun run = RunCommand(network, "set", SetArguments(kDevice, kNewAddress, "255.255.255.0", kGateway));

    EXPECT_EQ(run.exitStatus, 0) << run.err;
    ASSERT_EQ(network.Sent().size(), 2u);
    EXPECT_EQ(network.Sent()[0].address, kDevice);
    EXPECT_EQ(network.Sent()[0].bytes,
              "wPr000 " + ThreeDigitOctets(kNewAddress) + " 255.255.255.000 " + ThreeDigitOctets(kGateway) + "\r\n");
    EXPECT_EQ(network.Sent()[1].address, kNewAddress);
    EXPECT_EQ(network.Sent()[1].bytes, "rPr000 \r\n");
    ASSERT_EQ(run.records.size(), 2u);
    EXPECT_EQ(run.records[0]["keyword"], "WPR");
    EXPECT_EQ(run.records[1]["address"], kNewAddress);
    EXPECT_EQ(run.records[1]["parameters"]["address"], kNewAddress);
}

TEST(SetCommand, SilenceAtTheNewAddressIsANoteNotAFailure) {
    ScriptedNetwork network;
    const std::string silent = addresses[3];
    network.AddDevice(kDevice, WritableDevice(kDevice));
    const CommandRun run = RunCommand(
        network, "set", SetArguments(kDevice, silent, "255.255.255.0", kGateway, {"--yes", "--timeout", "50ms"}));
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(network.SentTo(silent).size(), 3u);
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_NE(run.err.find("written; no parameter reply from " + silent), std::string::npos) << run.err;
}

TEST(SetCommand, AnUnacknowledgedWriteFailsAndNothingGoesToTheNewAddress) {
    ScriptedNetwork network;
    const CommandRun run = RunCommand(
        network, "set", SetArguments(kDevice, kNewAddress, "255.255.255.0", kGateway, {"--yes", "--timeout", "50ms"}));
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(network.SentTo(kDevice).size(), 3u);
    EXPECT_TRUE(network.SentTo(kNewAddress).empty());
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0]["error"], "no reply to the write command (3 requests, 50 ms each)");
    EXPECT_NE(run.err.find("korvactl set: the write went out without its acknowledgement; the device may hold the "
                           "new parameters and take them at its next restart; korvactl reset " +
                           kDevice + " completes it"),
              std::string::npos)
        << run.err;
}

TEST(SetCommand, AnErrReplyIsTheDevicesRefusal) {
    ScriptedNetwork network;
    network.AddDevice(kDevice, [](const std::string&) { return Answer{"0100,ERR,0", 2ms}; });
    const CommandRun run =
        RunCommand(network, "set", SetArguments(kDevice, kNewAddress, "255.255.255.0", kGateway, {"--yes"}));
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(network.Sent().size(), 1u) << "a refusal is an answer: nothing is sent again";
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0]["error"], "the device refused the write command (ERR)");
    EXPECT_EQ(run.records[0]["keyword"], "ERR");
    EXPECT_EQ(run.err, "korvactl set: " + kDevice + ": the device refused the write command (ERR)\n");
}

TEST(SetCommand, RefusesValuesThatWouldStrandTheDeviceUnlessForced) {
    // A half of the suite's block as the subnet, so that the block holds a gateway outside it.
    const std::string networkAddress = addresses[0];
    const std::string outsideGateway = addresses[129];
    const std::vector<std::string> bad = SetArguments(kDevice, networkAddress, "255.255.255.128", outsideGateway);
    ScriptedNetwork refused;
    const CommandRun run = RunCommand(refused, "set", bad);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(refused.LinksOpened(), 0);
    EXPECT_NE(run.err.find("address " + networkAddress + " is the network address of its subnet"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("gateway " + outsideGateway + " is outside the subnet"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nothing written"), std::string::npos);

    ScriptedNetwork forced;
    forced.AddDevice(kDevice, WritableDevice(kDevice));
    std::vector<std::string> withForce = bad;
    withForce.insert(withForce.end(), {"--force", "--timeout", "10ms", "--retries", "0"});
    EXPECT_EQ(RunCommand(forced, "set", withForce).exitStatus, 0);
    ASSERT_FALSE(forced.Sent().empty());
    EXPECT_EQ(forced.Sent()[0].bytes, "wPr000 " + ThreeDigitOctets(networkAddress) + " 255.255.255.128 " +
                                          ThreeDigitOctets(outsideGateway) + "\r\n");
}

TEST(SetCommand, AsksOnATerminalInItsLanguageAndRefusesWithoutOne) {
    const std::string english = "Write address " + kDevice + ", mask 255.255.255.0, gateway " + kGateway +
                                " to the device at " + kDevice + "? [y/N] ";
    const std::string portuguese = "Gravar endereço " + kDevice + ", máscara 255.255.255.0, gateway " + kGateway +
                                   " no dispositivo em " + kDevice + "? [s/N] ";
    struct Case {
        const char* language;
        TerminalInput terminal;
        bool yesFlag;
        int exitStatus;
        bool written;
    } cases[] = {
        {"en", {true, "y\n"}, false, 0, true},
        {"en", {true, " YES \n"}, false, 0, true},
        {"en", {true, "n\n"}, false, 1, false},
        {"en", {true, "\n"}, false, 1, false},
        {"en", {true, ""}, false, 1, false},        // end of input
        {"en", {true, "", true}, false, 1, false},  // Ctrl-C at the question
        {"en", {false, "y\n"}, false, 2, false},    // nobody to ask
        {"en", {false, ""}, true, 0, true},
        {"en", {true, "s\n"}, false, 1, false},  // Portuguese's yes is no English yes
        {"pt", {true, "s\n"}, false, 0, true},
        {"pt", {true, " SIM\n"}, false, 0, true},
        {"pt", {true, "yes\n"}, false, 0, true},
        {"pt", {true, "não\n"}, false, 1, false},
        {"pt", {true, "n\n"}, false, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.language) + ": typed '" + c.terminal.typed + "' interactive " +
                     std::to_string(c.terminal.interactive) + " --yes " + std::to_string(c.yesFlag));
        ScriptedNetwork network;
        network.AddDevice(kDevice, WritableDevice(kDevice));
        const CommandRun run =
            RunCommand(network, "set",
                       SetArguments(kDevice, kDevice, "255.255.255.0", kGateway,
                                    c.yesFlag ? std::vector<std::string>{"--yes"} : std::vector<std::string>{}),
                       c.terminal, *language::FindCatalogue(c.language));
        EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err;
        EXPECT_EQ(!network.Sent().empty(), c.written);
        const bool asked = run.err.find(*c.language == 'e' ? english : portuguese) != std::string::npos;
        EXPECT_EQ(asked, c.terminal.interactive && !c.yesFlag) << run.err;
        if (c.terminal.ctrlC) {
            EXPECT_NE(run.err.find("korvactl set: interrupted at the question; nothing written\n"), std::string::npos)
                << run.err;
        }
    }
}

TEST(SetCommand, NeedsOneDeviceAndAllThreeValues) {
    ScriptedNetwork network;
    EXPECT_EQ(RunCommand(network, "set", {kDevice, "--ip", "10.0.0.7", "--mask", "255.0.0.0", "--yes"}).exitStatus, 2);
    EXPECT_EQ(RunCommand(network, "set", SetArguments(kDevice, "10.0.0.7", "255.0.0.0", "10.0.0.1")).exitStatus,
              1);  // all there, but nobody answers: the write is not acknowledged
    ScriptedNetwork untouched;
    std::vector<std::string> twoDevices = SetArguments(kDevice, "10.0.0.7", "255.0.0.0", "10.0.0.1");
    twoDevices.push_back(kNewAddress);
    EXPECT_EQ(RunCommand(untouched, "set", twoDevices).exitStatus, 2);
    EXPECT_EQ(RunCommand(untouched, "set", {"-f", "devices.txt"}).exitStatus, 2);  // no option -f for set
    EXPECT_TRUE(untouched.Sent().empty());
}

}  // namespace
}  // namespace korva::ctl::testing
