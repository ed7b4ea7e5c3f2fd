#include "app/settings_place_win32.h"

#include "app/wide_path_win32.h"

#include <windows.h>

#include <filesystem>
#include <vector>

namespace korva::app {
namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kFileName = L"KorvaCfg.ini";

// Windows has no access(): whether the folder takes the file is asked by opening it for writing, or, when
// it is missing, by creating it so that it goes away again when closed.
bool CanTakeFile(const fs::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
            return false;
        const HANDLE opened = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(opened);
        return true;
    }
    const HANDLE probe = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(probe);
    return true;
}

std::string ProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    while (GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())) == path.size())
        path.resize(path.size() * 2);
    return Utf8Path(fs::path(path.data()).parent_path().wstring());
}

std::string EnvironmentValue(const wchar_t* name) {
    const DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0)
        return {};
    std::wstring value(length, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), length));
    return Utf8Path(value);
}

}  // namespace

std::string RoamingSettingsFolder(const std::string& appData) {
    const fs::path folder(WidePath(appData));
    if (appData.empty() || !folder.is_absolute())
        return {};
    return Utf8Path((folder / L"KorvaCfg").wstring());
}

std::string ChooseWindowsSettingsPath(const std::string& programFolder, const std::string& userFolder) {
    const fs::path beside = fs::path(WidePath(programFolder)) / kFileName;
    if (userFolder.empty() || CanTakeFile(beside))
        return Utf8Path(beside.wstring());
    return Utf8Path((fs::path(WidePath(userFolder)) / kFileName).wstring());
}

std::string WindowsSettingsPath() {
    const std::string programFolder = ProgramFolder();
    const std::string userFolder = RoamingSettingsFolder(EnvironmentValue(L"APPDATA"));
    const std::string chosen = ChooseWindowsSettingsPath(programFolder, userFolder);
    if (!userFolder.empty() && chosen != ChooseWindowsSettingsPath(programFolder, "")) {
        // One that cannot be made is left for the save to report.
        std::error_code ignored;
        fs::create_directories(fs::path(WidePath(userFolder)), ignored);
    }
    return chosen;
}

}  // namespace korva::app
