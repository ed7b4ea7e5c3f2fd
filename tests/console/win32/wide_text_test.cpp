// Where the console's texts meet Win32: the catalog's UTF-8 and the device's Windows-1252 both reach a
// control as the same UTF-16, what a box holds goes back to the device's bytes, and a message's line
// breaks become what DrawText and an edit box break at.
#include <gtest/gtest.h>

#include <string>

#include "console/win32/wide_text.h"

namespace korva::console::win32 {
namespace {

TEST(WideText, CatalogAndDeviceTextReachWin32AsTheSameCharacters) {
    const struct {
        std::string utf8;
        std::string cp1252;
        std::wstring wide;
    } cases[] = {
        {"", "", L""},
        {"127.0.0.1", "127.0.0.1", L"127.0.0.1"},
        {"máscara nova", "m\xe1scara nova", L"m\u00e1scara nova"},
        {"26°C", "26\xb0" "C", L"26\u00b0C"},
        {"NÃO", "N\xc3O", L"N\u00c3O"},
        // Where Windows-1252 differs from Latin-1: the euro sign and the curly quotes.
        {"€ “x”", "\x80 \x93x\x94", L"\u20ac \u201cx\u201d"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Wide(c.utf8), c.wide) << c.utf8;
        EXPECT_EQ(Utf8(c.wide), c.utf8) << c.utf8;
        EXPECT_EQ(FromDevice(c.cp1252), c.wide) << c.utf8;
        EXPECT_EQ(ToDevice(c.wide), c.cp1252) << c.utf8;
    }
    // What Windows-1252 cannot hold does not reach the device as something else.
    EXPECT_EQ(ToDevice(L"10.0.0.\u4e00"), "10.0.0.?");
}

TEST(WideText, EveryLineBreakBecomesCarriageReturnLineFeed) {
    const struct {
        std::wstring text;
        std::wstring shown;
    } cases[] = {
        {L"a\rb", L"a\r\nb"},
        {L"a\nb", L"a\r\nb"},
        {L"a\r\nb", L"a\r\nb"},
        {L"a\r\rb", L"a\r\n\r\nb"},
        {L"a\n\rb", L"a\r\n\r\nb"},
        {L"\r", L"\r\n"},
        {L"ab", L"ab"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithCrLf(c.text), c.shown) << Utf8(c.text);
}

}  // namespace
}  // namespace korva::console::win32
