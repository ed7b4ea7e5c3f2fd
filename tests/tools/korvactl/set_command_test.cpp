// set against scripted devices: checks, confirmation, where the write and the read-back go.
#include "tests/tools/korvactl/command_runner.h"

#include <gtest/gtest.h>

namespace korva::ctl::testing {
namespace {

using namespace std::chrono_literals;

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
    network.AddDevice("127.0.0.100", WritableDevice("127.0.0.100"));
    network.AddDevice("127.0.0.101", WritableDevice("127.0.0.101"));
    const CommandRun run =
        RunCommand(network, "set", SetArguments("127.0.0.100", "127.0.0.101", "255.255.255.0", "127.0.0.1"));

    EXPECT_EQ(run.exitStatus, 0) << run.err;
    ASSERT_EQ(network.Sent().size(), 2u);
    EXPECT_EQ(network.Sent()[0].address, "127.0.0.100");
    EXPECT_EQ(network.Sent()[0].bytes, "wPr000 127.000.000.101 255.255.255.000 127.000.000.001\r\n");
    EXPECT_EQ(network.Sent()[1].address, "127.0.0.101");
    EXPECT_EQ(network.Sent()[1].bytes, "rPr000 \r\n");
    ASSERT_EQ(run.records.size(), 2u);
    EXPECT_EQ(run.records[0]["keyword"], "WPR");
    EXPECT_EQ(run.records[1]["address"], "127.0.0.101");
    EXPECT_EQ(run.records[1]["parameters"]["address"], "127.0.0.101");
}

TEST(SetCommand, SilenceAtTheNewAddressIsANoteNotAFailure) {
    ScriptedNetwork network;
    network.AddDevice("127.0.0.100", WritableDevice("127.0.0.100"));
    const CommandRun run = RunCommand(
        network, "set",
        SetArguments("127.0.0.100", "127.0.0.102", "255.255.255.0", "127.0.0.1", {"--yes", "--timeout", "50ms"}));
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(network.SentTo("127.0.0.102").size(), 3u);
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_NE(run.err.find("written; no parameter reply from 127.0.0.102"), std::string::npos) << run.err;
}

TEST(SetCommand, AnUnacknowledgedWriteFailsAndNothingGoesToTheNewAddress) {
    ScriptedNetwork network;
    const CommandRun run = RunCommand(
        network, "set",
        SetArguments("127.0.0.100", "127.0.0.101", "255.255.255.0", "127.0.0.1", {"--yes", "--timeout", "50ms"}));
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(network.SentTo("127.0.0.100").size(), 3u);
    EXPECT_TRUE(network.SentTo("127.0.0.101").empty());
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0]["error"], "no reply to the write command (3 requests, 50 ms each)");
    EXPECT_NE(run.err.find("korvactl set: the write went out without its acknowledgement; the device may hold the "
                           "new parameters and take them at its next restart; korvactl reset 127.0.0.100 completes it"),
              std::string::npos)
        << run.err;
}

TEST(SetCommand, AnErrReplyIsTheDevicesRefusal) {
    ScriptedNetwork network;
    network.AddDevice("127.0.0.100", [](const std::string&) { return Answer{"0100,ERR,0", 2ms}; });
    const CommandRun run =
        RunCommand(network, "set", SetArguments("127.0.0.100", "127.0.0.101", "255.255.255.0", "127.0.0.1", {"--yes"}));
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(network.Sent().size(), 1u) << "a refusal is an answer: nothing is sent again";
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0]["error"], "the device refused the write command (ERR)");
    EXPECT_EQ(run.records[0]["keyword"], "ERR");
    EXPECT_EQ(run.err, "korvactl set: 127.0.0.100: the device refused the write command (ERR)\n");
}

TEST(SetCommand, RefusesValuesThatWouldStrandTheDeviceUnlessForced) {
    const std::vector<std::string> bad = SetArguments("127.0.0.100", "127.0.0.0", "255.255.255.0", "127.0.1.1");
    ScriptedNetwork refused;
    const CommandRun run = RunCommand(refused, "set", bad);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(refused.LinksOpened(), 0);
    EXPECT_NE(run.err.find("address 127.0.0.0 is the network address of its subnet"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("gateway 127.0.1.1 is outside the subnet"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nothing written"), std::string::npos);

    ScriptedNetwork forced;
    forced.AddDevice("127.0.0.100", WritableDevice("127.0.0.100"));
    std::vector<std::string> withForce = bad;
    withForce.insert(withForce.end(), {"--force", "--timeout", "10ms", "--retries", "0"});
    EXPECT_EQ(RunCommand(forced, "set", withForce).exitStatus, 0);
    ASSERT_FALSE(forced.Sent().empty());
    EXPECT_EQ(forced.Sent()[0].bytes, "wPr000 127.000.000.000 255.255.255.000 127.000.001.001\r\n");
}

TEST(SetCommand, AsksOnATerminalInItsLanguageAndRefusesWithoutOne) {
    const std::string english =
        "Write address 127.0.0.100, mask 255.255.255.0, gateway 127.0.0.1 to the device at 127.0.0.100? [y/N] ";
    const std::string portuguese =
        "Gravar endereço 127.0.0.100, máscara 255.255.255.0, gateway 127.0.0.1 no dispositivo em 127.0.0.100? [s/N] ";
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
        network.AddDevice("127.0.0.100", WritableDevice("127.0.0.100"));
        const CommandRun run =
            RunCommand(network, "set",
                       SetArguments("127.0.0.100", "127.0.0.100", "255.255.255.0", "127.0.0.1",
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
    EXPECT_EQ(
        RunCommand(network, "set", {"127.0.0.100", "--ip", "10.0.0.7", "--mask", "255.0.0.0", "--yes"}).exitStatus, 2);
    EXPECT_EQ(RunCommand(network, "set", SetArguments("127.0.0.100", "10.0.0.7", "255.0.0.0", "10.0.0.1")).exitStatus,
              1);  // all there, but nobody answers: the write is not acknowledged
    ScriptedNetwork untouched;
    std::vector<std::string> twoDevices = SetArguments("127.0.0.100", "10.0.0.7", "255.0.0.0", "10.0.0.1");
    twoDevices.push_back("127.0.0.101");
    EXPECT_EQ(RunCommand(untouched, "set", twoDevices).exitStatus, 2);
    EXPECT_EQ(RunCommand(untouched, "set", {"-f", "devices.txt"}).exitStatus, 2);  // no option -f for set
    EXPECT_TRUE(untouched.Sent().empty());
}

}  // namespace
}  // namespace korva::ctl::testing
