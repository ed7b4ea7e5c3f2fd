#include "console/win32/error_box.h"

#include "console/application_title.h"
#include "console/display_formats.h"
#include "console/win32/wide_text.h"

namespace korva::console::win32 {

void ShowErrorBox(HWND owner, const std::string& message) {
    MessageBoxW(owner, WithCrLf(Wide(ErrorBoxText(message))).c_str(), Wide(kApplicationTitle).c_str(),
                MB_OK | MB_ICONSTOP);
}

}  // namespace korva::console::win32
