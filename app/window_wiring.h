#pragma once
// The Qt console put together: the window first, then the endpoint and the rules below it, which show
// on the window. The endpoint's wake-ups reach the window's thread as queued calls, and the window's
// accepted close stops listening.
#include <QObject>

#include <cstdint>
#include <memory>

#include "app/console_wiring.h"
#include "console/qt/TfrKorvaCfg01.h"
#include "console/settings_store.h"
#include "protocol/messages.h"

namespace korva::app {

class WindowWiring {
public:
    explicit WindowWiring(std::unique_ptr<console::SettingsStore> settings, std::uint16_t devicePort = kDevicePort,
                          std::shared_ptr<transport::NameResolver> resolver = transport::SystemResolver());

    console::TfrKorvaCfg01& Window() { return window_; }
    ConsoleWiring& Console() { return console_; }

private:
    console::TfrKorvaCfg01 window_;
    // Receives the wake-ups as queued calls on the window's thread. Destroyed after the endpoint has
    // stopped, so that no wake-up names it once it is gone, and the calls still queued go with it.
    QObject wakeTarget_;
    ConsoleWiring console_;  // closes the endpoint first, while the window its replies reach still exists
};

}  // namespace korva::app
