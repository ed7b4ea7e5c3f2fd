#pragma once
// Where the console keeps its settings file. Beside the program comes first, so that a copy carried on a
// stick takes its settings along. The user's configuration folder takes over when the program's folder
// cannot take the file, or when the program is installed: an installed program's folder belongs to the
// package manager, even for root, who could write there.
#include <string>

namespace korva::app {

// "$XDG_CONFIG_HOME/KorvaCfg", or "$HOME/.config/KorvaCfg" when XDG_CONFIG_HOME is unset or not an
// absolute path (such a value is to be ignored); empty when HOME gives no absolute path either.
std::string UserSettingsFolder(const char* xdgConfigHome, const char* home);

// True when programFolder is the "bin" folder of an installed prefix: one whose "share/applications"
// holds the console's desktop entry, as every install of it puts there.
bool InstalledProgramFolder(const std::string& programFolder);

// "KorvaCfg.ini" beside the program when its folder is not installed and can take the file (this user
// may write the file there, or create it); otherwise "KorvaCfg.ini" in userFolder. An empty userFolder
// leaves only the place beside the program.
std::string ChooseSettingsPath(const std::string& programFolder, bool installed, const std::string& userFolder);

// Makes folder and the folders above it that are missing, each for this user only, as configuration
// folders are made; one that cannot be made is left for the save to report.
void MakeUserSettingsFolder(const std::string& folder);

// The choice for this process, from its environment and the folder of its executable. The user's folder
// is made when it is chosen and missing.
std::string SettingsPathForProgramIn(const std::string& programFolder);

}  // namespace korva::app
