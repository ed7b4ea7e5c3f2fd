#pragma once
// KorvaCfg.exe as a program a test drives from outside, as a technician's hands would: a copy in a
// folder of its own with a settings file the test writes (every address box on loopback), its window
// and controls found by class and control id, clicks and typing sent as messages, texts read back.
#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace korva::console::testing {

// While it lives, programs that start see a screen of dpi dots per inch, Wine's LogPixels in the
// prefix's registry; a program reads it as it starts. The value before is put back.
class ScreenDpi {
public:
    explicit ScreenDpi(DWORD dpi);
    ~ScreenDpi();
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;

private:
    std::optional<DWORD> before_;
};

// Waits (some thirty seconds at most: a timed message lasts up to twelve) until done() holds; false
// when it never does.
bool WaitUntil(const std::function<bool()>& done);

// The settings file beside the copy as a technician's stick may hold it: read-only in a read-only folder.
enum class SettingsAccess { kWritable, kWriteProtected };
// Winsock as the system gives it, or a ws2_32.dll beside the copy that has no socket to give.
enum class Sockets { kSystems, kNone };

class ConsoleProgram {
public:
    // settings: the text of KorvaCfg.ini beside the copy. %APPDATA% is a folder of the copy's own. The
    // window speaks Portuguese, the language the test words its expectations in, whatever the user's
    // language under Wine, unless the arguments say otherwise.
    explicit ConsoleProgram(const std::string& settings, SettingsAccess access = SettingsAccess::kWritable,
                            Sockets sockets = Sockets::kSystems,
                            const std::vector<std::string>& arguments = {"--lang", "pt"});
    ~ConsoleProgram();
    ConsoleProgram(const ConsoleProgram&) = delete;
    ConsoleProgram& operator=(const ConsoleProgram&) = delete;

    // The main window, once it has appeared; nullptr when it never did, or the program ended first.
    HWND Window() const { return window_; }
    // The exit status once the program has ended, waiting up to twenty seconds; nullopt while it runs.
    std::optional<int> Ended();
    HWND Control(const std::string& name) const;
    std::wstring Text(const std::string& name) const;
    void Type(const std::string& name, const std::wstring& text) const;
    // A button pressed, or the "aut" indicator clicked with the mouse.
    void Click(const std::string& name) const;

    // The timed message on screen (or another top-level window of the class given: "#32770" for the
    // error box), once one is; nullptr when none comes.
    HWND WaitForMessage(const wchar_t* className = nullptr) const;
    // Whether a timed message of this program is on screen now.
    bool MessageShown() const;
    // Presses SIM (IDYES), NÃO (IDNO) or OK (IDOK) in the message.
    static void Answer(HWND message, int button);

    // Asks the window to close; the exit status, or nullopt when the program stays.
    std::optional<int> Close();
    // Asks the window to close without waiting.
    void AskToClose() const;
    // The settings file beside the copy, and whether it may be written.
    std::string SettingsFile() const;
    void SetSettingsReadOnly(bool readOnly) const;
    // The copy's settings files beside it and in its %APPDATA%, as the program names them (UTF-8), and
    // the text of the latter.
    std::string SettingsPath() const;
    std::string UserSettingsPath() const;
    std::string UserSettingsFile() const;

private:
    std::filesystem::path folder_;
    korva::testing::ChildProcess process_;
    HWND window_ = nullptr;
};

}  // namespace korva::console::testing
