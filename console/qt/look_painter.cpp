#include "console/qt/look_painter.h"

#include <QLabel>
#include <QPushButton>
#include <QString>

#include "console/qt/TTILed.h"
#include "console/qt/control_factory.h"

namespace korva::console {

void PaintLook(QWidget* control, const layout::Control& row, const ControlLook& look) {
    control->setEnabled(look.enabled);
    control->setVisible(look.visible);
    // A screen reader is told of every change: only a change is made.
    if (const QString name = QString::fromStdString(look.accessibleName); control->accessibleName() != name)
        control->setAccessibleName(name);
    if (const QString words = QString::fromStdString(look.accessibleDescription);
        control->accessibleDescription() != words)
        control->setAccessibleDescription(words);
    if (row.kind == layout::ControlKind::kLed) {
        auto* led = static_cast<TTILed*>(control);
        led->SetLedIndex(look.colourIndex);
        led->SetLedOn(look.lit);
        led->SetMarked(look.marked);
        led->SetStale(look.stale);
    } else if (row.kind == layout::ControlKind::kButton) {
        // Pressed in, under a busy cursor, until the name is found.
        auto* button = static_cast<QPushButton*>(control);
        button->setDown(look.busy);
        if (look.busy)
            button->setCursor(Qt::BusyCursor);
        else
            button->unsetCursor();
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(QString::fromStdString(look.text));
        // Without a colour of its own, a label writes in the window's.
        const QColor text =
            look.textColour ? ColourOf(*look.textColour) : label->parentWidget()->palette().color(QPalette::WindowText);
        SetColour(label, QPalette::WindowText, text);
        if (look.background)
            SetColour(label, QPalette::Window, ColourOf(*look.background));
    }
}

}  // namespace korva::console
