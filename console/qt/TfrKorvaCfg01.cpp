#include "console/qt/TfrKorvaCfg01.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <utility>

#include "console/qt/TTILed.h"
#include "console/qt/TfrNrm01.h"
#include "console/qt/auto_select_edit.h"
#include "console/console_core.h"
#include "console/qt/console_fonts.h"
#include "console/console_texts.h"
#include "console/qt/control_factory.h"
#include "console/qt/error_box.h"
#include "console/qt/look_painter.h"
#include "console/version_text.h"
#include "console/window_layout.h"
#include "protocol/cp1252.h"

namespace korva::console {
namespace {

constexpr int kPollingMilliseconds = 500;
// One frame of a 60 Hz display: replies coming faster are shown at this pace, the last one winning.
constexpr int kDisplayFrameMilliseconds = 16;

// A text of the console, in its language.
QString Text(language::Key key) {
    return QString::fromStdString(texts::Text(key));
}

// Device text is Windows-1252; the window's text is Unicode.
QString FromDevice(const std::string& text) {
    return QString::fromStdString(Cp1252ToUtf8(text));
}
std::string ToDevice(const QString& text) {
    return Utf8ToCp1252(text.toStdString());
}

}  // namespace

TfrKorvaCfg01::TfrKorvaCfg01(std::unique_ptr<SettingsStore> settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      settings_(std::move(settings)) {
    setObjectName(QStringLiteral("frKorvaCfg01"));
    {
        const BuildingFace labelFace(*this, ArialBold(13));
        CreateControls();
    }
    // The window's own default font; each control has its own.
    setFont(FontOf(layout::kWindowFont));
    ConnectHandlers();
    FormCreate();
}

TfrKorvaCfg01::~TfrKorvaCfg01() = default;

void TfrKorvaCfg01::CreateControls() {
    const QColor buttonFace = palette().color(QPalette::Button);
    SetColour(this, QPalette::Window, buttonFace);

    for (const layout::Control& design : layout::Controls())
        widgets_.push_back(MakeControl(this, design, buttonFace));
    edIP1 = findChild<AutoSelectEdit*>(QStringLiteral("edIP1"));
    edIP1->setMaxLength(kAddressLength);
    static_cast<QLabel*>(Widget(layout::ControlNamed("lbAlt")))->setToolTip(Text(texts::kRestartPendingTip));
    static_cast<QLabel*>(Widget(layout::ControlNamed("lbNoReply")))->setWordWrap(true);

    findChild<TTILed*>(QStringLiteral("ldAuto"))->SetKeyboardClickable();
    const char* const focusOrder[] = {"btRead", "ldAuto", "btRst", "edIP1", "edIP2", "edMsk2", "edGW2", "btWr1", "btRd"};
    for (std::size_t i = 0; i + 1 < std::size(focusOrder); ++i)
        setTabOrder(Widget(layout::ControlNamed(focusOrder[i])), Widget(layout::ControlNamed(focusOrder[i + 1])));

    TmrRd = new QTimer(this);
    TmrRd->setObjectName(QStringLiteral("TmrRd"));
    TmrRd->setInterval(kPollingMilliseconds);
    // A coarse timer may drift 5 % either way; the device is polled every 500 ms, not roughly so.
    TmrRd->setTimerType(Qt::PreciseTimer);

    TmrDisplay = new QTimer(this);
    TmrDisplay->setObjectName(QStringLiteral("TmrDisplay"));
    TmrDisplay->setSingleShot(true);
    TmrDisplay->setInterval(kDisplayFrameMilliseconds);
}

void TfrKorvaCfg01::ConnectHandlers() {
    const auto button = [this](const char* name) { return findChild<QPushButton*>(QString::fromLatin1(name)); };
    connect(button("btRead"), &QPushButton::clicked, this, &TfrKorvaCfg01::btReadClick);
    connect(button("btRd"), &QPushButton::clicked, this, &TfrKorvaCfg01::btRdClick);
    connect(button("btWr1"), &QPushButton::clicked, this, &TfrKorvaCfg01::btWr1Click);
    connect(button("btRst"), &QPushButton::clicked, this, &TfrKorvaCfg01::btRstClick);
    connect(findChild<TTILed*>(QStringLiteral("ldAuto")), &TTILed::clicked, this, &TfrKorvaCfg01::ldAutoClick);
    connect(TmrRd, &QTimer::timeout, this, &TfrKorvaCfg01::TmrRdTimer);
    connect(TmrDisplay, &QTimer::timeout, this, [this] { presentation_.Paint(); });
}

void TfrKorvaCfg01::FormCreate() {
    setWindowTitle(Text(texts::kTitlePrefix) + QString::fromStdString(ProgramVersionText()));
    Place();
    LoadSettings();
    presentation_.Paint();
    findChild<AutoSelectEdit*>(QStringLiteral("edIP2"))->setText(edIP1->text());
    edIP1->setFocus();
    // The focus reaches the box only when the window is first activated, which selects nothing.
    edIP1->selectAll();
    TmrRd->start();
}

void TfrKorvaCfg01::Place() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen != nullptr ? screen->geometry().width() : 0;
    move(layout::WindowLeft(screenWidth), layout::kTop);
    setFixedSize(layout::kClientWidth, layout::kClientHeight);
}

void TfrKorvaCfg01::LoadSettings() {
    const ConsoleSettings settings = settings_->Load();
    // Qt cuts a text set into the box to its limit, as it does typing.
    edIP1->setMaxLength(AddressBoxLimit(settings.address));
    edIP1->setText(FromDevice(settings.address));
    findChild<AutoSelectEdit*>(QStringLiteral("edMsk2"))->setText(FromDevice(settings.mask));
    findChild<AutoSelectEdit*>(QStringLiteral("edGW2"))->setText(FromDevice(settings.gateway));
}

void TfrKorvaCfg01::closeEvent(QCloseEvent* event) {
    FormClose(event);
}

void TfrKorvaCfg01::FormClose(QCloseEvent* event) {
    if (!closingSave_.Save(*settings_, {BoxText("edIP1"), BoxText("edMsk2"), BoxText("edGW2")}, presentation_)) {
        event->ignore();
        return;
    }
    TmrRd->stop();
    emit closing();
    event->accept();
}

QWidget* TfrKorvaCfg01::Widget(const layout::Control& row) const {
    return widgets_[static_cast<std::size_t>(&row - layout::Controls().data())];
}

std::string TfrKorvaCfg01::BoxText(const char* name) const {
    return ToDevice(findChild<AutoSelectEdit*>(QString::fromLatin1(name))->text());
}

void TfrKorvaCfg01::btReadClick() {
    rules_->ReadLiveData(BoxText("edIP1"));
}

void TfrKorvaCfg01::btRdClick() {
    rules_->ReadParameters(BoxText("edIP1"));
}

void TfrKorvaCfg01::btWr1Click() {
    rules_->WriteParameters(BoxText("edIP1"), {BoxText("edIP2"), BoxText("edMsk2"), BoxText("edGW2")});
}

void TfrKorvaCfg01::btRstClick() {
    rules_->StartReset();
}

void TfrKorvaCfg01::ldAutoClick() {
    rules_->ToggleAutomaticMode(BoxText("edIP1"));
}

void TfrKorvaCfg01::TmrRdTimer() {
    rules_->Tick();
}

void TfrKorvaCfg01::Show(const layout::Control& row, const ControlLook& look) {
    PaintLook(Widget(row), row, look);
}

void TfrKorvaCfg01::RequestFrame() {
    // A flood must not postpone the frame: a running timer is left alone.
    if (!TmrDisplay->isActive())
        TmrDisplay->start();
}

void TfrKorvaCfg01::Focus(const layout::Control& box) {
    auto* edit = static_cast<AutoSelectEdit*>(Widget(box));
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void TfrKorvaCfg01::PutText(const layout::Control& box, const std::string& text) {
    static_cast<AutoSelectEdit*>(Widget(box))->setText(QString::fromStdString(text));
}

void TfrKorvaCfg01::ShowError(const std::string& message) {
    ShowErrorBox(this, QString::fromUtf8(message));
}

bool TfrKorvaCfg01::ShowMessage(const TimedMessage& message) {
    const Rgb& colour = message.colour;
    return ShowTimedMessage(QString::fromUtf8(message.text), QColor(colour.red, colour.green, colour.blue),
                            message.seconds, message.kind);
}

}  // namespace korva::console
