#include "app/settings/settings_place_win32.h"

#include "app/settings/console_settings.h"
#include "language/utf16_win32.h"

#include <windows.h>

#include <filesystem>
#include <utility>

namespace korva::app {
namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kFileName = L"KorvaCfg.ini";
// Where the installer records the folder it installed into (cmake/NSIS.template.in).
constexpr const wchar_t* kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KorvaCfg";
constexpr const char* kNowhere =
    "Unable to write the settings: no folder to keep them in (APPDATA is not an absolute path)";

bool Opens(const fs::path& file, DWORD access) {
    const HANDLE opened = CreateFileW(file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(opened);
    return true;
}

// Windows has no access(): what this user may do is asked by opening the file, or, when it is missing,
// by creating it so that it goes away again when closed.
BesideFile BesideState(const fs::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return BesideFile::kUnusable;
        if ((attributes & FILE_ATTRIBUTE_READONLY) == 0 && Opens(file, GENERIC_WRITE))
            return BesideFile::kTakesFile;
        return Opens(file, GENERIC_READ) ? BesideFile::kReadOnly : BesideFile::kUnusable;
    }
    const HANDLE probe = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return BesideFile::kUnusable;
    CloseHandle(probe);
    return BesideFile::kTakesFile;
}

// The folder as the system spells it in full, without a trailing separator, for comparing.
std::wstring Comparable(const std::string& folder) {
    std::wstring path = fs::path(language::Wide(folder)).lexically_normal().wstring();
    const DWORD length = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (length > 0) {
        std::wstring longPath(length, L'\0');
        longPath.resize(GetLongPathNameW(path.c_str(), longPath.data(), length));
        path = std::move(longPath);
    }
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// folder is root, or lies inside it.
bool Within(const std::wstring& folder, const std::wstring& root) {
    if (root.empty() || folder.size() < root.size())
        return false;
    return SameText(folder.substr(0, root.size()), root) &&
           (folder.size() == root.size() || folder[root.size()] == L'\\' || folder[root.size()] == L'/');
}

std::string ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    while (GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())) == path.size())
        path.resize(path.size() * 2);
    return language::Utf8(fs::path(path.c_str()).parent_path().wstring());
}

std::string EnvironmentValue(const wchar_t* name) {
    const DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0)
        return {};
    std::wstring value(length, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), length));
    return language::Utf8(value);
}

std::string InstallLocation() {
    wchar_t location[MAX_PATH * 2] = {};
    DWORD size = sizeof location;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation", RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY,
                     nullptr, location, &size) != ERROR_SUCCESS)
        return {};
    return language::Utf8(location);
}

}  // namespace

std::string RoamingSettingsFolder(const std::string& appData) {
    const fs::path folder(language::Wide(appData));
    if (appData.empty() || !folder.is_absolute())
        return {};
    return language::Utf8((folder / L"KorvaCfg").wstring());
}

bool InstalledProgramFolder(const std::string& programFolder, const std::string& installLocation,
                            const std::vector<std::string>& programFilesFolders) {
    const std::wstring folder = Comparable(programFolder);
    if (!installLocation.empty() && SameText(folder, Comparable(installLocation)))
        return true;
    for (const std::string& programFiles : programFilesFolders) {
        if (!programFiles.empty() && Within(folder, Comparable(programFiles)))
            return true;
    }
    return false;
}

SettingsPlace WindowsSettingsPlace(const std::string& programFolder, bool installed, const std::string& userFolder) {
    const fs::path beside = fs::path(language::Wide(programFolder)) / kFileName;
    const fs::path userFile = userFolder.empty() ? fs::path() : fs::path(language::Wide(userFolder)) / kFileName;
    const DWORD userAttributes = userFile.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(userFile.c_str());
    return ChooseSettingsPlace(language::Utf8(beside.wstring()), BesideState(beside), installed,
                               language::Utf8(userFile.wstring()), userAttributes != INVALID_FILE_ATTRIBUTES);
}

SettingsPlace ThisProgramsSettingsPlace() {
    const std::string programFolder = ProgramFolder();
    const bool installed = InstalledProgramFolder(
        programFolder, InstallLocation(),
        {EnvironmentValue(L"ProgramFiles"), EnvironmentValue(L"ProgramW6432"), EnvironmentValue(L"ProgramFiles(x86)")});
    return WindowsSettingsPlace(programFolder, installed, RoamingSettingsFolder(EnvironmentValue(L"APPDATA")));
}

std::unique_ptr<console::SettingsStore> ThisProgramsSettingsStore() {
    SettingsPlace place = ThisProgramsSettingsPlace();
    // The user's folder, made before every save; the program's own is there already. One that cannot be
    // made is left for the save to report.
    const fs::path folder = fs::path(language::Wide(place.saveTo)).parent_path();
    auto makeFolder = [folder] {
        std::error_code ignored;
        fs::create_directories(folder, ignored);
    };
    return SettingsStoreFor(std::move(place), std::move(makeFolder), kNowhere);
}

}  // namespace korva::app
