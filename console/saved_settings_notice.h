#pragma once
// What the window says after a close has saved the settings: where they went, when that is not the
// file they were read from. It comes once: from then on the program reads them where they went.
#include <optional>

#include "console/console_view.h"
#include "console/settings_store.h"

namespace korva::console {

std::optional<TimedMessage> SavedSettingsNotice(const SettingsStore& settings);

}  // namespace korva::console
