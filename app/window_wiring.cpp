#include "app/window_wiring.h"

#include <utility>

namespace korva::app {

WindowWiring::WindowWiring(std::unique_ptr<console::SettingsStore> settings, std::uint16_t devicePort,
                           std::shared_ptr<transport::NameResolver> resolver)
    : window_(std::move(settings)),
      console_(
          window_.View(),
          // On the receiving thread or a lookup's: the hand-over runs on the window's thread.
          [this] {
              QMetaObject::invokeMethod(
                  &wakeTarget_, [this] { console_.ServePending(); }, Qt::QueuedConnection);
          },
          devicePort, std::move(resolver)) {
    window_.Attach(console_.Rules());
    QObject::connect(&window_, &console::TfrKorvaCfg01::closing, &wakeTarget_, [this] { console_.Close(); });
}

}  // namespace korva::app
