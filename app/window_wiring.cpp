#include "app/window_wiring.h"

#include <utility>

namespace korva::app {

WindowWiring::WindowWiring(std::unique_ptr<console::SettingsStore> settings, std::uint16_t devicePort)
    : window_(std::move(settings)),
      console_(
          window_,
          // On the receiving thread: the hand-over runs on the window's thread.
          [this] {
              QMetaObject::invokeMethod(
                  &wakeTarget_, [this] { console_.ServePending(); }, Qt::QueuedConnection);
          },
          devicePort) {
    window_.Attach(console_.Rules());
    QObject::connect(&window_, &console::TfrKorvaCfg01::closing, &wakeTarget_, [this] { console_.Close(); });
}

}  // namespace korva::app
