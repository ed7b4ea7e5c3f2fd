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

bool StandardOutputIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

bool StandardErrorIsTerminal() {
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return _isatty(_fileno(stderr)) != 0 && GetConsoleMode(console, &mode) &&
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

}  // namespace korva::tools
