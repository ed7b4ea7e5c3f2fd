#include "app/settings/file_calls_win32.h"

namespace korva::app {

HANDLE FileCalls::Create(const wchar_t* path, DWORD disposition) {
    return CreateFileW(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}
BOOL FileCalls::Write(HANDLE file, const void* bytes, DWORD count, DWORD* written) {
    return WriteFile(file, bytes, count, written, nullptr);
}
BOOL FileCalls::Flush(HANDLE file) {
    return FlushFileBuffers(file);
}
BOOL FileCalls::Close(HANDLE file) {
    return CloseHandle(file);
}
BOOL FileCalls::SetAttributes(const wchar_t* path, DWORD attributes) {
    return SetFileAttributesW(path, attributes);
}
BOOL FileCalls::Replace(const wchar_t* replaced, const wchar_t* replacement) {
    return ReplaceFileW(replaced, replacement, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
}
BOOL FileCalls::Move(const wchar_t* from, const wchar_t* to) {
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
BOOL FileCalls::Delete(const wchar_t* path) {
    return DeleteFileW(path);
}

}  // namespace korva::app
