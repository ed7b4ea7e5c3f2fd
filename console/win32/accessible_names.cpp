#include "console/win32/accessible_names.h"

#include <commctrl.h>
#include <initguid.h>
#include <oleacc.h>

#include "console/win32/accessible_control.h"
#include "console/win32/wide_text.h"

namespace korva::console::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 0x4B41;  // "KA"
// Where a control keeps its texts, for the object to find them when asked.
constexpr wchar_t kTextsProperty[] = L"KorvaAccessibleTexts";

const AccessibleTexts* TextsOf(HWND control) {
    return static_cast<const AccessibleTexts*>(GetPropW(control, kTextsProperty));
}

// Once, on the window's thread, which every WM_GETOBJECT reaches: COM for this thread, and the calls the
// object takes. Null when any is missing; the controls then answer as the system's own would.
const OleCalls* LoadedOle() {
    static const OleCalls* const loaded = []() -> const OleCalls* {
        const HMODULE ole32 = LoadLibraryW(L"ole32.dll");
        const HMODULE oleaut32 = LoadLibraryW(L"oleaut32.dll");
        const HMODULE oleacc = LoadLibraryW(L"oleacc.dll");
        if (ole32 == nullptr || oleaut32 == nullptr || oleacc == nullptr)
            return nullptr;
        const auto find = [](HMODULE module, const char* name) {
            return reinterpret_cast<void*>(GetProcAddress(module, name));
        };
        const auto coInitializeEx = reinterpret_cast<decltype(&CoInitializeEx)>(find(ole32, "CoInitializeEx"));
        static OleCalls calls{
            reinterpret_cast<decltype(&SysAllocString)>(find(oleaut32, "SysAllocString")),
            reinterpret_cast<decltype(&SysFreeString)>(find(oleaut32, "SysFreeString")),
            reinterpret_cast<decltype(&CreateStdAccessibleObject)>(find(oleacc, "CreateStdAccessibleObject")),
            reinterpret_cast<decltype(&LresultFromObject)>(find(oleacc, "LresultFromObject")),
        };
        if (coInitializeEx == nullptr || calls.sysAllocString == nullptr || calls.sysFreeString == nullptr ||
            calls.createStdAccessibleObject == nullptr || calls.lresultFromObject == nullptr ||
            FAILED(coInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
            return nullptr;
        return &calls;
    }();
    return loaded;
}

LRESULT AnswerForClient(HWND control, WPARAM wParam) {
    const OleCalls* ole = LoadedOle();
    IAccessible* standard = nullptr;
    if (ole == nullptr || FAILED(ole->createStdAccessibleObject(control, OBJID_CLIENT, IID_IAccessible,
                                                                reinterpret_cast<void**>(&standard))))
        return 0;
    auto* accessible = new AccessibleControl(control, standard, TextsOf, *ole);
    const LRESULT answer = ole->lresultFromObject(IID_IAccessible, wParam, accessible);
    accessible->Release();
    return answer;
}

LRESULT CALLBACK AnsweringProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR reference) {
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
        if (const LRESULT answer = AnswerForClient(control, wParam))
            return answer;
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, AnsweringProcedure, kSubclassId);
        RemovePropW(control, kTextsProperty);
        delete reinterpret_cast<AccessibleTexts*>(reference);
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

AccessibleTexts& TextsFor(HWND control) {
    if (const AccessibleTexts* texts = TextsOf(control))
        return *const_cast<AccessibleTexts*>(texts);
    auto* texts = new AccessibleTexts;
    SetPropW(control, kTextsProperty, texts);
    SetWindowSubclass(control, AnsweringProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(texts));
    return *texts;
}

}  // namespace

void SetAccessibleName(HWND control, const std::string& utf8) {
    TextsFor(control).name = Wide(utf8);
}

void SetAccessibleDescription(HWND control, const std::string& utf8) {
    AccessibleTexts& texts = TextsFor(control);
    std::wstring description = Wide(utf8);
    if (description == texts.description)
        return;
    texts.description = std::move(description);
    NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, control, OBJID_CLIENT, CHILDID_SELF);
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace korva::console::win32
