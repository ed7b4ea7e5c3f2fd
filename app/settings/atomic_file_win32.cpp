#include "app/settings/atomic_file.h"

#include "app/settings/file_calls_win32.h"
#include "app/settings/temporary_names.h"
#include "language/utf16_win32.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>

namespace korva::app {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& path) {
    throw std::runtime_error("Unable to write to " + path);
}

bool WriteAll(FileCalls& calls, HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!calls.Write(file, bytes.data(), count, &written))
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// CREATE_NEW with a fresh name per attempt, so that two writers never share a temporary file.
HANDLE CreateTemporary(FileCalls& calls, const std::string& target, std::wstring& name) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = language::Wide(TemporaryName(target, GetCurrentProcessId(), counter++));
        const HANDLE file = calls.Create(name.c_str(), CREATE_NEW);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

// Gone: no such process any more, or one that has ended and whose object someone still holds.
bool ProcessGone(DWORD process) {
    const HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
    if (handle == nullptr)
        return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    CloseHandle(handle);
    return ended;
}

// A writer killed between creating its temporary file and putting it in place leaves that file behind.
// Once its process is gone nobody will finish it, so the next successful save removes it; files of a
// writer that is still running are left alone.
void RemoveAbandonedTemporaries(const fs::path& target) {
    const std::string name = language::Utf8(target.filename().wstring());
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(target.parent_path(), error)) {
        const auto writer = WriterOf(language::Utf8(entry.path().filename().wstring()), name);
        if (writer > 0 && writer != GetCurrentProcessId() && ProcessGone(writer))
            DeleteFileW(entry.path().c_str());
    }
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    FileCalls system;
    WriteFileAtomically(path, bytes, system);
}

// Every byte is on disk before the temporary file takes the target's place, so that a crash can never
// leave a target that is named but not yet written. An existing file is replaced with ReplaceFileW, which
// keeps its security and creation time, and its attributes (hidden, archive) are kept; a new file is
// moved into place with write-through.
void WriteFileAtomically(const std::string& path, std::string_view bytes, FileCalls& calls) {
    const fs::path target = fs::absolute(fs::path(language::Wide(path)));
    // Opening the file for writing asks the system whether this user may write it at all (a read-only
    // file, a folder in its place), which a replacement in a writable folder would not.
    const HANDLE existing = calls.Create(target.c_str(), OPEN_EXISTING);
    if (existing == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND)
        Fail(path);
    const bool exists = existing != INVALID_HANDLE_VALUE;
    // Not held: the replacement needs the file shared.
    if (exists && !calls.Close(existing))
        Fail(path);
    const DWORD attributes = exists ? GetFileAttributesW(target.c_str()) : INVALID_FILE_ATTRIBUTES;
    // Read-only forbids writing to everyone, administrators included, whom opening it does not stop.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        Fail(path);

    std::wstring temporary;
    const HANDLE file = CreateTemporary(calls, language::Utf8(target.wstring()), temporary);
    if (file == INVALID_HANDLE_VALUE)
        Fail(path);
    bool saved = WriteAll(calls, file, bytes) && calls.Flush(file);
    saved = calls.Close(file) && saved;
    // ReplaceFileW gives the replacement the old file's attributes on Windows, but not everywhere the
    // program runs (Wine): they are set on it first.
    if (exists) {
        saved = saved && (attributes == INVALID_FILE_ATTRIBUTES ||
                          calls.SetAttributes(temporary.c_str(), attributes)) &&
                calls.Replace(target.c_str(), temporary.c_str());
    } else {
        saved = saved && calls.Move(temporary.c_str(), target.c_str());
    }
    if (!saved) {
        calls.Delete(temporary.c_str());
        Fail(path);
    }
    RemoveAbandonedTemporaries(target);
}

}  // namespace korva::app
