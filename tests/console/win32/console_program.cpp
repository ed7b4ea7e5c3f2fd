#include "tests/console/win32/console_program.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "console/win32/TfrKorvaCfg01.h"
#include "console/win32/TfrNrm01.h"
#include "console/win32/wide_text.h"

namespace korva::console::testing {
namespace {

namespace fs = std::filesystem;

fs::path NewFolder() {
    static int counter = 0;
    const fs::path folder = fs::temp_directory_path() / ("korvacfg_window_" + std::to_string(GetCurrentProcessId()) +
                                                         "_" + std::to_string(++counter));
    fs::create_directories(folder);
    return folder;
}

fs::path ProgramFolder(const fs::path& folder) {
    return folder / "program";
}

fs::path UserFile(const fs::path& folder) {
    return folder / "AppData" / "KorvaCfg" / "KorvaCfg.ini";
}

std::string ReadWhole(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Wine's DLL overrides for every KorvaCfg.exe of the prefix, which a program reads as it starts: the copy
// without sockets takes the ws2_32.dll beside it. Left behind, it would change nothing for a copy with
// none beside it.
constexpr wchar_t kOverridesKey[] = L"Software\\Wine\\AppDefaults\\KorvaCfg.exe\\DllOverrides";

void OverrideDlls(Sockets sockets) {
    if (sockets == Sockets::kNone) {
        const wchar_t nativeFirst[] = L"native,builtin";
        RegSetKeyValueW(HKEY_CURRENT_USER, kOverridesKey, L"ws2_32", REG_SZ, nativeFirst, sizeof nativeFirst);
    } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kOverridesKey, L"ws2_32");
    }
}

// The copy, its settings file and its %APPDATA%, which the program inherits from this process.
fs::path CopyWithSettings(const fs::path& folder, const std::string& settings, SettingsAccess access, Sockets sockets) {
    const fs::path programFolder = ProgramFolder(folder);
    fs::create_directories(programFolder);
    const fs::path program = programFolder / "KorvaCfg.exe";
    fs::copy_file(KORVA_CONSOLE_PROGRAM, program, fs::copy_options::overwrite_existing);
    if (sockets == Sockets::kNone)
        fs::copy_file(KORVA_WS2_32_WITHOUT_SOCKETS, programFolder / "ws2_32.dll", fs::copy_options::overwrite_existing);
    OverrideDlls(sockets);
    std::ofstream(programFolder / "KorvaCfg.ini", std::ios::binary) << settings;
    if (access == SettingsAccess::kWriteProtected) {
        SetFileAttributesW((programFolder / "KorvaCfg.ini").c_str(), FILE_ATTRIBUTE_READONLY);
        SetFileAttributesW(programFolder.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    SetEnvironmentVariableW(L"APPDATA", (folder / "AppData").c_str());
    return program;
}

// The first top-level window of the given class that belongs to process.
HWND WindowOf(DWORD process, const wchar_t* className) {
    struct Search {
        DWORD process;
        const wchar_t* className;
        HWND found;
    } search{process, className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (owner != s->process || lstrcmpW(name, s->className) != 0 || !IsWindowVisible(window))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

ScreenDpi::ScreenDpi(DWORD dpi) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &value, &size) ==
        ERROR_SUCCESS)
        before_ = value;
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

ScreenDpi::~ScreenDpi() {
    if (before_)
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &*before_, sizeof *before_);
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
}

bool WaitUntil(const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

ConsoleProgram::ConsoleProgram(const std::string& settings, SettingsAccess access, Sockets sockets,
                               const std::vector<std::string>& arguments)
    : folder_(NewFolder()), process_(CopyWithSettings(folder_, settings, access, sockets).string(), arguments) {
    WaitUntil([this] {
        window_ = WindowOf(static_cast<DWORD>(process_.Pid()), win32::kWindowClassName);
        return window_ != nullptr || process_.Wait(std::chrono::seconds(0));
    });
    if (!IsWindow(window_))
        window_ = nullptr;
}

std::optional<int> ConsoleProgram::Ended() {
    return process_.Wait(std::chrono::seconds(20));
}

ConsoleProgram::~ConsoleProgram() {
    process_.Signal(9);
    process_.Wait();
    OverrideDlls(Sockets::kSystems);
    SetFileAttributesW(ProgramFolder(folder_).c_str(), FILE_ATTRIBUTE_NORMAL);
    SetSettingsReadOnly(false);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

HWND ConsoleProgram::Control(const std::string& name) const {
    return GetDlgItem(window_, win32::ControlId(name));
}

std::wstring ConsoleProgram::Text(const std::string& name) const {
    wchar_t text[512] = {};
    SendMessageW(Control(name), WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return text;
}

void ConsoleProgram::Type(const std::string& name, const std::wstring& text) const {
    SendMessageW(Control(name), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ConsoleProgram::Click(const std::string& name) const {
    // Posted: a click that opens a message must not hold the test until the message closes.
    const HWND control = Control(name);
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    if (lstrcmpiW(className, L"Button") == 0) {
        PostMessageW(control, BM_CLICK, 0, 0);
        return;
    }
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

HWND ConsoleProgram::WaitForMessage(const wchar_t* className) const {
    HWND message = nullptr;
    WaitUntil([&] {
        message = WindowOf(static_cast<DWORD>(process_.Pid()), className ? className : win32::kMessageClassName);
        return message != nullptr;
    });
    return message;
}

bool ConsoleProgram::MessageShown() const {
    return WindowOf(static_cast<DWORD>(process_.Pid()), win32::kMessageClassName) != nullptr;
}

void ConsoleProgram::Answer(HWND message, int button) {
    PostMessageW(GetDlgItem(message, button), BM_CLICK, 0, 0);
}

std::optional<int> ConsoleProgram::Close() {
    AskToClose();
    return process_.Wait(std::chrono::seconds(20));
}

void ConsoleProgram::AskToClose() const {
    PostMessageW(window_, WM_CLOSE, 0, 0);
}

void ConsoleProgram::SetSettingsReadOnly(bool readOnly) const {
    SetFileAttributesW((ProgramFolder(folder_) / "KorvaCfg.ini").c_str(),
                       readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

std::string ConsoleProgram::SettingsFile() const {
    return ReadWhole(ProgramFolder(folder_) / "KorvaCfg.ini");
}

std::string ConsoleProgram::SettingsPath() const {
    return win32::Utf8((ProgramFolder(folder_) / "KorvaCfg.ini").wstring());
}

std::string ConsoleProgram::UserSettingsPath() const {
    return win32::Utf8(UserFile(folder_).wstring());
}

std::string ConsoleProgram::UserSettingsFile() const {
    return ReadWhole(UserFile(folder_));
}

}  // namespace korva::console::testing
