#include "app/startup_steps.h"

#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace korva::app {
namespace {

// The loader's notification of a DLL loaded (documented for Windows, and Wine has it), which costs the
// marks nothing, unlike enumerating the modules at each.
struct DllLoaded {
    ULONG flags;
    const UNICODE_STRING* fullName;
    const UNICODE_STRING* baseName;
    void* base;
    ULONG size;
};
using DllNotification = void(CALLBACK*)(ULONG reason, const DllLoaded* loaded, void* context);
using RegisterDllNotification = LONG(NTAPI*)(ULONG flags, DllNotification notification, void* context, void** cookie);
constexpr ULONG kLoaded = 1;

struct Mark {
    std::string name;
    double milliseconds;  // since the process was made
    SIZE_T peakWorkingSet;
    std::string loaded;  // the DLLs loaded during the step, blank-separated
};

std::vector<Mark>& Marks() {
    static std::vector<Mark> marks;
    return marks;
}

std::string Lower(const wchar_t* name, std::size_t length) {
    std::string narrow;
    for (std::size_t i = 0; i < length; ++i)
        narrow += static_cast<char>(name[i] < 128 ? std::tolower(name[i]) : '?');
    return narrow;
}

// Loaded after the first mark: they belong to the step under way, the one the next mark ends.
std::set<std::string>& LoadedLater() {
    static std::set<std::string> names;
    return names;
}
std::vector<std::string>& PendingLoads() {
    static std::vector<std::string> names;
    return names;
}

void CALLBACK Loaded(ULONG reason, const DllLoaded* loaded, void*) {
    if (reason != kLoaded)
        return;
    std::string name = Lower(loaded->baseName->Buffer, loaded->baseName->Length / sizeof(wchar_t));
    LoadedLater().insert(name);
    PendingLoads().push_back(std::move(name));
}

void FollowLoads() {
    const auto registerNotification = reinterpret_cast<RegisterDllNotification>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "LdrRegisterDllNotification")));
    void* cookie = nullptr;
    if (registerNotification != nullptr)
        registerNotification(0, Loaded, nullptr, &cookie);
}

// The DLLs of the process that no notification named: loaded with the program, before the first mark.
std::string LoadedFirst() {
    HMODULE modules[512];
    DWORD bytes = 0;
    K32EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &bytes);
    std::string names;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        wchar_t name[MAX_PATH] = {};
        const DWORD length = K32GetModuleBaseNameW(GetCurrentProcess(), modules[i], name, MAX_PATH);
        const std::string lower = Lower(name, length);
        if (LoadedLater().count(lower) == 0)
            names += (names.empty() ? "" : " ") + lower;
    }
    return names;
}

double MillisecondsSinceCreation() {
    FILETIME created, ended, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;  // FILETIME counts 100 ns
}

void WriteMarks() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring file = std::wstring(path) + L".steps";
    FILE* out = _wfopen(file.c_str(), L"a");
    if (out == nullptr)
        return;
    // One line a start: "step=ms,peak_kb,dll dll|step=...".
    for (const Mark& mark : Marks())
        std::fprintf(out, "%s=%.2f,%llu,%s|", mark.name.c_str(), mark.milliseconds,
                     static_cast<unsigned long long>(mark.peakWorkingSet / 1024), mark.loaded.c_str());
    std::fputs("\n", out);
    std::fclose(out);
}

}  // namespace

void StartupStep(const char* name, bool last) {
    const double milliseconds = MillisecondsSinceCreation();
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::string loaded;
    for (const std::string& dll : PendingLoads())
        loaded += (loaded.empty() ? "" : " ") + dll;
    PendingLoads().clear();
    if (Marks().empty())
        FollowLoads();
    Marks().push_back({name, milliseconds, memory.PeakWorkingSetSize, loaded});
    if (last) {
        Marks().front().loaded = LoadedFirst();
        WriteMarks();
    }
}

}  // namespace korva::app
