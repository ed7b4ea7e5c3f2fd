// The toolkit's floor for KorvaCfg's start-up: a bare Qt Widgets window with as many controls of the
// same kinds at the same places (the six LED indicators as plain labels), default fonts and colours,
// ending after the first pass of the event loop with the window painted (see first_paint.h).
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "bench/first_paint.h"

namespace {

struct Control {
    enum Kind { kButton, kEdit, kLabel } kind;
    QRect geometry;
    const char* text;
    bool hidden = false;  // the restart notice, shown only when a device asks for it
};

// KorvaCfg's thirty controls: 4 buttons, 4 edit boxes, 16 labels and static texts, 6 indicators.
const Control kControls[] = {
    {Control::kButton, {10, 15, 86, 24}, "lê dados"},
    {Control::kLabel, {105, 15, 81, 24}, "aut"},
    {Control::kLabel, {10, 45, 66, 22}, "24,4 V"},
    {Control::kLabel, {80, 45, 51, 22}, "26 °C"},
    {Control::kLabel, {135, 45, 51, 22}, "26 %"},
    {Control::kLabel, {10, 75, 86, 24}, "presença"},
    {Control::kLabel, {100, 75, 86, 24}, "rede 1"},
    {Control::kLabel, {10, 105, 86, 24}, "rede 2"},
    {Control::kLabel, {100, 105, 86, 24}, "rede 3"},
    {Control::kButton, {10, 135, 86, 24}, "reset"},
    {Control::kLabel, {100, 135, 86, 24}, "reset EC"},
    {Control::kLabel, {25, 165, 146, 22}, "00/00/00 00:00:00"},
    {Control::kLabel, {290, 5, 166, 22}, "parâmetros atuais"},
    {Control::kLabel, {470, 5, 166, 22}, "parâmetros novos"},
    {Control::kLabel, {195, 30, 86, 22}, "endereço"},
    {Control::kLabel, {195, 60, 86, 22}, "máscara"},
    {Control::kLabel, {195, 85, 86, 22}, "gateway"},
    {Control::kLabel, {195, 110, 86, 20}, "mac address"},
    {Control::kLabel, {195, 135, 86, 20}, "versão / data"},
    {Control::kEdit, {290, 30, 166, 23}, "000.000.000.000"},
    {Control::kLabel, {290, 60, 166, 20}, "000.000.000.000"},
    {Control::kLabel, {290, 85, 166, 20}, "000.000.000.000"},
    {Control::kLabel, {290, 110, 166, 20}, "00-00-00-00-00-00"},
    {Control::kLabel, {290, 135, 166, 20}, "1.30 00/00/00 00:00"},
    {Control::kButton, {290, 160, 166, 31}, "lê parâmetros"},
    {Control::kEdit, {470, 30, 166, 23}, "000.000.000.000"},
    {Control::kEdit, {470, 60, 166, 23}, "000.000.000.000"},
    {Control::kEdit, {470, 85, 166, 23}, "000.000.000.000"},
    {Control::kButton, {470, 115, 166, 31}, "altera  IP/msk/GW"},
    {Control::kLabel, {470, 150, 166, 41}, "reinicialização", true},
};
static_assert(std::size(kControls) == 30);

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    for (const Control& control : kControls) {
        const QString text = QString::fromUtf8(control.text);
        QWidget* widget = control.kind == Control::kButton ? static_cast<QWidget*>(new QPushButton(text, &window))
                          : control.kind == Control::kEdit ? static_cast<QWidget*>(new QLineEdit(text, &window))
                                                           : static_cast<QWidget*>(new QLabel(text, &window));
        widget->setGeometry(control.geometry);
        widget->setHidden(control.hidden);
    }
    window.setFixedSize(645, 199);
    window.show();
    korva::bench::FirstPaintProbe probe(window);
    return QApplication::exec();
}
