#pragma once
#include <string>
#include <string_view>

namespace korva::app {

// The system's file calls: file_calls.h on POSIX, file_calls_win32.h on Windows.
class FileCalls;

// Replaces the file at path with bytes so that a crash at any moment leaves either the old file or
// the new one: a temporary file in the same folder is written, flushed to disk, closed and renamed over
// the target, and the folder is flushed so that the rename lasts. The new file keeps the old one's
// owner, group and permissions. A symbolic link at path is followed and its target replaced; a link
// that points nowhere is an error and nothing is created. A file this user may not write is an error and
// stays untouched.
// Two files cannot be replaced and are overwritten where they are instead, which a crash part-way can
// leave holding the new bytes followed by the rest of the old ones: a file whose folder takes no new
// files, and a file whose owner the replacement cannot be given (another user's, saved by one who is
// not root).
// Throws std::runtime_error("Unable to write to " + path) on any failure, a failed flush included, and
// leaves no temporary file behind. A successful write also removes the temporary files that writers
// killed in the middle of a write left beside the target.
// On Windows (atomic_file_win32.cpp) path is UTF-8 and goes to the system as UTF-16; the temporary file is
// flushed with FlushFileBuffers and takes an existing file's place with ReplaceFileW, keeping its
// attributes, or a new file's with MoveFileExW and write-through; a read-only file is an error.
void WriteFileAtomically(const std::string& path, std::string_view bytes);
// The same save, making its changes through calls.
void WriteFileAtomically(const std::string& path, std::string_view bytes, FileCalls& calls);

}  // namespace korva::app
