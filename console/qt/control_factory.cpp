#include "console/qt/control_factory.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QString>

#include "console/qt/TTILed.h"
#include "console/qt/auto_select_edit.h"
#include "console/qt/console_fonts.h"

namespace korva::console {
namespace {

// A control's caption in the console's language, UTF-8 as every text of the console.
QString Caption(const layout::Control& design) {
    return QString::fromStdString(texts::Text(design.caption));
}

template <typename Control>
Control* Place(Control* control, const layout::Control& design) {
    control->setObjectName(QString::fromLatin1(design.name));
    control->setGeometry(design.box.x, design.box.y, design.box.width, design.box.height);
    control->setFont(FontOf(design.font));
    return control;
}

Qt::Alignment AlignmentOf(layout::Alignment alignment) {
    return alignment == layout::Alignment::kCenter ? Qt::Alignment(Qt::AlignCenter) : Qt::AlignRight | Qt::AlignTop;
}

QLabel* MakeLabel(QWidget* parent, const layout::Control& design) {
    QLabel* label = Place(new QLabel(Caption(design), parent), design);
    label->setAlignment(AlignmentOf(design.alignment));
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* MakeFilledLabel(QWidget* parent, const layout::Control& design) {
    QLabel* label = MakeLabel(parent, design);
    SetColour(label, QPalette::Window, ColourOf(design.fill));
    label->setAutoFillBackground(true);
    return label;
}

// A static text with a sunken border: where the window shows what the device reported.
QLabel* MakeReading(QWidget* parent, const layout::Control& design) {
    QLabel* reading = MakeFilledLabel(parent, design);
    reading->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    reading->setLineWidth(1);
    return reading;
}

TTILed* MakeLed(QWidget* parent, const layout::Control& design) {
    TTILed* led = Place(new TTILed(parent), design);
    const QString caption = Caption(design);
    led->SetCaption(caption);
    led->setAlignment(AlignmentOf(design.alignment));
    led->SetLedColorOff(ColourOf(layout::kLedOff));
    led->SetLedColorOn0(ColourOf(design.ledColours->on0));
    led->SetLedColorOn1(ColourOf(design.ledColours->on1));
    led->SetLedColorOn2(ColourOf(design.ledColours->on2));
    led->SetLedColorOn3(ColourOf(design.ledColours->on3));
    led->SetLedOn(design.lit);
    return led;
}

AutoSelectEdit* MakeEdit(QWidget* parent, const layout::Control& design, const QColor& buttonFace) {
    AutoSelectEdit* edit = Place(new AutoSelectEdit(parent), design);
    edit->setText(Caption(design));
    edit->setAlignment(AlignmentOf(design.alignment));
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Active, QPalette::Base, ColourOf(design.fill));
    palette.setColor(QPalette::Inactive, QPalette::Base, ColourOf(design.fill));
    palette.setColor(QPalette::Disabled, QPalette::Base, buttonFace);
    edit->setPalette(palette);
    return edit;
}

}  // namespace

QColor ColourOf(const Rgb& colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

QFont FontOf(const layout::Font& font) {
    QFont made = font.face == layout::Face::kArial ? ArialBold(font.pixels) : MonoBold(font.pixels);
    made.setBold(font.bold);
    return made;
}

void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

QWidget* MakeControl(QWidget* parent, const layout::Control& design, const QColor& buttonFace) {
    QWidget* control = nullptr;
    switch (design.kind) {
        case layout::ControlKind::kButton:
            control = Place(new QPushButton(Caption(design), parent), design);
            break;
        case layout::ControlKind::kLed:
            control = MakeLed(parent, design);
            break;
        case layout::ControlKind::kReading:
            control = MakeReading(parent, design);
            break;
        case layout::ControlKind::kLabel:
            control = MakeLabel(parent, design);
            break;
        case layout::ControlKind::kEdit:
            control = MakeEdit(parent, design, buttonFace);
            break;
        case layout::ControlKind::kFilledLabel:
            control = MakeFilledLabel(parent, design);
            break;
    }
    if (!design.shown)
        control->hide();
    return control;
}

BuildingFace::BuildingFace(QWidget& window, const QFont& face) : desktopFont_(QApplication::font()) {
    QApplication::setFont(face);
    window.setFont(face);
}

BuildingFace::~BuildingFace() {
    QApplication::setFont(desktopFont_);
}

}  // namespace korva::console
