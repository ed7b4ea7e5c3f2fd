#include "app/console_wiring.h"

#include <chrono>
#include <string>
#include <thread>
#include <utility>

namespace korva::app {

ConsoleWiring::ConsoleWiring(console::ConsoleView& view, std::function<void()> wakeOwner, std::uint16_t devicePort,
                             std::shared_ptr<transport::NameResolver> resolver)
    : endpoint_([this](const std::string& bytes, const transport::Sender&) { rules_.HandleDatagram(bytes); },
                wakeOwner),
      lookups_(std::move(resolver), std::move(wakeOwner)),
      rules_(
          endpoint_, lookups_, view, [] { return std::chrono::system_clock::now(); }, devicePort) {
    // Until the first request there is no device to listen to: anything arriving is somebody else's.
    endpoint_.AcceptOnlyFrom({});
}

void ConsoleWiring::PauseBeforeFirstEvent() {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

ConsoleWiring::~ConsoleWiring() {
    // Before rules_ goes: replies still being handed over reach the rules.
    Close();
}

bool ConsoleWiring::Open() {
    try {
        endpoint_.SetActive(true);
    } catch (const transport::SocketError&) {
        return false;
    }
    return endpoint_.Active();
}

void ConsoleWiring::Close() {
    endpoint_.SetActive(false);
}

}  // namespace korva::app
