// The console's rules on their own: a recording link instead of the socket, a recording view instead
// of the window, a clock the test sets, and the polling tick called by hand. No widget, no waiting.
#include "console/console_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "console/console_view.h"
#include "protocol/messages.h"
#include "protocol/unscramble.h"
#include "reply_texts.h"
#include "transport/host_address.h"

namespace {

using korva::console::ConsoleCore;
using korva::console::TimedMessage;
using namespace std::chrono_literals;

constexpr const char* kDevice = "10.1.1.5";  // never sent to: the link only records
constexpr const char* kStatus = "0100,SND,0,25,60,244,1,0,1,123,0,0,0";
constexpr const char* kParameters = "0100,RPR,0,10.1.1.5,255.255.255.0,10.1.1.1,0:1:2:3:4:5";
constexpr const char* kResetAck = "0100,RST,0,ACK";
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

    std::vector<Sent> sent;
    std::vector<std::uint32_t> accepted;
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
    bool ShowMessage(const TimedMessage& message) override {
        messages.push_back(message);
        if (message.kind == TimedMessage::kQuestion) {
            events.push_back("write question");
            return operatorSaysYes;
        }
        if (message.text == korva::console::texts::kWriteDone)
            events.push_back("write done");
        if (message.text == korva::console::texts::kRestartPending)
            events.push_back("restart pending");
        return true;
    }

    int Count(const std::string& event) const {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }

    bool operatorSaysYes = true;
    std::vector<std::string> events;
    std::vector<std::chrono::system_clock::time_point> replyTimes;
    std::int32_t shownEcho = -1;
    std::string shownMask;
    bool restartPendingShown = false;
    bool automaticShown = false;
    std::string noReply;
    std::optional<korva::ParameterBox> focused;
    std::vector<TimedMessage> messages;
};

class ConsoleCoreTest : public ::testing::Test {
protected:
    // Requests of n polling ticks, in order.
    std::vector<std::string> Ticks(int n) {
        for (int i = 0; i < n; ++i)
            core_.Tick(kDevice);
        return link_.TakeRequests();
    }
    // Automatic mode with the parameters already read: one request a tick.
    void Polling() {
        core_.HandleDatagram(kParameters);
        core_.ToggleAutomaticMode();
        link_.TakeRequests();
    }

    RecordingLink link_;
    RecordingView view_;
    std::chrono::system_clock::time_point now_{std::chrono::seconds(1'700'000'000)};
    ConsoleCore core_{link_, view_, [this] { return now_; }};
};

TEST_F(ConsoleCoreTest, TheAutomaticParameterRequestStopsForTheRestOfTheRunAfterAnyParameterReply) {
    EXPECT_TRUE(Ticks(3).empty()) << "nothing is sent outside automatic mode";
    core_.ToggleAutomaticMode();
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

    core_.ToggleAutomaticMode();
    EXPECT_FALSE(view_.automaticShown);
    EXPECT_TRUE(Ticks(1).empty());
    core_.ToggleAutomaticMode();
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
    const Step steps[] = {{flagged, true, 1}, {flagged, true, 1}, {kParameters, false, 1}, {flagged, true, 2}};
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
            link, view_, [this] { return now_; }, port);
        core.ReadLiveData(kDevice);
        core.ReadParameters(kDevice);
        core.Tick(kDevice);
        ASSERT_EQ(link.sent.size(), 2u);
        for (const Sent& one : link.sent)
            EXPECT_EQ(one.port, port) << one.request;
    }
}

TEST_F(ConsoleCoreTest, ATickThatCannotSendIsDroppedAndBelievesNobody) {
    Polling();
    core_.Tick(kDevice);
    ASSERT_EQ(link_.accepted.size(), 1u);
    // A blank makes the text a name no resolver is asked about.
    core_.Tick("no such host");
    EXPECT_TRUE(link_.TakeRequests().size() == 1u);
    EXPECT_TRUE(link_.accepted.empty());
    EXPECT_THROW(core_.ReadLiveData("no such host"), std::exception) << "a button shows what a tick drops";
    EXPECT_EQ(view_.Count("clear live data"), 1) << "cleared before sending, as the button always did";
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
    core_.ToggleAutomaticMode();
    EXPECT_TRUE(Ticks(2).empty());
    core_.ToggleAutomaticMode();
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
    EXPECT_EQ(view_.messages[0].text, korva::console::texts::kResetNotConfirmed);
    EXPECT_EQ(view_.messages[0].colour.red, 255);
    EXPECT_EQ(view_.messages[0].colour.green, 0);
    Ticks(3);
    EXPECT_EQ(view_.messages.size(), 1u) << "told once";

    core_.StartReset();
    Ticks(korva::DeviceSession::kResetAttempts);
    core_.HandleDatagram(kResetAck);
    EXPECT_EQ(view_.Count("reset acknowledged"), 1);
    Ticks(2);
    EXPECT_EQ(view_.messages.size(), 1u) << "acknowledged after the fifteenth command: no notice";
}

}  // namespace
