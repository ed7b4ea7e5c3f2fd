#pragma once
// The tools' standard streams as each system has them: standard_streams_posix.cpp and
// standard_streams_win32.cpp.

namespace korva::tools {

// First thing in main. POSIX: a program started with standard output closed would open its socket as
// descriptor 1 and print its results into the socket, so descriptors 0 to 2 that are closed are held on
// /dev/null, read-only, and writes to a closed standard output still fail as they should. Windows: the
// streams pass bytes as they are (no CR added before LF, so output and files hold what the Linux
// programs write) and the console shows them as UTF-8.
void PrepareStandardStreams();

bool StandardInputIsTerminal();
bool StandardOutputIsTerminal();
// Whether standard error is a terminal that takes korvactl's progress line, which rewrites itself with
// a carriage return and "erase to the end of the line" (ESC [ K). Windows: a console that accepts
// virtual terminal sequences once asked to.
bool StandardErrorIsTerminal();

}  // namespace korva::tools
