#include "console/TfrKorvaCfg01.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <ctime>
#include <initializer_list>
#include <utility>

#include "console/TTILed.h"
#include "console/TfrNrm01.h"
#include "console/auto_select_edit.h"
#include "console/console_core.h"
#include "console/console_fonts.h"
#include "console/console_texts.h"
#include "console/display_formats.h"
#include "console/error_box.h"
#include "console/version_text.h"
#include "console/window_layout.h"
#include "protocol/cp1252.h"
#include "protocol/messages.h"

namespace korva::console {
namespace {

constexpr int kPollingMilliseconds = 500;
// One frame of a 60 Hz display: replies coming faster are shown at this pace, the last one winning.
constexpr int kDisplayFrameMilliseconds = 16;

QColor ColourOf(const Rgb& colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

QFont FontOf(const layout::Font& font) {
    QFont made = font.face == layout::Face::kArial ? ArialBold(font.pixels) : MonoBold(font.pixels);
    made.setBold(font.bold);
    return made;
}

// The console's own words are UTF-8.
QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

void SetBackground(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

// While it lives, one of the window's own faces is the application's font and the window's. A line edit
// lays its empty text out the moment it is created, in those fonts, before it takes its own: in the
// desktop's face that would set up a font engine (a fontconfig match, some 4 % of the start-up) for a
// face the window never shows. Gives the application its font back; the window's is the caller's to set.
// Qt counts the application's font as the program's from then on, so a desktop font changed while the
// console runs reaches its message boxes and tooltips at the next start.
class BuildingFace {
public:
    BuildingFace(QWidget& window, const QFont& face) : desktopFont_(QApplication::font()) {
        QApplication::setFont(face);
        window.setFont(face);
    }
    ~BuildingFace() { QApplication::setFont(desktopFont_); }
    BuildingFace(const BuildingFace&) = delete;
    BuildingFace& operator=(const BuildingFace&) = delete;

private:
    const QFont desktopFont_;
};

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
    QLabel* label = Place(new QLabel(Text(texts::Text(design.caption)), parent), design);
    label->setAlignment(AlignmentOf(design.alignment));
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* MakeFilledLabel(QWidget* parent, const layout::Control& design) {
    QLabel* label = MakeLabel(parent, design);
    SetBackground(label, QPalette::Window, ColourOf(design.fill));
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
    const QString caption = Text(texts::Text(design.caption));
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
    edit->setText(Text(texts::Text(design.caption)));
    edit->setAlignment(AlignmentOf(design.alignment));
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Active, QPalette::Base, ColourOf(design.fill));
    palette.setColor(QPalette::Inactive, QPalette::Base, ColourOf(design.fill));
    palette.setColor(QPalette::Disabled, QPalette::Base, buttonFace);
    edit->setPalette(palette);
    return edit;
}

QWidget* MakeControl(QWidget* parent, const layout::Control& design, const QColor& buttonFace) {
    QWidget* control = nullptr;
    switch (design.kind) {
        case layout::ControlKind::kButton:
            control = Place(new QPushButton(Text(texts::Text(design.caption)), parent), design);
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
    SetBackground(this, QPalette::Window, buttonFace);

    for (const layout::Control& design : layout::Controls())
        widgets_.push_back(MakeControl(this, design, buttonFace));
    edIP1 = findChild<AutoSelectEdit*>(QStringLiteral("edIP1"));
    edIP1->setMaxLength(kAddressLength);
    static_cast<QLabel*>(Widget(layout::ControlNamed("lbAlt")))->setToolTip(Text(texts::Text(texts::kRestartPendingTip)));
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
    setWindowTitle(Text(texts::Text(texts::kTitlePrefix)) + QString::fromStdString(ProgramVersionText()));
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
    const QString address = FromDevice(settings.address);
    // The limit is meant for typing; Qt would also cut a longer host name from the file, and the cut
    // name would be saved at close.
    if (address.size() > edIP1->maxLength())
        edIP1->setMaxLength(static_cast<int>(address.size()));
    edIP1->setText(address);
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
    QWidget* const widget = Widget(row);
    widget->setEnabled(look.enabled);
    widget->setVisible(look.visible);
    // A screen reader is told of every change: only a change is made.
    if (const QString name = QString::fromStdString(look.accessibleName); widget->accessibleName() != name)
        widget->setAccessibleName(name);
    if (const QString words = QString::fromStdString(look.accessibleDescription);
        widget->accessibleDescription() != words)
        widget->setAccessibleDescription(words);
    if (row.kind == layout::ControlKind::kLed) {
        auto* led = static_cast<TTILed*>(widget);
        led->SetLedIndex(look.colourIndex);
        led->SetLedOn(look.lit);
        led->SetMarked(look.marked);
        led->SetStale(look.stale);
    } else if (row.kind == layout::ControlKind::kButton) {
        // Pressed in, under a busy cursor, until the name is found.
        auto* button = static_cast<QPushButton*>(widget);
        button->setDown(look.busy);
        if (look.busy)
            button->setCursor(Qt::BusyCursor);
        else
            button->unsetCursor();
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(QString::fromStdString(look.text));
        SetBackground(label, QPalette::WindowText,
                      look.textColour ? ColourOf(*look.textColour) : palette().color(QPalette::WindowText));
        if (look.background)
            SetBackground(label, QPalette::Window, ColourOf(*look.background));
    }
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
