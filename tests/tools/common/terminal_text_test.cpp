// Outside text made safe for a terminal: which characters become escapes, and which bytes never do.
#include "tools/common/terminal_text.h"

#include <gtest/gtest.h>

namespace korva::tools {
namespace {

TEST(TerminalText, ControlCharactersBecomeEscapesAndNothingElseChanges) {
    const struct {
        const char* what;
        std::string text;
        std::string shown;
    } cases[] = {
        {"plain text", "255.255.255.0", "255.255.255.0"},
        {"erase the line, cursor up", "\x1b[2K\x1b[1A", "\\x1b[2K\\x1b[1A"},
        {"an OSC title", "\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},
        {"line ends, tab, NUL and DEL", std::string("a\r\n\t\0\x7f", 6), "a\\x0d\\x0a\\x09\\x00\\x7f"},
        {"C1 CSI written in UTF-8", "\xc2\x9b\x32J", "\\x9b2J"},
        {"UTF-8 letters", "Endere\xc3\xa7o M\xc3\xa1scara", "Endere\xc3\xa7o M\xc3\xa1scara"},
        {"a UTF-8 letter whose last byte is 0x9B", "\xc4\x9b", "\xc4\x9b"},
        {"a character of four bytes", "\xf0\x9f\x93\xa1", "\xf0\x9f\x93\xa1"},
        {"Windows-1252 letters", "Endere\xe7o", "Endere\xc3\xa7o"},
        {"Windows-1252 0x80 and 0x9B are printable", "\x80\x9b", "\xe2\x82\xac\xe2\x80\xba"},
        {"Windows-1252's undefined bytes are C1 controls", "\x81\x8d\x8f\x90\x9d", "\\x81\\x8d\\x8f\\x90\\x9d"},
        {"an overlong form is no UTF-8", "\xc0\x9b", "\xc3\x80\xe2\x80\xba"},
        {"a surrogate is no UTF-8", "\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},
        {"a sequence cut short", "\xe2\x82", "\xc3\xa2\xe2\x80\x9a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TerminalText(c.text), c.shown) << c.what;
}

}  // namespace
}  // namespace korva::tools
