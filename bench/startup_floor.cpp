// The toolkit's floor for KorvaCfg's start-up: a bare Qt Widgets window with as many controls of the
// same kinds at the same places (the six LED indicators as plain labels), default fonts and colours,
// ending after the first pass of the event loop with the window painted (see first_paint.h).
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "bench/bare_window_controls.h"
#include "bench/first_paint.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    using korva::bench::BareControl;
    for (const BareControl& control : korva::bench::kBareControls) {
        const QString text = QString::fromUtf8(control.text);
        QWidget* widget = control.kind == BareControl::kButton ? static_cast<QWidget*>(new QPushButton(text, &window))
                          : control.kind == BareControl::kEdit ? static_cast<QWidget*>(new QLineEdit(text, &window))
                                                               : static_cast<QWidget*>(new QLabel(text, &window));
        widget->setGeometry(control.x, control.y, control.width, control.height);
        widget->setHidden(control.hidden);
    }
    window.setFixedSize(korva::bench::kBareWindowWidth, korva::bench::kBareWindowHeight);
    window.show();
    korva::bench::FirstPaintProbe probe(window);
    return QApplication::exec();
}
