#pragma once
// The real main window for a benchmark, pointed at a loopback device address through a settings file
// of its own, so that nothing it sends can leave this machine.
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <string>

#include "app/window_wiring.h"
#include "console/qt/TfrKorvaCfg01.h"

namespace korva::bench {

class LoopbackWindow {
public:
    // Creates and shows the window with deviceAddress in its address boxes, then opens its endpoint.
    // Destroyed without being closed: closing would only write the settings file, which goes with it.
    explicit LoopbackWindow(const std::string& deviceAddress);

    console::TfrKorvaCfg01& Window() { return console_->Window(); }
    // Safe from any thread.
    std::uint64_t DatagramsHandled() const { return console_->Console().DatagramsHandled(); }
    // Switches automatic mode on, as the "aut" indicator's click does.
    void StartPolling();

private:
    QTemporaryDir folder_;
    std::unique_ptr<app::WindowWiring> console_;
};

}  // namespace korva::bench
