#include "app/settings/settings_place.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <utility>

#include "app/settings/console_settings.h"

namespace korva::app {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDesktopEntry = "share/applications/korvacfg.desktop";
constexpr const char* kNowhere =
    "Unable to write the settings: no home folder to keep them in (XDG_CONFIG_HOME and HOME are not absolute "
    "paths, and the user database gives none)";

bool Absolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// Asked with the effective user, who is the one saving.
bool MayAccess(const std::string& path, int mode) {
    return faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

BesideFile BesideState(const std::string& folder, const std::string& file) {
    struct stat info {};
    if (stat(file.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode))
            return BesideFile::kUnusable;
        if (MayAccess(file, W_OK))
            return BesideFile::kTakesFile;
        return MayAccess(file, R_OK) ? BesideFile::kReadOnly : BesideFile::kUnusable;
    }
    const bool folderTakesFile =
        stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && MayAccess(folder, W_OK | X_OK);
    return folderTakesFile ? BesideFile::kTakesFile : BesideFile::kUnusable;
}

// The home folder of the effective user's entry in the user database, which a login sets HOME from;
// empty when there is no entry.
std::string DatabaseHome() {
    const passwd* entry = getpwuid(geteuid());
    return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

}  // namespace

std::string UserSettingsFolder(const char* xdgConfigHome, const char* home, const char* databaseHome) {
    if (Absolute(xdgConfigHome))
        return (fs::path(xdgConfigHome) / "KorvaCfg").string();
    for (const char* folder : {home, databaseHome}) {
        if (Absolute(folder))
            return (fs::path(folder) / ".config" / "KorvaCfg").string();
    }
    return {};
}

bool InstalledProgramFolder(const std::string& programFolder) {
    const fs::path folder = fs::path(programFolder).lexically_normal();
    const fs::path bin = folder.has_filename() ? folder : folder.parent_path();
    std::error_code ignored;
    return bin.filename() == "bin" && fs::is_regular_file(bin.parent_path() / kDesktopEntry, ignored);
}

SettingsPlace LinuxSettingsPlace(const std::string& programFolder, bool installed, const std::string& userFolder) {
    const std::string beside = SettingsPathIn(programFolder);
    const std::string userFile = userFolder.empty() ? std::string() : SettingsPathIn(userFolder);
    std::error_code ignored;
    return ChooseSettingsPlace(beside, BesideState(programFolder, beside), installed, userFile,
                               !userFile.empty() && fs::exists(userFile, ignored));
}

void MakeUserSettingsFolder(const std::string& folder) {
    const fs::path path = fs::path(folder).lexically_normal();
    std::error_code ignored;
    if (path.empty() || fs::exists(path, ignored))
        return;
    if (path.has_filename())
        MakeUserSettingsFolder(path.parent_path().string());
    mkdir(path.c_str(), 0700);
}

std::unique_ptr<console::SettingsStore> SettingsStoreAt(const std::string& programFolder, bool installed,
                                                        const std::string& userFolder) {
    SettingsPlace place = LinuxSettingsPlace(programFolder, installed, userFolder);
    std::function<void()> makeUserFolder;
    if (!userFolder.empty() && place.saveTo == SettingsPathIn(userFolder))
        makeUserFolder = [userFolder] { MakeUserSettingsFolder(userFolder); };
    return SettingsStoreFor(std::move(place), std::move(makeUserFolder), kNowhere);
}

std::unique_ptr<console::SettingsStore> SettingsStoreForProgramIn(const std::string& programFolder) {
    const std::string databaseHome = DatabaseHome();
    return SettingsStoreAt(
        programFolder, InstalledProgramFolder(programFolder),
        UserSettingsFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), databaseHome.c_str()));
}

}  // namespace korva::app
