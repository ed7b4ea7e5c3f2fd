#pragma once
// The settings file of the console: keys "IP", "msk", "GW" and "Idioma" of section "Geral" in "KorvaCfg.ini"
// (beside the executable, or in the user's configuration folder: settings_place.h). Values are
// Windows-1252 text, stored exactly as typed: no validation, no reformatting.
#include <functional>
#include <memory>
#include <string>

#include "app/settings/settings_place_rule.h"
#include "console/settings_store.h"

namespace korva::app {

using console::ConsoleSettings;

// "KorvaCfg.ini" in the given folder.
std::string SettingsPathIn(const std::string& folder);

// A missing or unreadable file, or a missing key, gives the default of that value. Creates nothing.
ConsoleSettings ReadConsoleSettings(const std::string& path);

// Idioma= of the file: the window's language asked for by hand or by the installer; empty when unset.
std::string ReadLanguageSetting(const std::string& path);

// Replaces the three values (the language is the operator's or the installer's to set) and keeps every other section, key and comment of the file; creates the
// file or the section when missing. Throws
// std::runtime_error("Unable to write to <path>").
void WriteConsoleSettings(const std::string& path, const ConsoleSettings& settings);

// The window's settings kept in the file at path.
std::unique_ptr<console::SettingsStore> SettingsFileAt(const std::string& path);

// The window's settings read from place.readFrom and saved to place.saveTo, with Detour() naming both
// when they differ. beforeSave runs before every save: it makes the user's folder, which may have been
// deleted while the window was open. With nowhere to save, every save throws
// std::runtime_error(nowhere).
std::unique_ptr<console::SettingsStore> SettingsStoreFor(SettingsPlace place, std::function<void()> beforeSave,
                                                         std::string nowhere);

}  // namespace korva::app
