#pragma once
// The window's edit boxes: the whole text is selected whenever the box gets the focus, by Tab or by a
// mouse click, so a new address can be typed straight over the old one; Enter and Escape only beep.
#include <QLineEdit>

namespace korva::console {

class AutoSelectEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit AutoSelectEdit(QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The press that brought the focus would otherwise put the cursor where it landed and drop the
    // selection made on focus.
    bool selectAfterPress_ = false;
};

}  // namespace korva::console
