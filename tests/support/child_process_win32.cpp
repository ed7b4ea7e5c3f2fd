#include "tests/support/child_process.h"

#include <windows.h>

#include <filesystem>
#include <stdexcept>

namespace korva::testing {
namespace {

namespace fs = std::filesystem;

std::string TempPath(const char* kind) {
    static int counter = 0;
    return (fs::temp_directory_path() / ("korvactl_test_" + std::to_string(GetCurrentProcessId()) + "_" +
                                         std::to_string(++counter) + "." + kind))
        .string();
}

// One argument as the C runtime splits a command line again: quoted when it holds blanks or is empty,
// with backslashes doubled before a quote.
std::wstring Quoted(const std::string& argument) {
    const std::wstring wide(argument.begin(), argument.end());
    if (!wide.empty() && wide.find_first_of(L" \t\"") == std::wstring::npos)
        return wide;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : wide) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

HANDLE Inheritable(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments, StandardOutput output)
    : outPath_(TempPath("out")), errPath_(TempPath("err")) {
    if (output == StandardOutput::kFullDevice)
        throw std::invalid_argument("Windows has no full device");
    const HANDLE in = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE out = INVALID_HANDLE_VALUE;
    if (output == StandardOutput::kClosedPipe) {
        // Nobody will read: the child's first write meets a closed pipe.
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE readEnd = nullptr;
        if (!CreatePipe(&readEnd, &out, &inherit, 0))
            throw std::runtime_error("cannot create a pipe");
        CloseHandle(readEnd);
    } else if (output != StandardOutput::kClosed) {
        out = Inheritable(fs::path(outPath_).wstring(), GENERIC_WRITE, CREATE_ALWAYS);
    }
    // One open file for both when merged: they share its offset, so lines land in the order written.
    const HANDLE err = output == StandardOutput::kMerged
                           ? out
                           : Inheritable(fs::path(errPath_).wstring(), GENERIC_WRITE, CREATE_ALWAYS);
    std::wstring commandLine = Quoted(program);
    for (const std::string& argument : arguments)
        commandLine += L" " + Quoted(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(fs::path(program).wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                   CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started);
    for (const HANDLE handle : {in, out, err}) {
        if (handle != INVALID_HANDLE_VALUE && (handle != err || err != out))
            CloseHandle(handle);
    }
    if (!ok)
        throw std::runtime_error("cannot start " + program);
    CloseHandle(started.hThread);
    pid_ = static_cast<pid_t>(started.dwProcessId);
    handle_ = reinterpret_cast<std::intptr_t>(started.hProcess);
}

ChildProcess::~ChildProcess() {
    if (!exitStatus_) {
        TerminateProcess(AsHandle(handle_), 128 + 9);
        WaitForSingleObject(AsHandle(handle_), INFINITE);
    }
    CloseHandle(AsHandle(handle_));
    DeleteFileW(fs::path(outPath_).c_str());
    DeleteFileW(fs::path(errPath_).c_str());
}

bool ChildProcess::Ended() const {
    return exitStatus_ || WaitForSingleObject(AsHandle(handle_), 0) == WAIT_OBJECT_0;
}

void ChildProcess::Signal(int signalNumber) const {
    TerminateProcess(AsHandle(handle_), 128 + static_cast<UINT>(signalNumber));
}

std::optional<int> ChildProcess::Wait(std::chrono::seconds patience) {
    if (!exitStatus_ &&
        WaitForSingleObject(AsHandle(handle_), static_cast<DWORD>(patience.count() * 1000)) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(AsHandle(handle_), &code);
        exitStatus_ = static_cast<int>(code);
    }
    return exitStatus_;
}

std::string FindProgram(const std::string& name) {
    wchar_t found[MAX_PATH];
    const std::wstring wide(name.begin(), name.end());
    const DWORD length = SearchPathW(nullptr, wide.c_str(), L".exe", MAX_PATH, found, nullptr);
    return length > 0 && length < MAX_PATH ? fs::path(found).string() : std::string();
}

}  // namespace korva::testing
