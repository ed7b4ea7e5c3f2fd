#include "app/settings/atomic_file.h"

#include "app/settings/file_calls.h"
#include "app/settings/temporary_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace korva::app {
namespace {

[[noreturn]] void Fail(const std::string& path) {
    throw std::runtime_error("Unable to write to " + path);
}

// Renaming over a symbolic link would replace the link itself, not the file it points to. A link to
// nothing is refused: replacing it with a regular file would quietly cut the user's link.
std::string ResolveLink(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    if (!resolved)
        Fail(path);
    return resolved.get();
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(FileCalls& calls, int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = calls.Write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// O_EXCL with a fresh name per attempt, so that two writers never share a temporary file.
int CreateTemporary(FileCalls& calls, const std::string& target, mode_t mode, std::string& name) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = TemporaryName(target, static_cast<unsigned long>(getpid()), counter++);
        const int fd = calls.Open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

std::string NameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A writer killed between creating its temporary file and renaming it leaves that file behind. Once
// its process is gone nobody will finish it, so the next successful save removes it; files of a
// writer that is still running are left alone.
void RemoveAbandonedTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string name = NameOf(target);
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr)
        return;
    while (const dirent* entry = readdir(listing)) {
        const auto writer = static_cast<pid_t>(WriterOf(entry->d_name, name));
        if (writer > 0 && writer != getpid() && kill(writer, 0) != 0 && errno == ESRCH)
            unlink((folder + "/" + entry->d_name).c_str());
    }
    closedir(listing);
}

void Discard(FileCalls& calls, int fd, const std::string& temporary) {
    calls.Close(fd);
    calls.Unlink(temporary.c_str());
}

// Makes the rename itself durable.
bool SyncFolder(FileCalls& calls, const std::string& folder) {
    const int fd = calls.Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool synced = calls.Fsync(fd) == 0;
    return calls.Close(fd) == 0 && synced;
}

// Every byte is on disk before the rename makes the temporary file the target, so that a crash can
// never leave a target that is named but not yet written.
bool RenameOver(FileCalls& calls, int fd, const std::string& temporary, const std::string& target,
                std::string_view bytes) {
    bool ok = WriteAll(calls, fd, bytes) && calls.Fsync(fd) == 0;
    ok = calls.Close(fd) == 0 && ok;
    ok = ok && calls.Rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        calls.Unlink(temporary.c_str());
        return false;
    }
    return SyncFolder(calls, FolderOf(target));
}

// Not crash-proof, so the order limits the harm of a failure part-way: the new bytes go over the old
// ones first and the file is cut to their length only afterwards, so a full disk or a kill never leaves
// an empty file, and the file needs no more room than it has until it grows. The flush comes last so
// that it covers the length too.
bool OverwriteInPlace(FileCalls& calls, int fd, std::string_view bytes) {
    return WriteAll(calls, fd, bytes) && calls.Ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 &&
           calls.Fsync(fd) == 0;
}

bool CreateFile(FileCalls& calls, const std::string& target, std::string_view bytes) {
    std::string temporary;
    const int fd = CreateTemporary(calls, target, 0666, temporary);
    return fd >= 0 && RenameOver(calls, fd, temporary, target, bytes);
}

// The replacement takes over the file's owner, group and mode; where it cannot (a folder that takes no
// new files, a file of another user), the file is written where it is rather than handed to whoever
// saves it or left unsaved.
bool ReplaceFile(FileCalls& calls, int existing, const std::string& target, std::string_view bytes) {
    struct stat file {};
    if (fstat(existing, &file) != 0 || !S_ISREG(file.st_mode))
        return false;
    std::string temporary;
    // Readable by nobody else until it has the file's own mode.
    const int fd = CreateTemporary(calls, target, 0600, temporary);
    if (fd < 0)
        return (errno == EACCES || errno == EPERM) && OverwriteInPlace(calls, existing, bytes);
    if (calls.Fchown(fd, file.st_uid, file.st_gid) != 0) {
        Discard(calls, fd, temporary);
        return OverwriteInPlace(calls, existing, bytes);
    }
    // After the change of owner, which clears the set-user and set-group bits.
    if (calls.Fchmod(fd, file.st_mode & 07777) != 0) {
        Discard(calls, fd, temporary);
        return false;
    }
    return RenameOver(calls, fd, temporary, target, bytes);
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    FileCalls system;
    WriteFileAtomically(path, bytes, system);
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, FileCalls& calls) {
    const std::string target = ResolveLink(path);
    // Opening the file for writing asks the system whether this user may write it at all, which a
    // rename in a writable folder would not. O_NONBLOCK: a FIFO in its place fails at once instead of
    // hanging the close.
    const int existing = calls.Open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC, 0);
    if (existing < 0 && errno != ENOENT)
        Fail(path);
    bool saved = false;
    if (existing < 0) {
        saved = CreateFile(calls, target, bytes);
    } else {
        saved = ReplaceFile(calls, existing, target, bytes);
        saved = calls.Close(existing) == 0 && saved;
    }
    if (!saved)
        Fail(path);
    RemoveAbandonedTemporaries(target);
}

}  // namespace korva::app
