#pragma once
// Where the console keeps its settings file on Windows, by the rule settings_place.h gives for Linux:
// beside the program first, so that a copy carried on a stick takes its settings along, and
// "%APPDATA%\KorvaCfg" when the program's folder cannot take the file (an installed copy under
// "Program Files"). Paths are UTF-8 here and UTF-16 at the system's edge.
#include <string>

namespace korva::app {

// "<appData>\KorvaCfg"; empty when appData is not an absolute path.
std::string RoamingSettingsFolder(const std::string& appData);

// "KorvaCfg.ini" beside the program when its folder can take the file (this user may write the file
// there, or create it); otherwise "KorvaCfg.ini" in userFolder. An empty userFolder leaves only the
// place beside the program. Asking leaves nothing behind.
std::string ChooseWindowsSettingsPath(const std::string& programFolder, const std::string& userFolder);

// The choice for this process, from its executable's folder and %APPDATA%. The user's folder is made
// when it is chosen and missing.
std::string WindowsSettingsPath();

}  // namespace korva::app
