#pragma once
// Where the console keeps its settings file on Windows, by the rule of settings_place_rule.h: beside a
// portable copy (the zip, unpacked on a stick), so that its settings travel with it, and in
// "%APPDATA%\KorvaCfg" for an installed one, elevated or not, so that an upgrade, which uninstalls the
// old version first, never takes them away. Paths are UTF-8 here and UTF-16 at the system's edge.
#include <memory>
#include <string>
#include <vector>

#include "app/settings/settings_place_rule.h"
#include "console/settings_store.h"

namespace korva::app {

// "<appData>\KorvaCfg"; empty when appData is not an absolute path.
std::string RoamingSettingsFolder(const std::string& appData);

// Whether the program in programFolder is installed: it is where the installer put it, which the
// installer's Add/Remove programs entry names (installLocation, empty without one), or it lies inside
// one of the Program Files folders. Letter case, short names and a trailing separator do not count.
bool InstalledProgramFolder(const std::string& programFolder, const std::string& installLocation,
                            const std::vector<std::string>& programFilesFolders);

// The files the rule picks for the program in programFolder and the user's folder userFolder (empty
// when there is none), asking the system what this user may do with the file beside the program.
// Asking leaves nothing behind.
SettingsPlace WindowsSettingsPlace(const std::string& programFolder, bool installed, const std::string& userFolder);

// The same for this process: its executable's folder, the installer's entry in the registry, the
// Program Files folders and %APPDATA%.
SettingsPlace ThisProgramsSettingsPlace();

// The window's settings in the files ThisProgramsSettingsPlace picks. Every save to the user's folder
// first makes that folder when it is missing.
std::unique_ptr<console::SettingsStore> ThisProgramsSettingsStore();

}  // namespace korva::app
