#pragma once
// The real main window for a benchmark, pointed at a loopback device address through a settings file
// of its own, so that nothing it sends can leave this machine.
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <string>

#include "console/TfrKorvaCfg01.h"

namespace korva::bench {

class LoopbackWindow {
public:
    // Creates and shows the window with deviceAddress in its address boxes, then opens its endpoint.
    // Destroyed without being closed: closing would only write the settings file, which goes with it.
    explicit LoopbackWindow(const std::string& deviceAddress);

    console::TfrKorvaCfg01& Window() { return *window_; }
    // Safe from any thread.
    std::uint64_t DatagramsHandled() const { return window_->DatagramsHandled(); }
    // Switches automatic mode on, as the "aut" indicator's click does.
    void StartPolling();

private:
    QTemporaryDir folder_;
    std::unique_ptr<console::TfrKorvaCfg01> window_;
};

}  // namespace korva::bench
