#pragma once
// Text from a device or a file as a terminal may be given it: its control characters made visible, so
// that a device answering with ESC [2K or an OSC title sequence cannot erase the lines above a question
// or retitle the window. Every table, CSV line and message korvactl prints with such text goes through
// it; JSON escapes its strings itself.
#include <string>
#include <string_view>

namespace korva::tools {

// The text as UTF-8 with every control character as "\x1b": C0, DEL and U+0080-U+009F of the text as
// decoded. Valid UTF-8 is read as such; any other byte is Windows-1252, the devices' own text, and
// becomes its character (or, for the five bytes Windows-1252 leaves undefined, their escape). Nothing
// else changes.
std::string TerminalText(std::string_view text);

}  // namespace korva::tools
