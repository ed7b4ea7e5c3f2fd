#include "console/qt/TTILed.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace korva::console {

TTILed::TTILed(QWidget* parent) : QLabel(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setAlignment(Qt::AlignCenter);
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    resize(16, 16);
    SetCaption(QStringLiteral(" "));
    PaintBackground(QColor(0, 128, 0));
    SetLedOn(false);
}

void TTILed::SetLedOn(bool on) {
    if (ledOn_ != on)
        update();  // the hatching and the caption's box go with the light
    ledOn_ = on;
    UpdateColour();
}

void TTILed::SetStale(bool stale) {
    if (stale_ == stale)
        return;
    stale_ = stale;
    update();
}

void TTILed::SetMarked(bool marked) {
    if (marked_ == marked)
        return;
    marked_ = marked;
    update();
}

void TTILed::SetKeyboardClickable() {
    setFocusPolicy(Qt::StrongFocus);
}

void TTILed::SetLedColorOff(const QColor& colour) {
    colorOff_ = colour;
    UpdateColour();
}

void TTILed::SetLedColorOn0(const QColor& colour) {
    SetLitColour(0, colour);
}
void TTILed::SetLedColorOn1(const QColor& colour) {
    SetLitColour(1, colour);
}
void TTILed::SetLedColorOn2(const QColor& colour) {
    SetLitColour(2, colour);
}
void TTILed::SetLedColorOn3(const QColor& colour) {
    SetLitColour(3, colour);
}

void TTILed::SetLedIndex(int index) {
    ledIndex_ = index;
    UpdateColour();
}

QColor TTILed::CurrentColor() const {
    return palette().color(QPalette::Window);
}

void TTILed::SetLitColour(int index, const QColor& colour) {
    colorOn_[index] = colour;
    UpdateColour();
}

// An index outside 0..3 while lit keeps whatever colour the panel already has.
void TTILed::UpdateColour() {
    if (!ledOn_) {
        PaintBackground(colorOff_);
    } else if (ledIndex_ >= 0 && ledIndex_ <= 3) {
        PaintBackground(colorOn_[ledIndex_]);
    }
}

void TTILed::PaintBackground(const QColor& colour) {
    // Every status reply sets every indicator, mostly to the colour it has: a new palette each time would
    // repaint the panel and cost more than the whole reply.
    if (palette().color(QPalette::Window) == colour && testAttribute(Qt::WA_SetPalette))
        return;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour);
    setPalette(pal);
}

// A click is a left press and release both inside the panel, like a button's.
void TTILed::mousePressEvent(QMouseEvent* event) {
    leftPressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void TTILed::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        leftPressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    leftPressed_ = false;
    event->accept();
    if (click)
        emit clicked();
}

// The second press of a double click arrives as a double-click event, which QWidget would hand to
// mousePressEvent: its release would then be a second click, and "aut" would switch straight back.
void TTILed::mouseDoubleClickEvent(QMouseEvent* event) {
    leftPressed_ = false;
    event->accept();
}

void TTILed::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (focusPolicy() != Qt::NoFocus && !event->isAutoRepeat() &&
        (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        event->accept();
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

// Colour alone does not tell every eye which state a panel shows: a marked caption is boxed, and an old
// panel hatched, as its owner says. The focus is marked as a button marks it.
void TTILed::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!stale_ && !marked_ && !hasFocus())
        return;
    QPainter painter(this);
    if (stale_)
        painter.fillRect(contentsRect(), QBrush(QColor(96, 96, 96), Qt::BDiagPattern));
    if (marked_) {
        const QRect caption = fontMetrics().boundingRect(contentsRect(), static_cast<int>(alignment()), text());
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
        painter.drawRect(caption.adjusted(-3, 0, 2, -1));
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = contentsRect().adjusted(1, 1, -1, -1);
        focus.backgroundColor = CurrentColor();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

}  // namespace korva::console
