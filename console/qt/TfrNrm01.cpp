#include "console/qt/TfrNrm01.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <memory>

#include "console/qt/console_fonts.h"
#include "console/console_texts.h"
#include "console/message_buttons.h"

namespace korva::console {
namespace {

constexpr int kClientWidth = 471;
constexpr int kPanelWidth = 451;
constexpr int kPanelHeightWithButtons = 211;
constexpr int kPanelHeightWithoutButtons = 176;
constexpr int kMargin = 10;  // navy border around the panel, on every side
constexpr int kTicksPerSecond = 10;

void FillBackground(QWidget* widget, const QColor& colour) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, colour);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

QString Caption(language::Key key) {
    return QString::fromStdString(texts::Text(key));
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int x) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, 177, 96, 25);
    button->setAutoDefault(true);
    return button;
}

// Messages break lines with a lone carriage return, which a label would not show as a break.
QString WithLineFeeds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

bool IsMainWindow(const QWidget* widget) {
    return widget != nullptr && widget->isVisible() && widget->windowType() == Qt::Window;
}

// The active window unless that is a dialog (say, an outer message still waiting), else the first
// visible top-level window that is neither a dialog nor a popup.
QWidget* MainWindow() {
    QWidget* active = QApplication::activeWindow();
    if (IsMainWindow(active))
        return active;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (IsMainWindow(widget))
            return widget;
    }
    return nullptr;
}

// start moved as little as needed for [start, start + length) to lie within [first, first + room);
// what does not fit sticks out past the end, keeping the beginning (the first lines, the left edge).
int KeepWithin(int start, int length, int first, int room) {
    return std::max(first, std::min(start, first + room - length));
}

// Centred over the main window, then moved inside the free area of the screen that window is on: a
// window near the top would otherwise hide the message's first lines above the screen's edge.
void CentreOverMainWindow(QWidget* dialog) {
    QRect anchor;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (QWidget* main = MainWindow()) {
        anchor = main->frameGeometry();
        screen = main->screen();
    } else if (screen != nullptr) {
        anchor = screen->availableGeometry();
    }
    if (anchor.isEmpty())
        return;
    const QSize size = dialog->frameGeometry().size();
    QPoint topLeft(anchor.center().x() - size.width() / 2, anchor.center().y() - size.height() / 2);
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(KeepWithin(topLeft.x(), size.width(), area.left(), area.width()));
        topLeft.setY(KeepWithin(topLeft.y(), size.height(), area.top(), area.height()));
    }
    dialog->move(topLeft);
}

struct DeleteLater {
    void operator()(QObject* object) const { object->deleteLater(); }
};

}  // namespace

TfrNrm01::TfrNrm01(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frNrm01"));
    FillBackground(this, QColor(0, 0, 128));

    pnMsg_ = new QFrame(this);
    pnMsg_->setObjectName(QStringLiteral("pnMsg"));
    pnMsg_->setFrameShape(QFrame::NoFrame);
    pnMsg_->setGeometry(kMargin, kMargin, kPanelWidth, kPanelHeightWithButtons);
    FillBackground(pnMsg_, pnMsg_->palette().color(QPalette::Button));

    ClMsg_ = new QFrame(pnMsg_);
    ClMsg_->setObjectName(QStringLiteral("ClMsg"));
    ClMsg_->setFrameShape(QFrame::NoFrame);
    ClMsg_->setGeometry(10, 10, 431, 156);
    FillBackground(ClMsg_, messageColour_);

    // Created after ClMsg so that it lies on top of the coloured rectangle.
    Msg1_ = new QLabel(pnMsg_);
    Msg1_->setObjectName(QStringLiteral("Msg1"));
    Msg1_->setGeometry(20, 20, 411, 136);
    Msg1_->setAlignment(Qt::AlignCenter);
    Msg1_->setWordWrap(true);
    Msg1_->setTextFormat(Qt::PlainText);
    Msg1_->setFont(ArialBold(16));

    btSim_ = MakeButton(pnMsg_, "btSim", Caption(texts::kYesButton), 115);
    btNao_ = MakeButton(pnMsg_, "btNao", Caption(texts::kNoButton), 245);
    btOK_ = MakeButton(pnMsg_, "btOK", Caption(texts::kOkButton), 180);
    connect(btSim_, &QPushButton::clicked, this, &TfrNrm01::btSimClick);
    connect(btOK_, &QPushButton::clicked, this, &TfrNrm01::btSimClick);
    connect(btNao_, &QPushButton::clicked, this, &TfrNrm01::btNaoClick);

    Tmr1_ = new QTimer(this);
    Tmr1_->setObjectName(QStringLiteral("Tmr1"));
    Tmr1_->setInterval(100);
    connect(Tmr1_, &QTimer::timeout, this, &TfrNrm01::Tmr1Timer);

    ApplyKind();
}

// Applied at once, not only on showing, so that the dialog can be centred with its final height.
void TfrNrm01::SetKind(int kind) {
    kind_ = kind;
    ApplyKind();
}

void TfrNrm01::ApplyKind() {
    const MessageButtons buttons = ButtonsOf(kind_);
    btSim_->setVisible(buttons.sim);
    btNao_->setVisible(buttons.nao);
    btOK_->setVisible(buttons.ok);
    const int panelHeight = buttons.first == DialogButton::kNone ? kPanelHeightWithoutButtons : kPanelHeightWithButtons;
    pnMsg_->resize(kPanelWidth, panelHeight);
    setFixedSize(kClientWidth, panelHeight + 2 * kMargin);
}

void TfrNrm01::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TfrNrm01::FormShow() {
    QApplication::beep();
    if (remainingTicks_ > 0)
        Tmr1_->start();
    FillBackground(ClMsg_, messageColour_);
    Msg1_->setText(WithLineFeeds(messageText_));
    ApplyKind();
    const DialogButton first = ButtonsOf(kind_).first;
    if (first != DialogButton::kNone) {
        QPushButton* button = first == DialogButton::kOk ? btOK_ : first == DialogButton::kSim ? btSim_ : btNao_;
        button->setDefault(true);
        button->setFocus(Qt::OtherFocusReason);
    }
}

void TfrNrm01::Tmr1Timer() {
    --remainingTicks_;
    if (remainingTicks_ <= 0) {
        Tmr1_->stop();
        btNaoClick();
    }
}

void TfrNrm01::StopTimer() {
    Tmr1_->stop();
}

void TfrNrm01::btSimClick() {
    done(1);
}

void TfrNrm01::btNaoClick() {
    done(0);
}

bool ShowTimedMessage(const QString& text, const QColor& colour, int seconds, int kind) {
    // Released once control is back in the event loop, also when showing throws.
    std::unique_ptr<TfrNrm01, DeleteLater> dialog(new TfrNrm01);
    dialog->SetKind(kind);
    dialog->SetRemainingTicks(static_cast<int>(std::min<long long>(1LL * seconds * kTicksPerSecond, INT_MAX)));
    dialog->SetMessageColour(colour);
    dialog->SetMessageText(text);
    CentreOverMainWindow(dialog.get());
    dialog->exec();
    dialog->StopTimer();
    return dialog->result() == 1;
}

}  // namespace korva::console
