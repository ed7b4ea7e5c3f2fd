// The console's reply handler on top of the decoding: one copy of the datagram, nothing more, when the
// view it shows the reading through keeps no texts of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "allocation_counter.h"
#include "console/console_core.h"
#include "console/console_view.h"
#include "protocol/messages.h"
#include "transport/device_link.h"
#include "transport/name_resolver.h"

namespace {

class SilentLink : public korva::transport::DeviceLink {
public:
    void SendTo(std::uint32_t, std::uint16_t, std::string_view) override {}
    void AcceptOnlyFrom(std::vector<std::uint32_t>) override {}
};

class NoLookups : public korva::transport::NameLookups {
public:
    void Start(const std::string&, Found) override {}
};

// Keeps only what it needs to prove the reply was read, in members that never reach the heap.
class CountingView : public korva::console::ConsoleView {
public:
    void ClearLiveData() override {}
    void ClearParameters() override {}
    void ShowStatus(const korva::StatusReading& status) override {
        ++statuses;
        battery = status.batteryTenths;
    }
    void ShowParameters(const korva::ParameterReading&) override {}
    void ShowReplyTime(std::chrono::system_clock::time_point) override {}
    void ShowResetAcknowledged() override {}
    void ShowRestartPending(bool) override {}
    void ShowAutomaticMode(bool) override {}
    void ShowNoReply(const std::string&) override {}
    void FocusNewParameter(korva::ParameterBox) override {}
    void ShowDeviceAddress(const std::string&) override {}
    void ShowBusy(korva::console::Button, bool) override {}
    void ShowError(const std::string&) override {}
    bool ShowMessage(const korva::console::TimedMessage&) override { return false; }

    int statuses = 0;
    int battery = 0;
};

TEST(HandleDatagramAllocations, AStatusReplyCostsOneCopyOfTheDatagram) {
    SilentLink link;
    NoLookups lookups;
    CountingView view;
    korva::console::ConsoleCore core(link, lookups, view, [] { return std::chrono::system_clock::time_point(); });
    const std::string received = "  0100,SND,0,25,60,244,1,0,1,1,0,4711,X,Y,-,-\r\n";
    const std::size_t allocations = CountAllocations([&] { core.HandleDatagram(received); });
    EXPECT_EQ(view.statuses, 1);
    EXPECT_EQ(view.battery, 244);
    EXPECT_EQ(allocations, 1u);
}

}  // namespace
