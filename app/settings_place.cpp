#include "app/settings_place.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <utility>

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

// The home folder of the effective user's entry in the user database, which a login sets HOME from;
// empty when there is no entry.
std::string DatabaseHome() {
    const passwd* entry = getpwuid(geteuid());
    return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

class UserFolderSettings : public console::SettingsStore {
public:
    UserFolderSettings(std::string folder, std::unique_ptr<console::SettingsStore> file)
        : folder_(std::move(folder)), file_(std::move(file)) {}
    ConsoleSettings Load() override { return file_->Load(); }
    void Save(const ConsoleSettings& settings) override {
        MakeUserSettingsFolder(folder_);
        file_->Save(settings);
    }

private:
    const std::string folder_;
    const std::unique_ptr<console::SettingsStore> file_;
};

class NoSettingsPlace : public console::SettingsStore {
public:
    ConsoleSettings Load() override { return {}; }
    void Save(const ConsoleSettings&) override {
        throw std::runtime_error(
            "Unable to write the settings: no home folder to keep them in (XDG_CONFIG_HOME and HOME are not "
            "absolute paths, and the user database gives none)");
    }
};

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

std::string ChooseSettingsPath(const std::string& programFolder, bool installed, const std::string& userFolder) {
    const std::string beside = SettingsPathIn(programFolder);
    if (userFolder.empty())
        return installed ? std::string() : beside;
    if (!installed && CanTakeFile(programFolder, beside))
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

std::unique_ptr<console::SettingsStore> SettingsStoreAt(const std::string& programFolder, bool installed,
                                                        const std::string& userFolder) {
    const std::string chosen = ChooseSettingsPath(programFolder, installed, userFolder);
    if (chosen.empty())
        return std::make_unique<NoSettingsPlace>();
    if (chosen == SettingsPathIn(programFolder))
        return SettingsFileAt(chosen);
    return std::make_unique<UserFolderSettings>(userFolder, SettingsFileAt(chosen));
}

std::unique_ptr<console::SettingsStore> SettingsStoreForProgramIn(const std::string& programFolder) {
    const std::string databaseHome = DatabaseHome();
    return SettingsStoreAt(
        programFolder, InstalledProgramFolder(programFolder),
        UserSettingsFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), databaseHome.c_str()));
}

}  // namespace korva::app
