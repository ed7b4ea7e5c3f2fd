#include "console/win32/select_all_key.h"

#include <commctrl.h>

namespace korva::console::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 0x4B53;  // "KS"
// The character the keyboard makes of Ctrl+A.
constexpr WPARAM kCtrlA = 0x01;

LRESULT CALLBACK Procedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_CHAR && wParam == kCtrlA) {
        SendMessageW(edit, EM_SETSEL, 0, -1);
        return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(edit, Procedure, kSubclassId);
    return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

void SelectAllOnCtrlA(HWND edit) {
    SetWindowSubclass(edit, Procedure, kSubclassId, 0);
}

}  // namespace korva::console::win32
