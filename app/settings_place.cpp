#include "app/settings_place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/console_settings.h"

namespace korva::app {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDesktopEntry = "share/applications/korvacfg.desktop";

bool Absolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// Asked with the effective user, who is the one saving.
bool MayWrite(const std::string& path) {
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

bool CanTakeFile(const std::string& folder, const std::string& file) {
    struct stat info {};
    if (stat(file.c_str(), &info) == 0)
        return S_ISREG(info.st_mode) && MayWrite(file);
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace

std::string UserSettingsFolder(const char* xdgConfigHome, const char* home) {
    if (Absolute(xdgConfigHome))
        return (fs::path(xdgConfigHome) / "KorvaCfg").string();
    if (Absolute(home))
        return (fs::path(home) / ".config" / "KorvaCfg").string();
    return {};
}

bool InstalledProgramFolder(const std::string& programFolder) {
    const fs::path folder = fs::path(programFolder).lexically_normal();
    const fs::path bin = folder.has_filename() ? folder : folder.parent_path();
    std::error_code ignored;
    return bin.filename() == "bin" && fs::is_regular_file(bin.parent_path() / kDesktopEntry, ignored);
}

std::string ChooseSettingsPath(const std::string& programFolder, bool installed, const std::string& userFolder) {
    const std::string beside = SettingsPathIn(programFolder);
    if (userFolder.empty() || (!installed && CanTakeFile(programFolder, beside)))
        return beside;
    return SettingsPathIn(userFolder);
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

std::string SettingsPathForProgramIn(const std::string& programFolder) {
    const std::string userFolder = UserSettingsFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    const std::string chosen = ChooseSettingsPath(programFolder, InstalledProgramFolder(programFolder), userFolder);
    if (chosen != SettingsPathIn(programFolder))
        MakeUserSettingsFolder(userFolder);
    return chosen;
}

}  // namespace korva::app
