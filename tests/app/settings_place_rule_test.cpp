// The rule both systems follow for the settings file: which file is read and which one saves go to.
#include "app/settings/settings_place_rule.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using korva::app::BesideFile;
using korva::app::ChooseSettingsPlace;

TEST(ChooseSettingsPlace, ReadsWhatTheTechnicianCarriedAndSavesWhereItCan) {
    const std::string beside = "/stick/KorvaCfg.ini";
    const std::string user = "/home/ana/.config/KorvaCfg/KorvaCfg.ini";
    const struct {
        const char* what;
        BesideFile besideState;
        bool installed;
        std::string userFile;
        bool userFileExists;
        std::string readFrom;
        std::string saveTo;
    } cases[] = {
        {"portable, writable", BesideFile::kTakesFile, false, user, true, beside, beside},
        {"portable, read-only, first run", BesideFile::kReadOnly, false, user, false, beside, user},
        {"portable, read-only, the user's own file saved since", BesideFile::kReadOnly, false, user, true, user, user},
        {"portable, unusable", BesideFile::kUnusable, false, user, false, user, user},
        {"portable, no user folder", BesideFile::kReadOnly, false, "", false, beside, beside},
        {"installed, even where the program's folder takes the file", BesideFile::kTakesFile, true, user, false, user,
         user},
        {"installed, no user folder", BesideFile::kTakesFile, true, "", false, "", ""},
    };
    for (const auto& c : cases) {
        const korva::app::SettingsPlace place =
            ChooseSettingsPlace(beside, c.besideState, c.installed, c.userFile, c.userFileExists);
        EXPECT_EQ(place.readFrom, c.readFrom) << c.what;
        EXPECT_EQ(place.saveTo, c.saveTo) << c.what;
    }
}

}  // namespace
