#pragma once
// What the window remembers between runs, and the place that keeps it. The window reads the values when
// it opens and saves them when it closes; where and how they are kept is the program's business.
#include <optional>
#include <string>

namespace korva::console {

// The device address, the new mask and the new gateway as last typed: Windows-1252, exactly as typed.
struct ConsoleSettings {
    std::string address = "192.168.0.250";
    std::string mask = "255.255.255.0";
    std::string gateway = "192.168.0.1";
};

// Saves that go to another file than the one the settings were read from, which can be read but not
// written. Paths in UTF-8.
struct SettingsDetour {
    std::string readFrom;
    std::string savedTo;
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual ConsoleSettings Load() = 0;
    // Throws std::runtime_error with the text the error box shows.
    virtual void Save(const ConsoleSettings& settings) = 0;
    // Where saves go instead of the file read, for the window to tell the operator; none for a store
    // that saves where it reads.
    virtual std::optional<SettingsDetour> Detour() const { return std::nullopt; }
    // The window's language as asked for by hand or by the installer ("en"), which the console reads and
    // never saves; empty when none is.
    virtual std::string Language() { return {}; }
};

}  // namespace korva::console
