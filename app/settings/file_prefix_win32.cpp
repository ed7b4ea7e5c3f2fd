#include "app/settings/file_prefix.h"

#include "language/utf16_win32.h"

#include <windows.h>

namespace korva::app {

std::string ReadFilePrefix(const std::string& path, std::size_t limit, bool& complete) {
    complete = true;
    std::string bytes;
    const HANDLE file = CreateFileW(language::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        complete = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return bytes;
    }
    // A device or a pipe in the file's place is not read: it could hang the program at start.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        complete = false;
        return bytes;
    }
    char buffer[65536];
    while (bytes.size() <= limit) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            complete = false;
            break;
        }
        if (got == 0)
            break;
        bytes.append(buffer, got);
    }
    if (bytes.size() > limit) {
        complete = false;
        bytes.resize(limit);
    }
    CloseHandle(file);
    return bytes;
}

}  // namespace korva::app
