#include "console/win32/accessible_names.h"

#include <initguid.h>
#include <oleacc.h>

#include "console/win32/wide_text.h"

namespace korva::console::win32 {
namespace {

// One property service for the program, made on the window's thread the first time it is asked.
IAccPropServices* Services() {
    static IAccPropServices* const services = [] {
        IAccPropServices* made = nullptr;
        if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                    reinterpret_cast<void**>(&made))))
            return static_cast<IAccPropServices*>(nullptr);
        return made;
    }();
    return services;
}

void SetProperty(HWND control, const MSAAPROPID& property, const std::string& utf8) {
    if (IAccPropServices* services = Services()) {
        const std::wstring text = Wide(utf8);
        services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property, text.c_str());
    }
}

}  // namespace

void SetAccessibleName(HWND control, const std::string& utf8) {
    SetProperty(control, PROPID_ACC_NAME, utf8);
}

void SetAccessibleDescription(HWND control, const std::string& utf8) {
    SetProperty(control, PROPID_ACC_DESCRIPTION, utf8);
}

}  // namespace korva::console::win32
