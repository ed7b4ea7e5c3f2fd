// The console's rules on their own: a recording link instead of the socket, recorded lookups instead of
// the resolver, a recording view instead of the window, a clock the test sets, and the polling tick
// called by hand. No widget, no waiting.
#include "console/console_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "console/console_view.h"
#include "protocol/address_text.h"
#include "protocol/messages.h"
#include "protocol/unscramble.h"
#include "reply_texts.h"
#include "transport/host_address.h"
#include "transport/name_resolver.h"

namespace {

using korva::console::AddressLookups;
using korva::console::Button;
using korva::console::ConsoleCore;
using korva::console::TimedMessage;
namespace texts = korva::console::texts;
using namespace std::chrono_literals;

constexpr const char* kDevice = "10.1.1.5";  // never sent to: the link only records
constexpr const char* kStatus = "0100,SND,0,25,60,244,1,0,1,123,0,0,0";
constexpr const char* kParameters = "0100,RPR,0,10.1.1.5,255.255.255.0,10.1.1.1,0:1:2:3:4:5";
constexpr const char* kResetAck = "0100,RST,0,ACK";
constexpr const char* kResetNak = "0100,RST,0,NAK";
constexpr const char* kLiveData = "snd000\r\n";
constexpr const char* kAutomaticParameterRequest = "rPr000\r\n";

struct Sent {
    std::uint32_t address;
    std::uint16_t port;
    std::string request;
};

class RecordingLink : public korva::transport::DeviceLink {
public:
    void SendTo(std::uint32_t address, std::uint16_t port, std::string_view data) override {
        sent.push_back({address, port, std::string(data)});
    }
    void AcceptOnlyFrom(std::vector<std::uint32_t> sources) override { accepted = std::move(sources); }

    // The requests sent since the last call.
    std::vector<std::string> TakeRequests() {
        std::vector<std::string> requests;
        for (const Sent& one : sent)
            requests.push_back(one.request);
        sent.clear();
        return requests;
    }
    // The same, each as "address request" without its CR LF: "10.1.1.5 snd000".
    std::vector<std::string> TakeAddressed() {
        std::vector<std::string> requests;
        for (const Sent& one : sent)
            requests.push_back(korva::Ipv4Text(one.address) + " " + one.request.substr(0, one.request.size() - 2));
        sent.clear();
        return requests;
    }

    std::vector<Sent> sent;
    std::vector<std::uint32_t> accepted;
};

// Keeps every name asked for; the test answers them, late or never.
class RecordingLookups : public korva::transport::NameLookups {
public:
    void Start(const std::string& name, Found found) override { asked.push_back({name, std::move(found)}); }

    struct Asked {
        std::string name;
        Found found;
    };
    std::vector<Asked> asked;
};

class RecordingView : public korva::console::ConsoleView {
public:
    void ClearLiveData() override { events.push_back("clear live data"); }
    void ClearParameters() override { events.push_back("clear parameters"); }
    void ShowStatus(const korva::StatusReading& status) override { shownEcho = status.echo; }
    void ShowParameters(const korva::ParameterReading& parameters) override { shownMask = parameters.mask; }
    void ShowReplyTime(std::chrono::system_clock::time_point at) override { replyTimes.push_back(at); }
    void ShowResetAcknowledged() override { events.push_back("reset acknowledged"); }
    void ShowRestartPending(bool shown) override { restartPendingShown = shown; }
    void ShowAutomaticMode(bool on) override { automaticShown = on; }
    void ShowNoReply(const std::string& notice) override { noReply = notice; }
    void FocusNewParameter(korva::ParameterBox box) override { focused = box; }
    void ShowDeviceAddress(const std::string& address) override { deviceAddress = address; }
    void ShowBusy(Button button, bool busy) override { this->busy[button] = busy; }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    bool ShowMessage(const TimedMessage& message) override {
        messages.push_back(message);
        if (message.kind == TimedMessage::kQuestion) {
            events.push_back("write question");
            return operatorSaysYes;
        }
        if (message.text == texts::MessageText(texts::kWriteDone))
            events.push_back("write done");
        if (message.text == texts::MessageText(texts::kRestartPending))
            events.push_back("restart pending");
        // What happens while the message is up: the polling timer keeps ticking.
        if (whileShown)
            whileShown();
        return true;
    }

    int Count(const std::string& event) const {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }

    bool operatorSaysYes = true;
    std::function<void()> whileShown;
    std::vector<std::string> events;
    std::vector<std::chrono::system_clock::time_point> replyTimes;
    std::int32_t shownEcho = -1;
    std::string shownMask;
    bool restartPendingShown = false;
    bool automaticShown = false;
    std::string noReply;
    std::optional<korva::ParameterBox> focused;
    std::string deviceAddress;
    std::map<Button, bool> busy;
    std::vector<std::string> errors;
    std::vector<TimedMessage> messages;
};

class ConsoleCoreTest : public ::testing::Test {
protected:
    // Requests of n polling ticks, in order.
    std::vector<std::string> Ticks(int n) {
        for (int i = 0; i < n; ++i)
            core_.Tick();
        return link_.TakeRequests();
    }
    // Automatic mode with the parameters already read: one request a tick.
    void Polling() {
        core_.HandleDatagram(kParameters);
        core_.ToggleAutomaticMode(kDevice);
        link_.TakeRequests();
    }

    RecordingLink link_;
    RecordingLookups lookups_;
    RecordingView view_;
    std::chrono::system_clock::time_point now_{std::chrono::seconds(1'700'000'000)};
    ConsoleCore core_{link_, lookups_, view_, [this] { return now_; }};
};

TEST_F(ConsoleCoreTest, TheAutomaticParameterRequestStopsForTheRestOfTheRunAfterAnyParameterReply) {
    EXPECT_TRUE(Ticks(3).empty()) << "nothing is sent outside automatic mode";
    core_.ToggleAutomaticMode(kDevice);
    EXPECT_TRUE(view_.automaticShown);
    const std::vector<std::string> beforeReply = {kAutomaticParameterRequest, kLiveData, kAutomaticParameterRequest,
                                                  kLiveData};
    EXPECT_EQ(Ticks(2), beforeReply);

    // The answer to a manual request counts as well.
    core_.ReadParameters(kDevice);
    EXPECT_EQ(link_.TakeRequests(), std::vector<std::string>{"rPr000 \r\n"});
    core_.HandleDatagram(kParameters);
    EXPECT_EQ(view_.shownMask, "255.255.255.0");
    EXPECT_EQ(Ticks(2), (std::vector<std::string>{kLiveData, kLiveData}));

    core_.ToggleAutomaticMode(kDevice);
    EXPECT_FALSE(view_.automaticShown);
    EXPECT_TRUE(Ticks(1).empty());
    core_.ToggleAutomaticMode(kDevice);
    EXPECT_EQ(Ticks(1), std::vector<std::string>{kLiveData}) << "not asked again when polling starts again";
}

TEST_F(ConsoleCoreTest, AResetGivesAtMostFifteenCommandsOnFifteenTicksAndStopsAtTheAcknowledgement) {
    Polling();
    core_.HandleDatagram(kStatus);  // echo number 123
    const std::string reset = korva::BuildResetCommand(123);

    core_.HandleDatagram(kResetAck);
    EXPECT_EQ(view_.Count("reset acknowledged"), 0) << "no reset was asked for";

    core_.StartReset();
    const std::vector<std::string> unanswered = Ticks(20);
    ASSERT_EQ(unanswered.size(), 20u);
    for (std::size_t i = 0; i < unanswered.size(); ++i)
        EXPECT_EQ(unanswered[i], i < korva::DeviceSession::kResetAttempts ? reset : kLiveData) << "tick " << i + 1;
    EXPECT_FALSE(core_.ResetPending());
    core_.HandleDatagram(kResetAck);
    EXPECT_EQ(view_.Count("reset acknowledged"), 0) << "too late: the console gave up";

    core_.StartReset();
    EXPECT_EQ(Ticks(3), (std::vector<std::string>{reset, reset, reset}));
    core_.HandleDatagram(kResetAck);
    EXPECT_EQ(view_.Count("reset acknowledged"), 1);
    EXPECT_EQ(Ticks(2), (std::vector<std::string>{kLiveData, kLiveData}));
}

TEST_F(ConsoleCoreTest, AWriteIsSentOnlyAfterSimAndIsReadBackAtTheNewAddress) {
    const korva::NewParameters parameters{"10.1.1.9", "255.255.0.0", "10.1.0.1"};
    view_.operatorSaysYes = false;  // NÃO, or the question timed out
    core_.WriteParameters(kDevice, parameters);
    EXPECT_EQ(view_.Count("write question"), 1);
    EXPECT_TRUE(link_.sent.empty());
    EXPECT_TRUE(link_.accepted.empty());

    view_.operatorSaysYes = true;
    core_.WriteParameters(kDevice, parameters);
    ASSERT_EQ(link_.sent.size(), 2u);
    const std::uint32_t device = korva::transport::ResolveHost(kDevice);
    const std::uint32_t moved = korva::transport::ResolveHost("10.1.1.9");
    EXPECT_EQ(link_.sent[0].address, device);
    EXPECT_EQ(link_.sent[0].request, korva::BuildWriteCommand("10.1.1.9", "255.255.0.0", "10.1.0.1"));
    EXPECT_EQ(link_.sent[1].address, moved);
    EXPECT_EQ(link_.sent[1].request, "rPr000 \r\n");
    EXPECT_EQ(link_.accepted, (std::vector<std::uint32_t>{device, moved}));
}

TEST_F(ConsoleCoreTest, OnlyTheReplyToAWriteSentIsTakenAsTheWritesAnswer) {
    const std::string oldDeviceWriteReply = korva::ScrambleReply("120,WPR,0", {120, 0, 0});
    core_.HandleDatagram(oldDeviceWriteReply);
    EXPECT_EQ(view_.Count("write done"), 0);
    EXPECT_TRUE(view_.replyTimes.empty()) << "an unasked write reply is ignored whole";

    core_.WriteParameters(kDevice, {"10.1.1.9", "255.255.0.0", "10.1.0.1"});
    for (int i = 0; i < 3; ++i)
        core_.HandleDatagram(oldDeviceWriteReply);
    EXPECT_EQ(view_.Count("write done"), 1) << "one write, one answer";
    EXPECT_EQ(view_.replyTimes.size(), 1u);
}

TEST_F(ConsoleCoreTest, AFlaggedReplyTellsOfTheChangeOnceWhileTheLabelStaysShown) {
    const std::string flagged = WithGeneralChangedFlag(kParameters, 0);
    struct Step {
        std::string reply;
        bool labelShown;
        int toldSoFar;
    };
    // Any reply without the flag takes the label down, a reset's answer as well as a reading.
    const Step steps[] = {{flagged, true, 1}, {flagged, true, 1},  {kParameters, false, 1},
                          {flagged, true, 2}, {kResetNak, false, 2}, {flagged, true, 3}};
    for (const Step& step : steps) {
        core_.HandleDatagram(step.reply);
        EXPECT_EQ(view_.restartPendingShown, step.labelShown);
        EXPECT_EQ(view_.Count("restart pending"), step.toldSoFar);
    }
}

TEST_F(ConsoleCoreTest, EachReplyIsShownWithTheClocksTimeAndItsEchoIsUsedByTheReset) {
    core_.HandleDatagram(kStatus);
    now_ += 90s;
    core_.HandleDatagram("0100,SND,0,25,60,244,1,0,1,77,0,0,0");
    ASSERT_EQ(view_.replyTimes.size(), 2u);
    EXPECT_EQ(view_.replyTimes[1] - view_.replyTimes[0], 90s);
    EXPECT_EQ(view_.shownEcho, 77);

    Polling();
    core_.StartReset();
    EXPECT_EQ(Ticks(1), std::vector<std::string>{korva::BuildResetCommand(77)});
}

TEST_F(ConsoleCoreTest, ABlankOrEmptyDatagramShowsNothing) {
    for (const std::string& datagram : {std::string(" \r\n\t"), std::string()}) {
        core_.HandleDatagram(datagram);
        EXPECT_TRUE(view_.replyTimes.empty());
        EXPECT_TRUE(view_.events.empty());
        EXPECT_EQ(view_.shownEcho, -1);
    }
}

TEST_F(ConsoleCoreTest, EveryRequestGoesToTheDevicePortTheRulesWereGiven) {
    for (const std::uint16_t port : {korva::kDevicePort, std::uint16_t{40123}}) {
        RecordingLink link;
        ConsoleCore core(
            link, lookups_, view_, [this] { return now_; }, port);
        core.ReadLiveData(kDevice);
        core.ReadParameters(kDevice);
        core.Tick();
        ASSERT_EQ(link.sent.size(), 2u);
        for (const Sent& one : link.sent)
            EXPECT_EQ(one.port, port) << one.request;
    }
}

// A name typed as the device's address is looked up away from the window's thread, two seconds at the
// most: the button shows it is busy meanwhile and ignores clicks, and a name found nowhere, or not in
// time, ends in the error box the failed send always did.
TEST_F(ConsoleCoreTest, AButtonWaitsForANameBusyForTwoSecondsAtTheMostAndTellsWhenItIsNotFound) {
    constexpr const char* kName = "korva-7.site";  // only ever given to the recorded lookups
    const std::uint32_t found = *korva::ParseIpv4("10.1.1.7");
    const std::string notFound = "Socket Error # 11001\r\nHost not found.";
    struct Case {
        Button button;
        int ticksFirst;                       // before the answer
        std::optional<std::uint32_t> answer;  // nullopt: found nowhere
        std::vector<std::string> sent;        // once the answer is in
        bool errorShown;
    };
    const std::string write = "10.1.1.7 wPr000 010.001.001.009 255.255.255.000 010.001.001.001";
    const Case cases[] = {
        {Button::kReadLiveData, 1, found, {"10.1.1.7 snd000"}, false},
        {Button::kReadParameters, 0, std::nullopt, {}, true},
        {Button::kWrite, AddressLookups::kGiveUpTicks - 1, found, {write, "10.1.1.9 rPr000 "}, false},
        // Not in time: the answer that comes later is nobody's.
        {Button::kReadLiveData, AddressLookups::kGiveUpTicks, found, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.button));
        RecordingLink link;
        RecordingLookups lookups;
        RecordingView view;
        ConsoleCore core(link, lookups, view, [this] { return now_; });
        const auto press = [&] {
            if (c.button == Button::kReadLiveData)
                core.ReadLiveData(kName);
            else if (c.button == Button::kReadParameters)
                core.ReadParameters(kName);
            else
                core.WriteParameters(kName, {"10.1.1.9", "255.255.255.0", "10.1.1.1"});
        };
        press();
        press();  // clicked again while busy
        ASSERT_EQ(lookups.asked.size(), 1u);
        EXPECT_EQ(lookups.asked[0].name, kName);
        EXPECT_TRUE(view.busy[c.button]);
        for (int i = 0; i < c.ticksFirst; ++i)
            core.Tick();
        EXPECT_TRUE(link.sent.empty());
        lookups.asked[0].found(c.answer);
        EXPECT_FALSE(view.busy[c.button]);
        EXPECT_EQ(link.TakeAddressed(), c.sent);
        EXPECT_EQ(view.errors, c.errorShown ? std::vector<std::string>{notFound} : std::vector<std::string>{});
        if (c.errorShown) {
            EXPECT_TRUE(link.accepted.empty()) << "the box no longer names the device believed before";
        }
    }
}

TEST_F(ConsoleCoreTest, AutomaticModeLooksANameUpOnceAndStaysSilentWhenItIsFoundNowhere) {
    core_.ToggleAutomaticMode("korva-7.site");
    EXPECT_TRUE(Ticks(2).empty());
    EXPECT_TRUE(link_.accepted.empty()) << "nobody is believed until the name is found";
    ASSERT_EQ(lookups_.asked.size(), 1u);
    lookups_.asked[0].found(*korva::ParseIpv4("10.1.1.7"));
    Ticks(6);
    EXPECT_EQ(lookups_.asked.size(), 1u) << "once, not on every tick";
    EXPECT_EQ(link_.accepted, std::vector<std::uint32_t>{*korva::ParseIpv4("10.1.1.7")});

    core_.ToggleAutomaticMode("korva-7.site");
    core_.ToggleAutomaticMode("korva-8.site");
    ASSERT_EQ(lookups_.asked.size(), 2u);
    lookups_.asked[1].found(std::nullopt);
    EXPECT_TRUE(Ticks(ConsoleCore::kSilentPeriods + 1).empty());
    EXPECT_TRUE(view_.errors.empty()) << "as silent as a tick's failed send";
    EXPECT_EQ(view_.noReply, texts::Text(texts::kNoReply));
}

using korva::ParameterBox;

TEST_F(ConsoleCoreTest, AWriteIsCheckedFirstAndARefusedValueIsNamedFocusedAndNeverSent) {
    struct Case {
        korva::NewParameters parameters;
        std::optional<ParameterBox> refused;  // nullopt: asked and sent
        const char* shownAs;                  // how the refused box is named in the message
        const char* why = "";                 // part of the reason given
        const char* device = kDevice;         // where the device is now
    };
    constexpr const char* kSimulated = "127.0.0.9";
    const Case cases[] = {
        {{"10.1.1.9", "255.255.255.0", "10.1.1.1"}, std::nullopt, ""},
        {{"010.001.001.009", "255.255.255.252", "010.001.001.010"}, std::nullopt, ""},  // zero-padded, a /30
        {{"10.1.1.254", "255.255.255.0", "10.1.1.253"}, std::nullopt, ""},              // last hosts of the subnet
        {{"300.1.1.1", "255.255.255.0", "10.1.1.1"}, ParameterBox::kAddress, "endereço novo: 300.1.1.1"},
        {{"abc", "255.255.255.0", "10.1.1.1"}, ParameterBox::kAddress, "endereço novo: abc"},
        {{"", "255.255.255.0", "10.1.1.1"}, ParameterBox::kAddress, "endereço novo: (vazio)"},
        {{"10.1.1.9", "255.0.255.0", "10.1.1.1"}, ParameterBox::kMask, "máscara nova: 255.0.255.0"},
        {{"10.1.1.9", "0.0.0.0", "10.1.1.1"}, ParameterBox::kMask, "máscara nova: 0.0.0.0"},
        {{"10.1.1.9", "255.255.255.254", "10.1.1.8"}, ParameterBox::kMask, "máscara nova: 255.255.255.254"},
        {{"10.1.1.0", "255.255.255.0", "10.1.1.1"}, ParameterBox::kAddress, "endereço novo: 10.1.1.0"},
        {{"10.1.1.255", "255.255.255.0", "10.1.1.1"}, ParameterBox::kAddress, "endereço novo: 10.1.1.255"},
        {{"10.1.1.9", "255.255.255.0", "10.0.0.1"}, ParameterBox::kGateway, "gateway novo: 10.0.0.1"},
        {{"10.1.1.9", "255.255.255.0", "10.1.1.9"}, ParameterBox::kGateway, "gateway novo: 10.1.1.9"},
        {{"10.1.1.9", "255.255.255.0", "10.1.1.255"}, ParameterBox::kGateway, "gateway novo: 10.1.1.255"},
        // Blocks no device is reached at, for either box; just outside each of them is usable.
        {{"0.0.0.5", "255.0.0.0", "0.0.0.1"}, ParameterBox::kAddress, "endereço novo: 0.0.0.5", "0.0.0.0/8"},
        {{"10.1.1.9", "255.255.255.0", "0.1.1.1"}, ParameterBox::kGateway, "gateway novo: 0.1.1.1", "0.0.0.0/8"},
        {{"1.0.0.5", "255.0.0.0", "1.0.0.1"}, std::nullopt, ""},
        {{"224.0.0.10", "255.255.255.0", "224.0.0.1"}, ParameterBox::kAddress, "endereço novo: 224", "multicast"},
        {{"10.1.1.9", "255.255.255.0", "239.255.255.250"}, ParameterBox::kGateway, "gateway novo: 239", "multicast"},
        {{"223.255.255.1", "255.255.255.0", "223.255.255.254"}, std::nullopt, ""},
        {{"240.1.1.5", "255.255.255.0", "240.1.1.1"}, ParameterBox::kAddress, "endereço novo: 240", "240.0.0.0/4"},
        {{"255.255.255.5", "255.255.255.0", "10.1.1.1"}, ParameterBox::kAddress, "endereço novo: 255", "240.0.0.0/4"},
        {{"10.1.1.9", "255.255.255.0", "255.255.255.255"}, ParameterBox::kGateway, "gateway novo: 255", "240.0.0.0/4"},
        {{"169.254.1.5", "255.255.0.0", "169.254.0.1"}, ParameterBox::kAddress, "endereço novo: 169", "link-local"},
        {{"10.1.1.9", "255.255.255.0", "169.254.1.1"}, ParameterBox::kGateway, "gateway novo: 169", "link-local"},
        {{"169.255.0.5", "255.255.0.0", "169.255.0.1"}, std::nullopt, ""},
        {{"127.0.0.5", "255.0.0.0", "127.0.0.1"}, ParameterBox::kAddress, "endereço novo: 127.0.0.5", "loopback"},
        {{"10.1.1.9", "255.255.255.0", "127.0.0.1"}, ParameterBox::kGateway, "gateway novo: 127.0.0.1", "loopback"},
        {{"128.0.0.5", "255.255.0.0", "128.0.0.1"}, std::nullopt, ""},
        // A simulated device on this machine may move within loopback, and only there.
        {{"127.0.0.5", "255.0.0.0", "127.0.0.1"}, std::nullopt, "", "", kSimulated},
        {{"224.0.0.10", "255.255.255.0", "224.0.0.1"}, ParameterBox::kAddress, "endereço", "multicast", kSimulated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parameters.address + " " + c.parameters.mask + " " + c.parameters.gateway);
        view_.messages.clear();
        view_.focused.reset();
        core_.WriteParameters(c.device, c.parameters);
        ASSERT_EQ(view_.messages.size(), 1u);
        const TimedMessage& shown = view_.messages[0];
        if (!c.refused) {
            EXPECT_EQ(shown.kind, TimedMessage::kQuestion);
            EXPECT_EQ(link_.TakeRequests().size(), 2u) << "the write and its read-back";
            EXPECT_FALSE(view_.focused);
            continue;
        }
        EXPECT_EQ(shown.kind, TimedMessage::kInformation);
        EXPECT_EQ(shown.seconds, 0) << "waits for OK";
        EXPECT_EQ(shown.colour.red, 255);
        EXPECT_EQ(shown.colour.green, 0);
        EXPECT_EQ(shown.text.rfind(c.shownAs, 0), 0u) << shown.text;
        EXPECT_NE(shown.text.find(c.why), std::string::npos) << shown.text;
        EXPECT_EQ(view_.focused, c.refused);
        EXPECT_TRUE(link_.sent.empty());
    }
}

TEST_F(ConsoleCoreTest, TheWriteQuestionShowsWhatChangesFromTheParametersLastRead) {
    const korva::NewParameters parameters{"10.1.1.9", "255.255.255.0", "10.1.1.1"};
    view_.operatorSaysYes = false;
    core_.WriteParameters(kDevice, parameters);
    EXPECT_EQ(view_.messages.back().text,
              "Confirma alteração de parâmetros ?\r\rendereço 10.1.1.9\rmáscara 255.255.255.0\rgateway 10.1.1.1")
        << "nothing read: the three new values";

    core_.ReadParameters(kDevice);
    core_.HandleDatagram(kParameters);  // 10.1.1.5, 255.255.255.0, 10.1.1.1
    core_.WriteParameters(kDevice, parameters);
    EXPECT_EQ(view_.messages.back().text, "Confirma alteração de parâmetros ?\r\rendereço 10.1.1.5 → 10.1.1.9");

    core_.WriteParameters("010.001.001.005", {"10.1.1.5", "255.255.0.0", "010.001.001.001"});
    EXPECT_EQ(view_.messages.back().text, "Confirma alteração de parâmetros ?\r\rmáscara 255.255.255.0 → 255.255.0.0");

    core_.WriteParameters("10.1.1.6", parameters);
    EXPECT_EQ(view_.messages.back().text,
              "Confirma alteração de parâmetros ?\r\rendereço 10.1.1.9\rmáscara 255.255.255.0\rgateway 10.1.1.1")
        << "what was read belongs to another device";
}

TEST_F(ConsoleCoreTest, AutomaticModeShowsASilentDeviceAfterThreePeriodsAndItsNextReplyAtOnce) {
    Polling();
    Ticks(3);
    EXPECT_EQ(view_.noReply, "") << "three periods have not passed since the first request";
    Ticks(1);
    EXPECT_EQ(view_.noReply, "sem resposta");
    const std::size_t sent = Ticks(2).size();
    EXPECT_EQ(sent, 2u) << "polling goes on as before";
    core_.HandleDatagram(kStatus);
    EXPECT_EQ(view_.noReply, "");
    Ticks(3);
    EXPECT_EQ(view_.noReply, "") << "counted again from the reply";
    Ticks(1);
    EXPECT_EQ(view_.noReply, "sem resposta");
}

TEST_F(ConsoleCoreTest, AButtonsRequestUnansweredForASecondSaysWhichDeviceIsSilent) {
    core_.ReadLiveData(kDevice);
    Ticks(ConsoleCore::kManualReplyTicks - 1);
    EXPECT_EQ(view_.noReply, "");
    Ticks(1);
    EXPECT_EQ(view_.noReply, "sem resposta de 10.1.1.5");

    core_.ReadParameters(kDevice);
    EXPECT_EQ(view_.noReply, "") << "a new request waits afresh";
    core_.HandleDatagram(kParameters);
    link_.TakeRequests();
    EXPECT_TRUE(Ticks(ConsoleCore::kManualReplyTicks + 2).empty()) << "waiting sends nothing";
    EXPECT_EQ(view_.noReply, "") << "answered in time";
}

TEST_F(ConsoleCoreTest, AResetGoesOnWhereItWasWhenAutomaticModeIsLeftAndResumed) {
    Polling();
    core_.HandleDatagram(kStatus);  // echo number 123
    const std::string reset = korva::BuildResetCommand(123);
    core_.StartReset();
    EXPECT_EQ(Ticks(5), std::vector<std::string>(5, reset));
    core_.ToggleAutomaticMode(kDevice);
    EXPECT_TRUE(Ticks(2).empty());
    core_.ToggleAutomaticMode(kDevice);
    const int left = static_cast<int>(korva::DeviceSession::kResetAttempts) - 5;
    EXPECT_EQ(Ticks(left), std::vector<std::string>(left, reset));
    EXPECT_EQ(Ticks(1), std::vector<std::string>{kLiveData});
}

TEST_F(ConsoleCoreTest, FifteenUnacknowledgedResetCommandsEndInARedNoticeAndALateAckStillCounts) {
    Polling();
    core_.StartReset();
    Ticks(korva::DeviceSession::kResetAttempts);
    EXPECT_TRUE(view_.messages.empty()) << "the last command's acknowledgement has a period to come";
    Ticks(1);
    ASSERT_EQ(view_.messages.size(), 1u);
    EXPECT_EQ(view_.messages[0].text, texts::MessageText(texts::kResetNotConfirmed));
    EXPECT_EQ(view_.messages[0].colour.red, 255);
    EXPECT_EQ(view_.messages[0].colour.green, 0);
    Ticks(3);
    EXPECT_EQ(view_.messages.size(), 1u) << "told once";

    core_.StartReset();
    Ticks(korva::DeviceSession::kResetAttempts);
    core_.HandleDatagram(kResetAck);
    EXPECT_EQ(view_.Count("reset acknowledged"), 1);
    Ticks(2);
    ASSERT_EQ(view_.messages.size(), 2u);
    EXPECT_EQ(view_.messages[1].text, texts::ResetConfirmed(kDevice)) << "acknowledged after the fifteenth command";
}

// The technician's walk: a device written a new address, reset, followed there and read back, and the
// turns it can take. Each step sends what it lists ("address request"), and tells and clears exactly
// what it lists; the notice beside the clock and the address box are checked where given.
TEST(ConsoleCoreWalk, ADeviceIsFollowedThroughItsResetAndNeverTakenForAnother) {
    struct Expect {
        std::vector<std::string> sent = {};
        std::optional<std::string> notice = {};
        std::vector<std::string> told = {};     // the messages shown, questions left out
        std::vector<std::string> cleared = {};  // "clear live data", "clear parameters"
        std::optional<std::string> address = {};
    };
    using Act = std::function<void(ConsoleCore & core, RecordingView & view)>;
    struct Step {
        std::string what;
        Act act;
        Expect expect;
    };
    const auto write = [](std::string to, Expect expect = {}) {
        return Step{"write " + to,
                    [to](ConsoleCore& core, RecordingView&) {
                        core.WriteParameters(kDevice, {to, "255.255.255.0", "10.1.1.1"});
                    },
                    std::move(expect)};
    };
    const auto automatic = [](std::string address, Expect expect = {}) {
        return Step{"aut " + address,
                    [address](ConsoleCore& core, RecordingView&) { core.ToggleAutomaticMode(address); },
                    std::move(expect)};
    };
    const auto reset = [] { return Step{"reset", [](ConsoleCore& core, RecordingView&) { core.StartReset(); }, {}}; };
    const auto ticks = [](int n, Expect expect = {}) {
        return Step{std::to_string(n) + " ticks",
                    [n](ConsoleCore& core, RecordingView&) {
                        for (int tick = 0; tick < n; ++tick)
                            core.Tick();
                    },
                    std::move(expect)};
    };
    // ticksMeanwhile pass while a message the reply opens is up.
    const auto reply = [](std::string text, Expect expect = {}, int ticksMeanwhile = 0) {
        return Step{"reply " + text,
                    [text, ticksMeanwhile](ConsoleCore& core, RecordingView& view) {
                        view.whileShown = [&core, ticksMeanwhile] {
                            for (int tick = 0; tick < ticksMeanwhile; ++tick)
                                core.Tick();
                        };
                        core.HandleDatagram(text);
                        view.whileShown = nullptr;
                    },
                    std::move(expect)};
    };
    const auto times = [](int n, const std::string& request) { return std::vector<std::string>(n, request); };
    const auto join = [](std::vector<std::vector<Step>> parts) {
        std::vector<Step> steps;
        for (auto& part : parts)
            steps.insert(steps.end(), part.begin(), part.end());
        return steps;
    };

    const std::string oldFormWriteReply = "0100,WPR,0";  // answered with "parâmetros alterados"
    const std::string writeTo9 = "10.1.1.5 wPr000 010.001.001.009 255.255.255.000 010.001.001.001";
    const std::string resetAt5 = "10.1.1.5 rst0000050000123";
    std::vector<std::string> resetsThenLiveData = times(14, resetAt5);
    resetsThenLiveData.insert(resetsThenLiveData.end(), 10, "10.1.1.5 snd000");

    const std::vector<Step> polling = {automatic(kDevice), reply(kParameters), reply(kStatus)};
    const std::vector<Step> resetSent = {reset(), ticks(1, {.sent = {resetAt5}})};
    const std::vector<Step> writtenAndReset = join({
        {write("10.1.1.9", {.sent = {writeTo9, "10.1.1.9 rPr000 "}}),
         reply(oldFormWriteReply, {.notice = "", .told = {texts::MessageText(texts::kWriteDone)}}),
         // The new address does not answer before the restart: that is no silence.
         ticks(ConsoleCore::kManualReplyTicks + 1, {.notice = ""})},
        polling,
        resetSent,
        {reply(kResetAck, {.notice = "reiniciando em 10.1.1.9",
                           .told = {"Reset confirmado: o dispositivo reinicia em 10.1.1.9"},
                           .address = "10.1.1.9"})},
    });
    struct Walk {
        const char* name;
        std::vector<Step> steps;
    };
    const Walk walks[] = {
        {"followed to the new address and read back there",
         join({writtenAndReset,
               {ticks(4, {.sent = times(4, "10.1.1.9 snd000"), .notice = "reiniciando em 10.1.1.9"}),
                reply(kStatus, {.notice = "", .cleared = {"clear parameters"}}),
                ticks(1, {.sent = {"10.1.1.9 rPr000", "10.1.1.9 snd000"}}),
                reply("0100,RPR,0,10.1.1.9,255.255.255.0,10.1.1.1,0:1:2:3:4:5"),
                ticks(1, {.sent = {"10.1.1.9 snd000"}})}})},
        // The tick after the confirmation closed does not count: replies may still wait behind it.
        {"the new address silent for 30 s",
         join({writtenAndReset,
               {ticks(ConsoleCore::kRestartPeriods, {.sent = times(ConsoleCore::kRestartPeriods, "10.1.1.9 snd000"),
                                                     .notice = "reiniciando em 10.1.1.9"}),
                ticks(1, {.sent = {"10.1.1.9 snd000"},
                          .notice = "sem resposta de 10.1.1.9",
                          .told = {"sem resposta em 10.1.1.9; antes em 10.1.1.5"}})}})},
        {"reset without a write",
         join(
             {polling,
              resetSent,
              {reply(kResetAck, {.notice = "reiniciando em 10.1.1.5",
                                 .told = {"Reset confirmado: o dispositivo reinicia em 10.1.1.5"},
                                 .address = ""}),
               ticks(1, {.sent = {"10.1.1.5 snd000"}}), reply(kStatus, {.notice = "", .cleared = {"clear parameters"}}),
               ticks(1, {.sent = {"10.1.1.5 rPr000", "10.1.1.5 snd000"}})}})},
        {"another address with a reset pending",
         join({polling,
               resetSent,
               {automatic(kDevice),
                automatic("10.1.1.6", {.told = {"Reset de 10.1.1.5 cancelado: o endereço mudou."},
                                       .cleared = {"clear live data", "clear parameters"}}),
                ticks(2, {.sent = {"10.1.1.6 rPr000", "10.1.1.6 snd000", "10.1.1.6 rPr000", "10.1.1.6 snd000"}}),
                reply(kResetAck, {.told = {}})}})},
        {"the same device written another way keeps its reset",
         join(
             {polling, resetSent, {automatic(kDevice), automatic("010.001.001.005"), ticks(1, {.sent = {resetAt5}})}})},
        {"a NAK during a pending reset leaves it going",
         join({polling, resetSent, {reply(kResetNak, {.notice = ""}), ticks(1, {.sent = {resetAt5}})}})},
        // Twelve seconds of ticks while the notice is up: the last reset command goes out, and neither the
        // silence nor the reset's verdict is told meanwhile, nor at the tick right after.
        {"a restart notice with replies and the acknowledgement waiting behind it",
         join({polling,
               resetSent,
               {reply(WithGeneralChangedFlag(kResetNak, 0),
                      {.sent = resetsThenLiveData, .notice = "", .told = {texts::MessageText(texts::kRestartPending)}}, 24),
                ticks(1, {.sent = {"10.1.1.5 snd000"}, .notice = ""}),
                reply(kResetAck, {.notice = "reiniciando em 10.1.1.5",
                                  .told = {"Reset confirmado: o dispositivo reinicia em 10.1.1.5"}})}})},
        {"the read-back at an unchanged address silent",
         {write(kDevice,
                {.sent = {"10.1.1.5 wPr000 010.001.001.005 255.255.255.000 010.001.001.001", "10.1.1.5 rPr000 "}}),
          reply(oldFormWriteReply, {.told = {texts::MessageText(texts::kWriteDone)}}),
          ticks(ConsoleCore::kManualReplyTicks + 1, {.notice = "sem resposta de 10.1.1.5"})}},
        {"a write to a new address unacknowledged",
         {write("10.1.1.9", {.sent = {writeTo9, "10.1.1.9 rPr000 "}}),
          ticks(ConsoleCore::kManualReplyTicks, {.notice = "sem resposta de 10.1.1.5"})}},
    };
    for (const Walk& walk : walks) {
        SCOPED_TRACE(walk.name);
        RecordingLink link;
        RecordingLookups lookups;
        RecordingView view;
        ConsoleCore core(link, lookups, view, [] { return std::chrono::system_clock::time_point(); });
        for (std::size_t i = 0; i < walk.steps.size(); ++i) {
            const Step& step = walk.steps[i];
            SCOPED_TRACE("step " + std::to_string(i + 1) + ": " + step.what);
            const std::size_t toldBefore = view.messages.size();
            const std::size_t eventsBefore = view.events.size();
            step.act(core, view);
            const Expect& expect = step.expect;
            EXPECT_EQ(link.TakeAddressed(), expect.sent);
            std::vector<std::string> told;
            for (std::size_t m = toldBefore; m < view.messages.size(); ++m) {
                if (view.messages[m].kind != TimedMessage::kQuestion)
                    told.push_back(view.messages[m].text);
            }
            EXPECT_EQ(told, expect.told);
            std::vector<std::string> cleared;
            for (std::size_t e = eventsBefore; e < view.events.size(); ++e) {
                if (view.events[e].starts_with("clear"))
                    cleared.push_back(view.events[e]);
            }
            EXPECT_EQ(cleared, expect.cleared);
            if (expect.notice) {
                EXPECT_EQ(view.noReply, *expect.notice);
            }
            if (expect.address) {
                EXPECT_EQ(view.deviceAddress, *expect.address);
            }
        }
    }
}

}  // namespace
