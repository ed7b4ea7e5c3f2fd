// The console's rules driven by a stream of operator actions, polling ticks, datagrams and names found
// or not, with a recording link, lookups and view. Whatever the order, the rules keep their promises.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "console/console_core.h"
#include "console/console_view.h"
#include "protocol/fields.h"
#include "protocol/messages.h"
#include "protocol/unscramble.h"
#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/require.h"
#include "transport/name_resolver.h"

namespace korva::fuzz {
namespace {

// The last is a name: the recorded lookups find it, or not, when the input says so.
constexpr const char* kAddressTexts[] = {"127.0.0.2", "127.0.0.3", "10.1.1.5", "korva.site"};
constexpr std::uint32_t kNameFound = 0x7F000004;
constexpr const char* kAutomaticParameterRequest = "rPr000\r\n";

class Link : public transport::DeviceLink {
public:
    void SendTo(std::uint32_t, std::uint16_t port, std::string_view data) override {
        Require(port == kDevicePort);
        sent.emplace_back(data);
    }
    void AcceptOnlyFrom(std::vector<std::uint32_t>) override {}
    std::vector<std::string> sent;
};

class Lookups : public transport::NameLookups {
public:
    void Start(const std::string&, Found found) override { waiting.push_back(std::move(found)); }
    std::deque<Found> waiting;
};

class View : public console::ConsoleView {
public:
    void ClearLiveData() override {}
    void ClearParameters() override { ++parametersCleared; }
    void ShowStatus(const StatusReading&) override {}
    void ShowParameters(const ParameterReading&) override {}
    void ShowReplyTime(std::chrono::system_clock::time_point) override {}
    void ShowResetAcknowledged() override {}
    void ShowRestartPending(bool shown) override {
        if (!shown)
            toldWhileShown = false;
    }
    void ShowAutomaticMode(bool) override {}
    void ShowNoReply(const std::string&) override {}
    void FocusNewParameter(ParameterBox) override {}
    void ShowDeviceAddress(const std::string&) override {}
    void ShowBusy(console::Button, bool) override {}
    void ShowError(const std::string&) override {}
    bool ShowMessage(const console::TimedMessage& message) override {
        if (message.kind == console::TimedMessage::kQuestion) {
            (answerYes ? writesConfirmed : writesDeclined) += 1;
            return answerYes;
        }
        if (message.text == console::texts::MessageText(console::texts::kWriteDone)) {
            ++writesDone;
        } else if (message.text == console::texts::MessageText(console::texts::kRestartPending)) {
            // Told only as the label appears: never again while it stays up.
            Require(!toldWhileShown);
            toldWhileShown = true;
        }
        return true;
    }

    bool answerYes = false;
    bool toldWhileShown = false;
    int writesConfirmed = 0;
    int writesDeclined = 0;
    int writesDone = 0;
    int parametersCleared = 0;
};

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return used_ >= size_; }
    std::uint8_t Byte() { return used_ < size_ ? data_[used_++] : 0; }
    std::string Bytes(std::size_t count) {
        const std::size_t taken = std::min(count, size_ - std::min(size_, used_));
        std::string bytes(reinterpret_cast<const char*>(data_ + used_), taken);
        used_ += taken;
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

bool IsReset(const std::string& request) {
    return request.rfind("rst000005", 0) == 0;
}

}  // namespace

void DriveConsoleCore(const std::uint8_t* data, std::size_t size) {
    Link link;
    Lookups lookups;
    View view;
    console::ConsoleCore core(link, lookups, view, [] { return std::chrono::system_clock::time_point(); });
    Input input(data, size);
    std::string address = kAddressTexts[0];
    bool parametersShown = false;
    int resetsSinceStart = 0;
    while (!input.Empty()) {
        const std::size_t sentBefore = link.sent.size();
        const int writesDoneBefore = view.writesDone;
        const int declinedBefore = view.writesDeclined;
        const int clearedBefore = view.parametersCleared;
        bool parameterReply = false;
        // The rules never throw: a name found nowhere or a failed send is told in the error box.
        switch (input.Byte() % 9) {
            case 0:
                address = kAddressTexts[input.Byte() % std::size(kAddressTexts)];
                break;
            case 1:
                core.ReadLiveData(address);
                break;
            case 2:
                core.ReadParameters(address);
                break;
            case 3:
                view.answerYes = input.Byte() % 2 == 0;
                core.WriteParameters(address, {kAddressTexts[input.Byte() % 3], "255.255.255.0", "10.1.1.1"});
                break;
            case 4:
                core.StartReset();
                resetsSinceStart = 0;
                break;
            case 5:
                core.ToggleAutomaticMode(address);
                break;
            case 6:
                core.Tick();
                break;
            case 7: {
                const std::string datagram = input.Bytes(input.Byte());
                const std::string trimmed = Trim(datagram);
                const PlainReply reply = UnscrambleReply(trimmed);
                parameterReply =
                    !trimmed.empty() && ReadReplyKind(reply.text, reply.headerOffset) == ReplyKind::kParameters;
                core.HandleDatagram(datagram);
                break;
            }
            default:
                if (!lookups.waiting.empty()) {
                    const transport::NameLookups::Found found = std::move(lookups.waiting.front());
                    lookups.waiting.pop_front();
                    found(input.Byte() % 2 == 0 ? std::optional<std::uint32_t>(kNameFound) : std::nullopt);
                }
                break;
        }
        const std::vector<std::string> sent(link.sent.begin() + static_cast<std::ptrdiff_t>(sentBefore),
                                            link.sent.end());
        if (view.writesDeclined > declinedBefore)
            Require(sent.empty());  // NÃO sends nothing
        // The parameters are asked again only of another device, or of this one back from its restart: the
        // parameter display is cleared for both.
        if (view.parametersCleared > clearedBefore)
            parametersShown = false;
        for (const std::string& request : sent) {
            if (parametersShown)
                Require(request != kAutomaticParameterRequest);
            if (IsReset(request))
                Require(++resetsSinceStart <= DeviceSession::kResetAttempts);
        }
        // One write, at most one answer.
        Require(view.writesDone - writesDoneBefore <= 1);
        Require(view.writesDone <= view.writesConfirmed);
        parametersShown = parametersShown || parameterReply;
    }
}

}  // namespace korva::fuzz
