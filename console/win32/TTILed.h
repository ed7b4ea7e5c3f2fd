#pragma once
// The LED indicator as a Win32 control: a raised panel whose whole background shows an on/off state in
// one of four lit colours, its caption the window text. Drawn by itself; its caption boxed and the panel
// hatched as its owner says, and the focus is marked as a button marks it. A click (mouse, or Space and Enter when it
// takes the focus) reaches the parent as a button's BN_CLICKED.
#include <windows.h>

#include <array>
#include <string>

namespace korva::console::win32 {

class TTILed {
public:
    TTILed(HWND parent, int id, const RECT& box, const std::wstring& caption, HFONT font);
    TTILed(const TTILed&) = delete;
    TTILed& operator=(const TTILed&) = delete;

    HWND Handle() const { return window_; }

    bool LedOn() const { return ledOn_; }
    int LedIndex() const { return ledIndex_; }
    bool Stale() const { return stale_; }
    void SetLedOn(bool on);
    void SetLedIndex(int index);
    void SetColours(COLORREF off, const std::array<COLORREF, 4>& on);
    void SetStale(bool stale);
    // The caption's face, changed with the window's DPI.
    void SetFont(HFONT font);
    // The caption is boxed: the state the window calls good (lime), besides its colour.
    bool Marked() const { return marked_; }
    void SetMarked(bool marked);
    // Clicked from the keyboard too: a tab stop that Space and Enter click.
    void SetKeyboardClickable();
    // The background as painted now.
    COLORREF CurrentColour() const { return colour_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void Click();
    void UpdateColour();

    HWND window_ = nullptr;
    HFONT font_;
    bool ledOn_ = false;
    COLORREF off_ = RGB(128, 128, 128);
    std::array<COLORREF, 4> on_ = {RGB(0, 255, 0), RGB(255, 255, 0), RGB(255, 0, 0), RGB(192, 192, 192)};
    int ledIndex_ = 0;
    bool stale_ = false;
    bool marked_ = false;
    bool leftPressed_ = false;
    COLORREF colour_ = RGB(0, 128, 0);
};

}  // namespace korva::console::win32
