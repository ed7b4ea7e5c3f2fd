#include "console/win32/accessible_control.h"

#include "console/win32/wide_text.h"

namespace korva::console::win32 {
namespace {

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

}  // namespace

AccessibleControl::AccessibleControl(HWND control, IAccessible* standard, TextsOf textsOf, const OleCalls& ole)
    : control_(control), standard_(standard), textsOf_(textsOf), ole_(ole) {}

AccessibleControl::~AccessibleControl() {
    standard_->Release();
}

HRESULT AccessibleControl::QueryInterface(REFIID id, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch) || IsEqualIID(id, IID_IAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AccessibleControl::AddRef() {
    return ++references_;
}

ULONG AccessibleControl::Release() {
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT AccessibleControl::Text(const std::wstring& text, BSTR* out) const {
    if (out == nullptr)
        return E_POINTER;
    *out = ole_.sysAllocString(text.c_str());
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

std::wstring AccessibleControl::StandardText(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*),
                                             VARIANT child) const {
    BSTR text = nullptr;
    std::wstring result;
    if ((standard_->*get)(child, &text) == S_OK && text != nullptr)
        result = text;
    ole_.sysFreeString(text);
    return result;
}

HRESULT AccessibleControl::get_accName(VARIANT child, BSTR* name) {
    const AccessibleTexts* texts = textsOf_(control_);
    if (!IsSelf(child) || texts == nullptr || texts->name.empty())
        return standard_->get_accName(child, name);
    return Text(texts->name, name);
}

// What the control shows that its name does not say already: an edit box's text (the standard object
// gives it); the window text of a reading named by the caption beside it; an indicator's state in words,
// its window text being its name.
HRESULT AccessibleControl::get_accValue(VARIANT child, BSTR* value) {
    const AccessibleTexts* texts = textsOf_(control_);
    if (!IsSelf(child) || texts == nullptr)
        return standard_->get_accValue(child, value);
    std::wstring text = StandardText(&IAccessible::get_accValue, child);
    if (text.empty())
        text = !texts->name.empty() ? WindowText(control_) : texts->description;
    return Text(text, value);
}

HRESULT AccessibleControl::get_accDescription(VARIANT child, BSTR* description) {
    const AccessibleTexts* texts = textsOf_(control_);
    if (!IsSelf(child) || texts == nullptr || texts->description.empty())
        return standard_->get_accDescription(child, description);
    return Text(texts->description, description);
}

// Everything else is the standard object's.

HRESULT AccessibleControl::GetTypeInfoCount(UINT* count) {
    return standard_->GetTypeInfoCount(count);
}

HRESULT AccessibleControl::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) {
    return standard_->GetTypeInfo(index, locale, info);
}

HRESULT AccessibleControl::GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
    return standard_->GetIDsOfNames(id, names, count, locale, ids);
}

HRESULT AccessibleControl::Invoke(DISPID member, REFIID id, LCID locale, WORD flags, DISPPARAMS* parameters,
                                  VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    return standard_->Invoke(member, id, locale, flags, parameters, result, exception, argumentError);
}

HRESULT AccessibleControl::get_accParent(IDispatch** parent) {
    return standard_->get_accParent(parent);
}

HRESULT AccessibleControl::get_accChildCount(LONG* count) {
    return standard_->get_accChildCount(count);
}

HRESULT AccessibleControl::get_accChild(VARIANT child, IDispatch** object) {
    return standard_->get_accChild(child, object);
}

HRESULT AccessibleControl::get_accRole(VARIANT child, VARIANT* role) {
    return standard_->get_accRole(child, role);
}

HRESULT AccessibleControl::get_accState(VARIANT child, VARIANT* state) {
    return standard_->get_accState(child, state);
}

HRESULT AccessibleControl::get_accHelp(VARIANT child, BSTR* help) {
    return standard_->get_accHelp(child, help);
}

HRESULT AccessibleControl::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) {
    return standard_->get_accHelpTopic(file, child, topic);
}

HRESULT AccessibleControl::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    return standard_->get_accKeyboardShortcut(child, shortcut);
}

HRESULT AccessibleControl::get_accFocus(VARIANT* child) {
    return standard_->get_accFocus(child);
}

HRESULT AccessibleControl::get_accSelection(VARIANT* children) {
    return standard_->get_accSelection(children);
}

HRESULT AccessibleControl::get_accDefaultAction(VARIANT child, BSTR* action) {
    return standard_->get_accDefaultAction(child, action);
}

HRESULT AccessibleControl::accSelect(LONG flags, VARIANT child) {
    return standard_->accSelect(flags, child);
}

HRESULT AccessibleControl::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) {
    return standard_->accLocation(left, top, width, height, child);
}

HRESULT AccessibleControl::accNavigate(LONG direction, VARIANT start, VARIANT* end) {
    return standard_->accNavigate(direction, start, end);
}

HRESULT AccessibleControl::accHitTest(LONG left, LONG top, VARIANT* child) {
    return standard_->accHitTest(left, top, child);
}

HRESULT AccessibleControl::accDoDefaultAction(VARIANT child) {
    return standard_->accDoDefaultAction(child);
}

HRESULT AccessibleControl::put_accName(VARIANT child, BSTR name) {
    return standard_->put_accName(child, name);
}

HRESULT AccessibleControl::put_accValue(VARIANT child, BSTR value) {
    return standard_->put_accValue(child, value);
}

}  // namespace korva::console::win32
