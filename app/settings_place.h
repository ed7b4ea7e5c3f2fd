#pragma once
// Where the console keeps its settings file. Beside the program comes first, so that a copy carried on a
// stick takes its settings along. The user's configuration folder takes over when the program's folder
// cannot take the file, or when the program is installed: an installed program's folder belongs to the
// package manager, even for root, who could write there, and a file left there outlives a purge.
#include <memory>
#include <string>

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

// "KorvaCfg.ini" beside the program when its folder is not installed and can take the file (this user
// may write the file there, or create it); otherwise "KorvaCfg.ini" in userFolder. Without a userFolder
// a program that is not installed has only the place beside it, and an installed one has none: empty.
std::string ChooseSettingsPath(const std::string& programFolder, bool installed, const std::string& userFolder);

// Makes folder and the folders above it that are missing, each for this user only, as configuration
// folders are made; one that cannot be made is left for the save to report.
void MakeUserSettingsFolder(const std::string& folder);

// The window's settings in the file ChooseSettingsPath picks. In the user's folder, every save first
// makes that folder when it is missing: one deleted while the window was open must not make each close
// fail. With no place at all the defaults are read, and every save fails saying why.
std::unique_ptr<console::SettingsStore> SettingsStoreAt(const std::string& programFolder, bool installed,
                                                        const std::string& userFolder);

// The same for this process: its environment, the user database's entry of its effective user, and
// its executable's folder.
std::unique_ptr<console::SettingsStore> SettingsStoreForProgramIn(const std::string& programFolder);

}  // namespace korva::app
