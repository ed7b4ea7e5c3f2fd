// Starts Windows programs several times each, taking turns, and prints per program the median times
// from CreateProcess until the program shows a visible top-level window and until it then first waits
// for input (WaitForInputIdle), and the median peak working set then (GetProcessMemoryInfo). The
// programs are neither told nor changed: the probe watches them from outside, and ends each start with
// TerminateProcess once measured.
//
//   window_start_probe RUNS COMMAND...
//
// A command is a program's path, or a quoted path and its arguments. One line per command:
// "<name> startup_ms <t> idle_ms <t> peak_kb <kb> runs <n> startup_each <t,t,...> idle_each <t,t,...>",
// the name being the program's without its extension, and its arguments joined to it with "+"; the
// last two list every start's times in the order of the rounds, for comparing starts of one round.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Long enough for a start under Wine on a busy shared machine.
constexpr DWORD kShowTimeoutMs = 30000;
// Between starts: the ended program's windows are taken down by the desktop and the X server after it
// has gone, which would otherwise weigh on the next start.
constexpr DWORD kSettleMs = 300;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency);
}

// A window the user sees: visible, on the desktop, owned by no other window.
bool ShowsMainWindow(DWORD processId) {
    struct Search {
        DWORD processId;
        bool found;
    } search{processId, false};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s.processId && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == nullptr) {
                s.found = true;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Run {
    double startupMs = 0;
    double idleMs = 0;
    double peakKb = 0;
};

// A program's path alone is quoted; a command given whole already is.
std::wstring CommandLine(const std::wstring& command) {
    return command.front() == L'"' ? command : L"\"" + command + L"\"";
}

// "bare_window+ws2_32.dll" for "\"Z:\...\bare_window.exe\" ws2_32.dll".
std::wstring NameOf(const std::wstring& command) {
    const std::wstring line = CommandLine(command);
    const std::size_t close = line.find(L'"', 1);
    std::wstring name = std::filesystem::path(line.substr(1, close - 1)).stem().wstring();
    for (wchar_t c : line.substr(close + 1))
        name += c == L' ' ? L'+' : c;
    return name;
}

// One start of command; false when it did not start, ended, or showed no window in time.
bool RunOnce(const std::wstring& command, Run& run) {
    std::wstring commandLine = CommandLine(command);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    bool shown = false;
    LARGE_INTEGER now = started;
    while (!shown && Milliseconds(started, now) < kShowTimeoutMs &&
           WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        shown = ShowsMainWindow(process.dwProcessId);
        QueryPerformanceCounter(&now);
        if (!shown)
            Sleep(1);
    }
    LARGE_INTEGER idle = now;
    const bool waiting = shown && WaitForInputIdle(process.hProcess, kShowTimeoutMs) == 0;
    QueryPerformanceCounter(&idle);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    const bool measured = waiting && GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    Sleep(kSettleMs);
    if (!measured)
        return false;
    run.startupMs = Milliseconds(started, now);
    run.idleMs = Milliseconds(started, idle);
    run.peakKb = static_cast<double>(memory.PeakWorkingSetSize) / 1024.0;
    return true;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    const int runs = argc > 2 ? _wtoi(argv[1]) : 0;
    if (runs < 1) {
        std::fputs("usage: window_start_probe RUNS COMMAND...\n", stderr);
        return 2;
    }
    std::vector<std::vector<Run>> results(static_cast<std::size_t>(argc - 2));
    for (int round = 0; round < runs; ++round) {
        // Every other round in the opposite order, so that no program always starts right after another.
        for (int turn = 0; turn < argc - 2; ++turn) {
            const int i = round % 2 == 0 ? 2 + turn : argc - 1 - turn;
            Run run;
            if (!RunOnce(argv[i], run)) {
                std::fprintf(stderr, "window_start_probe: %ls showed no window or never waited for input\n", argv[i]);
                return 1;
            }
            results[static_cast<std::size_t>(i - 2)].push_back(run);
        }
    }
    for (int i = 2; i < argc; ++i) {
        const auto& programRuns = results[static_cast<std::size_t>(i - 2)];
        std::vector<double> startup, idle, peak;
        for (const Run& run : programRuns) {
            startup.push_back(run.startupMs);
            idle.push_back(run.idleMs);
            peak.push_back(run.peakKb);
        }
        std::printf("%ls startup_ms %.1f idle_ms %.1f peak_kb %.0f runs %zu", NameOf(argv[i]).c_str(),
                    Median(startup), Median(idle), Median(peak), programRuns.size());
        for (const auto& [key, values] : {std::pair{"startup_each", &startup}, std::pair{"idle_each", &idle}}) {
            std::printf(" %s ", key);
            for (std::size_t run = 0; run < values->size(); ++run)
                std::printf("%s%.1f", run == 0 ? "" : ",", (*values)[run]);
        }
        std::printf("\n");
    }
    return 0;
}
