#include "app/settings/settings_place_rule.h"

namespace korva::app {

SettingsPlace ChooseSettingsPlace(const std::string& beside, BesideFile besideState, bool installed,
                                  const std::string& userFile, bool userFileExists) {
    if (installed)
        return {userFile, userFile};
    // Without a folder of the user's own, beside the program is the only place there is.
    if (userFile.empty() || besideState == BesideFile::kTakesFile)
        return {beside, beside};
    if (besideState == BesideFile::kReadOnly && !userFileExists)
        return {beside, userFile};
    return {userFile, userFile};
}

}  // namespace korva::app
