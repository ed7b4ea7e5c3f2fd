#pragma once
// The two sets of values settings_saver alternates between, known to the test that kills it.
#include "app/settings/console_settings.h"

namespace settings_saver {

inline const korva::app::ConsoleSettings kFirst{"10.0.0.1", "255.0.0.0", "10.0.0.254"};
inline const korva::app::ConsoleSettings kSecond{"172.16.0.9", "255.255.0.0", "172.16.0.1"};
constexpr char kReadyLine[] = "saving\n";

}  // namespace settings_saver
