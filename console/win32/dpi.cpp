#include "console/win32/dpi.h"

namespace korva::console::win32 {
namespace {

// Looked up rather than imported, so that the program still starts on the Windows versions before them.
template <typename Function>
Function User32Function(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

RECT ScaledBox(const layout::Box& box, UINT dpi) {
    const int left = Scaled(box.x, dpi);
    const int top = Scaled(box.y, dpi);
    return {left, top, left + Scaled(box.width, dpi), top + Scaled(box.height, dpi)};
}

UINT DpiOf(HWND window) {
    using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowCall>("GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(window))
            return dpi;
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

SIZE FrameSize(int width, int height, DWORD style, UINT dpi) {
    using AdjustForDpiCall = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32Function<AdjustForDpiCall>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, width, height};
    if (adjustForDpi == nullptr || !adjustForDpi(&frame, style, FALSE, 0, dpi))
        AdjustWindowRect(&frame, style, FALSE);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace korva::console::win32
