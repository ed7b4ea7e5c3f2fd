#include "console/qt/auto_select_edit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace korva::console {

AutoSelectEdit::AutoSelectEdit(QWidget* parent) : QLineEdit(parent) {}

void AutoSelectEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // Coming back from another window or a context menu keeps whatever the operator had selected.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    selectAll();
    selectAfterPress_ = event->reason() == Qt::MouseFocusReason;
}

void AutoSelectEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (selectAfterPress_) {
        selectAfterPress_ = false;
        selectAll();
    }
}

void AutoSelectEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            QApplication::beep();
            event->accept();
            return;
        default:
            QLineEdit::keyPressEvent(event);
    }
}

}  // namespace korva::console
