#pragma once
// The settings file of the console: section "Geral" of "KorvaCfg.ini" (beside the executable, or in the
// user's configuration folder: settings_place.h) keeps the device address, the mask and the gateway last typed. Values
// are Windows-1252 text, stored exactly as typed: no validation, no reformatting.
#include <string>

namespace korva::app {

struct ConsoleSettings {
    std::string address = "192.168.0.250";  // "IP"
    std::string mask = "255.255.255.0";     // "msk"
    std::string gateway = "192.168.0.1";    // "GW"
};

// "KorvaCfg.ini" in the given folder.
std::string SettingsPathIn(const std::string& folder);

// A missing or unreadable file, or a missing key, gives the default of that value. Creates nothing.
ConsoleSettings ReadConsoleSettings(const std::string& path);

// Replaces the three values and keeps every other section, key and comment of the file; creates the
// file or the section when missing. Throws
// std::runtime_error("Unable to write to <path>").
void WriteConsoleSettings(const std::string& path, const ConsoleSettings& settings);

}  // namespace korva::app
