#include "console/win32/wide_text.h"

#include "protocol/cp1252.h"

namespace korva::console::win32 {

std::wstring FromDevice(const std::string& cp1252) {
    return Wide(Cp1252ToUtf8(cp1252));
}

std::string ToDevice(const std::wstring& wide) {
    return Utf8ToCp1252(Utf8(wide));
}

std::wstring WithCrLf(const std::wstring& text) {
    std::wstring result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            result += L"\r\n";
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void SetWindowTextUtf8(HWND window, const std::string& utf8) {
    SetWindowTextW(window, Wide(utf8).c_str());
}

}  // namespace korva::console::win32
