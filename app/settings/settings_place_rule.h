#pragma once
// Which settings file the console reads and which one it saves to: one rule for every system, decided
// from what each system says of the two places (settings_place_posix.cpp, settings_place_win32.cpp).
//
// Beside the program comes first, so that a copy carried on a stick takes its settings along. The
// user's own folder takes over for an installed program, whose folder belongs to the package manager
// or the installer even where this user could write there, and wherever the program's folder cannot
// take the file. A file beside the program that can be read but not written (a write-protected stick)
// is still read: its values are what the technician carried there, and ignoring them would lose them.
// Only the saves go to the user's folder, and once a file is there, later starts read that one.
#include <string>

namespace korva::app {

// What this user may do with "KorvaCfg.ini" beside the program.
enum class BesideFile {
    kTakesFile,  // write it, or create it where there is none
    kReadOnly,   // a file is there that may be read but not written
    kUnusable,   // neither
};

struct SettingsPlace {
    std::string readFrom;  // empty: nothing to read, the window starts with the defaults
    std::string saveTo;    // empty: nowhere to save, every save fails saying why
};

// beside: the file beside the program, in the state besideState; userFile: the file in the user's folder,
// empty when the user has no such folder, and whether it exists.
SettingsPlace ChooseSettingsPlace(const std::string& beside, BesideFile besideState, bool installed,
                                  const std::string& userFile, bool userFileExists);

}  // namespace korva::app
