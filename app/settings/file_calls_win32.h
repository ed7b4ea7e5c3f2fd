#pragma once
// Windows' FileCalls (file_calls.h is POSIX's): the calls a save makes that change files, each doing what
// the system function of its name does, with wide paths. A test derives from it to see the order of the
// calls and to make one of them fail.
#include <windows.h>

namespace korva::app {

class FileCalls {
public:
    virtual ~FileCalls() = default;
    // CreateFileW for writing, shared with nobody; disposition is CREATE_NEW or OPEN_EXISTING.
    virtual HANDLE Create(const wchar_t* path, DWORD disposition);
    virtual BOOL Write(HANDLE file, const void* bytes, DWORD count, DWORD* written);
    virtual BOOL Flush(HANDLE file);  // FlushFileBuffers
    virtual BOOL Close(HANDLE file);
    virtual BOOL SetAttributes(const wchar_t* path, DWORD attributes);  // SetFileAttributesW
    // ReplaceFileW: replacement takes replaced's place and keeps its attributes.
    virtual BOOL Replace(const wchar_t* replaced, const wchar_t* replacement);
    // MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH.
    virtual BOOL Move(const wchar_t* from, const wchar_t* to);
    virtual BOOL Delete(const wchar_t* path);
};

}  // namespace korva::app
