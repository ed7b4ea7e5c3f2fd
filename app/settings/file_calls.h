#pragma once
#include <sys/types.h>

namespace korva::app {

// The calls a save makes that change files, each doing what the system call of its name does. A test
// derives from it to see the order of the calls and to make one of them fail.
class FileCalls {
public:
    virtual ~FileCalls() = default;
    virtual int Open(const char* path, int flags, mode_t mode);
    virtual ssize_t Write(int fd, const void* bytes, size_t count);
    virtual int Ftruncate(int fd, off_t length);
    virtual int Fchown(int fd, uid_t owner, gid_t group);
    virtual int Fchmod(int fd, mode_t mode);
    virtual int Fsync(int fd);
    virtual int Close(int fd);
    virtual int Rename(const char* from, const char* to);
    virtual int Unlink(const char* path);
};

}  // namespace korva::app
