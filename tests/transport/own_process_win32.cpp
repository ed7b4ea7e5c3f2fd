#include "own_process.h"

#include <windows.h>
#include <tlhelp32.h>

namespace korva::transport::testing {

std::size_t OpenDescriptorCount() {
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    return handles;
}

std::set<int> ThreadIds() {
    std::set<int> threads;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return threads;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            threads.insert(static_cast<int>(entry.th32ThreadID));
    }
    CloseHandle(snapshot);
    return threads;
}

}  // namespace korva::transport::testing
