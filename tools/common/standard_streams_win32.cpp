#include "tools/common/standard_streams.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <initializer_list>

namespace korva::tools {

// Sockets are no C library descriptors on Windows: a closed standard stream cannot be taken by one.
void PrepareStandardStreams() {
    for (FILE* stream : {stdin, stdout, stderr}) {
        const int fd = _fileno(stream);
        if (fd >= 0)
            _setmode(fd, _O_BINARY);
    }
    SetConsoleOutputCP(CP_UTF8);
}

bool StandardInputIsTerminal() {
    return _isatty(_fileno(stdin)) != 0;
}

}  // namespace korva::tools
