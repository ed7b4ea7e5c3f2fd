#pragma once
// Where the console keeps its settings file on Linux, by the rule of settings_place_rule.h: beside the
// program, or in the user's configuration folder. An installed program's folder belongs to the package
// manager, even for root, who could write there, and a file left there would outlive a purge.
#include <memory>
#include <string>

#include "app/settings/settings_place_rule.h"
#include "console/settings_store.h"

namespace korva::app {

// "$XDG_CONFIG_HOME/KorvaCfg", else "$HOME/.config/KorvaCfg", else "<databaseHome>/.config/KorvaCfg",
// where databaseHome is the home folder the user database gives. Each is taken only when it is an
// absolute path: other values are to be ignored, not taken relative to wherever the program started.
// Empty when none is.
std::string UserSettingsFolder(const char* xdgConfigHome, const char* home, const char* databaseHome);

// True when programFolder is the "bin" folder of an installed prefix: one whose "share/applications"
// holds the console's desktop entry, as every install of it puts there.
bool InstalledProgramFolder(const std::string& programFolder);

// The files the rule picks for the program in programFolder and the user's folder userFolder (empty
// when there is none), asking the system what the effective user may do with the file beside the
// program. Asking leaves nothing behind.
SettingsPlace LinuxSettingsPlace(const std::string& programFolder, bool installed, const std::string& userFolder);

// Makes folder and the folders above it that are missing, each for this user only, as configuration
// folders are made; one that cannot be made is left for the save to report.
void MakeUserSettingsFolder(const std::string& folder);

// The window's settings in the files LinuxSettingsPlace picks. Every save to the user's folder first
// makes that folder when it is missing. With no place at all the defaults are read, and every save fails
// saying why.
std::unique_ptr<console::SettingsStore> SettingsStoreAt(const std::string& programFolder, bool installed,
                                                        const std::string& userFolder);

// The same for this process: its environment, the user database's entry of its effective user, and
// its executable's folder.
std::unique_ptr<console::SettingsStore> SettingsStoreForProgramIn(const std::string& programFolder);

}  // namespace korva::app
