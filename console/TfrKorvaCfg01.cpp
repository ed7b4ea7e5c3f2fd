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
#include <exception>
#include <initializer_list>
#include <optional>
#include <utility>

#include "console/TTILed.h"
#include "console/TfrNrm01.h"
#include "console/auto_select_edit.h"
#include "console/console_core.h"
#include "console/console_fonts.h"
#include "console/console_texts.h"
#include "console/display_formats.h"
#include "console/error_box.h"
#include "console/saved_settings_notice.h"
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
QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
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
    QLabel* label = Place(new QLabel(Text(design.caption), parent), design);
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
    const QString caption = Text(design.caption);
    led->SetCaption(caption);
    led->setAlignment(AlignmentOf(design.alignment));
    led->SetLedColorOff(ColourOf(layout::kLedOff));
    led->SetLedColorOn0(ColourOf(design.ledColours->on0));
    led->SetLedColorOn1(ColourOf(design.ledColours->on1));
    led->SetLedColorOn2(ColourOf(design.ledColours->on2));
    led->SetLedColorOn3(ColourOf(design.ledColours->on3));
    led->SetLedIndex(0);
    led->SetLedOn(design.lit);
    led->setAccessibleName(caption);
    return led;
}

// Dark, or lit in the colour of the state and, for the good one, with its caption boxed.
void ShowState(TTILed* led, texts::LedState state) {
    if (state != texts::LedState::kDark)
        led->SetLedIndex(layout::LitIndexOf(state));
    led->SetLedOn(state != texts::LedState::kDark);
    led->SetMarked(state == texts::LedState::kGood);
}

texts::LedState StateShown(const TTILed* led) {
    if (!led->LedOn())
        return texts::LedState::kDark;
    return led->Marked() ? texts::LedState::kGood : texts::LedState::kBad;
}

// A reading's text is also what a screen reader says of it, under the name of its caption.
void ShowReading(QLabel* reading, const QString& text) {
    reading->setText(text);
    reading->setAccessibleDescription(text);
}

AutoSelectEdit* MakeEdit(QWidget* parent, const layout::Control& design, const QColor& buttonFace) {
    AutoSelectEdit* edit = Place(new AutoSelectEdit(parent), design);
    edit->setText(Text(design.caption));
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
            control = Place(new QPushButton(Text(design.caption), parent), design);
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
        MakeControl(this, design, buttonFace);
    const auto built = [this]<typename Control>(const char* name, Control*& member) {
        member = findChild<Control*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    };
    built("btRead", btRead);
    built("ldAuto", ldAuto);
    built("stBat", stBat);
    built("stTmp", stTmp);
    built("stUmd", stUmd);
    built("ldPrs", ldPrs);
    built("ldRed1", ldRed1);
    built("ldRed2", ldRed2);
    built("ldRed3", ldRed3);
    built("btRst", btRst);
    built("ldRst", ldRst);
    built("lbDaHr", lbDaHr);
    built("edIP1", edIP1);
    built("stMsk1", stMsk1);
    built("stGW1", stGW1);
    built("stMac1", stMac1);
    built("stVrs", stVrs);
    built("btRd", btRd);
    built("edIP2", edIP2);
    built("edMsk2", edMsk2);
    built("edGW2", edGW2);
    built("btWr1", btWr1);
    built("lbAlt", lbAlt);
    built("lbNoReply", lbNoReply);

    btRst->setEnabled(false);
    edIP1->setMaxLength(15);
    lbAlt->setToolTip(Text(texts::kRestartPendingTip));
    lbNoReply->setWordWrap(true);

    // A screen reader announces the boxes and readings by these names: their captions sit beside them.
    for (const auto& [control, name] : texts::kAccessibleNames)
        findChild<QWidget*>(QString::fromLatin1(control))->setAccessibleName(QString::fromUtf8(name));
    // Until the first reply the clock shows its zeros, to a screen reader too.
    ShowReading(lbDaHr, lbDaHr->text());

    ldAuto->SetKeyboardClickable();
    QWidget* const focusOrder[] = {btRead, ldAuto, btRst, edIP1, edIP2, edMsk2, edGW2, btWr1, btRd};
    for (std::size_t i = 0; i + 1 < std::size(focusOrder); ++i)
        setTabOrder(focusOrder[i], focusOrder[i + 1]);

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
    connect(btRead, &QPushButton::clicked, this, &TfrKorvaCfg01::btReadClick);
    connect(btRd, &QPushButton::clicked, this, &TfrKorvaCfg01::btRdClick);
    connect(btWr1, &QPushButton::clicked, this, &TfrKorvaCfg01::btWr1Click);
    connect(btRst, &QPushButton::clicked, this, &TfrKorvaCfg01::btRstClick);
    connect(ldAuto, &TTILed::clicked, this, &TfrKorvaCfg01::ldAutoClick);
    connect(TmrRd, &QTimer::timeout, this, &TfrKorvaCfg01::TmrRdTimer);
    connect(TmrDisplay, &QTimer::timeout, this, &TfrKorvaCfg01::ApplyPendingDisplay);
}

void TfrKorvaCfg01::FormCreate() {
    setWindowTitle(Text(texts::kTitlePrefix) + QString::fromStdString(ProgramVersionText()));
    Place();
    LoadSettings();
    ClearLiveData();
    ClearParameters();
    edIP2->setText(edIP1->text());
    btRst->setEnabled(false);
    edIP1->setFocus();
    // The focus reaches the box only when the window is first activated, which selects nothing.
    edIP1->selectAll();
    DescribeLeds();
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
    edMsk2->setText(FromDevice(settings.mask));
    edGW2->setText(FromDevice(settings.gateway));
}

void TfrKorvaCfg01::SaveSettings() const {
    settings_->Save({ToDevice(edIP1->text()), ToDevice(edMsk2->text()), ToDevice(edGW2->text())});
}

void TfrKorvaCfg01::closeEvent(QCloseEvent* event) {
    FormClose(event);
}

void TfrKorvaCfg01::FormClose(QCloseEvent* event) {
    try {
        SaveSettings();
        if (const std::optional<TimedMessage> notice = SavedSettingsNotice(*settings_))
            ShowMessage(*notice);
    } catch (const std::exception& error) {
        if (!saveFailed_) {
            // The operator may free the disk or the folder and close again; nothing is lost meanwhile.
            saveFailed_ = true;
            event->ignore();
            ShowErrorBox(this, QString::fromUtf8(error.what()));
            return;
        }
        // Told once already: a window that cannot be closed would cost more than three boxes' values.
        // NÃO by default: Return pressed by habit must not throw away what was typed.
        if (!ShowTimedMessage(Text(texts::kCloseWithoutSaving), ColourOf(layout::kCloseQuestionColour), 0,
                              TfrNrm01::kQuestion, TfrNrm01::DefaultAnswer::kNao)) {
            event->ignore();
            return;
        }
    }
    TmrRd->stop();
    emit closing();
    event->accept();
}

std::string TfrKorvaCfg01::DeviceAddress() const {
    return ToDevice(edIP1->text());
}

void TfrKorvaCfg01::ClearLiveData() {
    // A reply handled before the clear must not reappear at the next frame.
    ApplyPendingDisplay();
    for (QLabel* reading : {stBat, stTmp, stUmd})
        ShowReading(reading, {});
    for (TTILed* led : {ldPrs, ldRed1, ldRed2, ldRed3, ldRst})
        ShowState(led, texts::LedState::kDark);
    DescribeLeds();
}

void TfrKorvaCfg01::ClearParameters() {
    ApplyPendingDisplay();
    for (QLabel* reading : {stMsk1, stGW1, stMac1, stVrs})
        ShowReading(reading, {});
}

void TfrKorvaCfg01::btReadClick() {
    rules_->ReadLiveData(DeviceAddress());
}

void TfrKorvaCfg01::btRdClick() {
    rules_->ReadParameters(DeviceAddress());
}

void TfrKorvaCfg01::btWr1Click() {
    rules_->WriteParameters(DeviceAddress(),
                            {ToDevice(edIP2->text()), ToDevice(edMsk2->text()), ToDevice(edGW2->text())});
}

void TfrKorvaCfg01::btRstClick() {
    rules_->StartReset();
}

void TfrKorvaCfg01::ldAutoClick() {
    rules_->ToggleAutomaticMode(DeviceAddress());
}

void TfrKorvaCfg01::TmrRdTimer() {
    rules_->Tick();
}

void TfrKorvaCfg01::ShowAutomaticMode(bool on) {
    // Lime and boxed when on: its first colour is its good state.
    ldAuto->SetLedOn(on);
    ldAuto->SetMarked(on);
    // While polling, the address must not change under the requests, and a reset only makes sense then.
    btRst->setEnabled(on);
    for (QWidget* manual : std::initializer_list<QWidget*>{btRead, btRd, btWr1, edIP1, edIP2, edMsk2, edGW2}) {
        manual->setEnabled(!on);
    }
    DescribeLeds();
}

void TfrKorvaCfg01::ShowNoReply(const std::string& notice) {
    // The replies handled before the silence are what turns grey.
    ApplyPendingDisplay();
    const bool stale = !notice.empty();
    const QColor text = stale ? ColourOf(layout::kStaleText) : palette().color(QPalette::WindowText);
    for (QLabel* reading : {stBat, stTmp, stUmd, stMsk1, stGW1, stMac1, stVrs})
        SetBackground(reading, QPalette::WindowText, text);
    for (TTILed* led : {ldPrs, ldRed1, ldRed2, ldRed3, ldRst})
        led->SetStale(stale);
    SetBackground(lbDaHr, QPalette::Window,
                  ColourOf(stale ? layout::kNoReplyBackground : layout::ControlNamed("lbDaHr").fill));
    lbNoReply->setText(QString::fromUtf8(notice));
    lbNoReply->setVisible(stale);
    DescribeLeds();
}

void TfrKorvaCfg01::FocusNewParameter(ParameterBox box) {
    AutoSelectEdit* edit = box == ParameterBox::kAddress ? edIP2 : box == ParameterBox::kMask ? edMsk2 : edGW2;
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void TfrKorvaCfg01::ShowDeviceAddress(const std::string& address) {
    edIP1->setText(FromDevice(address));
}

// Pressed in, under a busy cursor, until the name is found; a screen reader hears why.
void TfrKorvaCfg01::ShowBusy(Button button, bool busy) {
    QPushButton* pushed = button == Button::kReadLiveData ? btRead : button == Button::kReadParameters ? btRd : btWr1;
    pushed->setDown(busy);
    if (busy)
        pushed->setCursor(Qt::BusyCursor);
    else
        pushed->unsetCursor();
    pushed->setAccessibleDescription(busy ? Text(texts::kLookingUpAddress) : QString());
}

void TfrKorvaCfg01::ShowError(const std::string& message) {
    ShowErrorBox(this, QString::fromUtf8(message));
}

bool TfrKorvaCfg01::ShowMessage(const TimedMessage& message) {
    // A modal message waits with the window's state as the replies before it left it.
    ApplyPendingDisplay();
    const Rgb& colour = message.colour;
    return ShowTimedMessage(QString::fromUtf8(message.text), QColor(colour.red, colour.green, colour.blue),
                            message.seconds, message.kind);
}

void TfrKorvaCfg01::DescribeLeds() {
    const auto describe = [](TTILed* led, texts::LedState state) {
        led->setAccessibleDescription(
            QString::fromUtf8(texts::LedDescription(led->Caption().toStdString(), state, led->Stale())));
    };
    for (TTILed* led : {ldAuto, ldPrs, ldRed1, ldRed2, ldRed3, ldRst})
        describe(led, StateShown(led));
}

void TfrKorvaCfg01::ShowReplyTime(std::chrono::system_clock::time_point at) {
    pending_.replyTime = at;
    ScheduleDisplay();
}

void TfrKorvaCfg01::ShowResetAcknowledged() {
    pending_.resetAcknowledged = true;
    ScheduleDisplay();
}

void TfrKorvaCfg01::ShowRestartPending(bool shown) {
    pending_.restartPending = shown;
    ScheduleDisplay();
}

void TfrKorvaCfg01::ShowStatus(const StatusReading& status) {
    pending_.status = status;
    // The status sets the reset indicator itself: an acknowledgement before it no longer counts.
    pending_.resetAcknowledged = false;
    ScheduleDisplay();
}

void TfrKorvaCfg01::ShowParameters(const ParameterReading& parameters) {
    pending_.parameters = parameters;
    ScheduleDisplay();
}

void TfrKorvaCfg01::ScheduleDisplay() {
    if (!TmrDisplay->isActive())
        TmrDisplay->start();
}

void TfrKorvaCfg01::ApplyPendingDisplay() {
    TmrDisplay->stop();
    const PendingDisplay display = std::exchange(pending_, {});
    if (display.status)
        ApplyStatus(*display.status);
    if (display.resetAcknowledged) {
        // Its first colour, pale: no longer the good state.
        ldRst->SetLedIndex(0);
        ldRst->SetMarked(false);
    }
    if (display.status || display.resetAcknowledged)
        DescribeLeds();
    if (display.parameters)
        ApplyParameters(*display.parameters);
    if (display.replyTime)
        ApplyReplyTime(*display.replyTime);
    if (display.restartPending)
        lbAlt->setVisible(*display.restartPending);
}

void TfrKorvaCfg01::ApplyReplyTime(std::chrono::system_clock::time_point at) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    std::tm local{};
    localtime_r(&seconds, &local);
    ShowReading(lbDaHr, Text(ClockText(local).c_str()));
}

void TfrKorvaCfg01::ApplyStatus(const StatusReading& status) {
    const StatusDisplay shown = StatusDisplayOf(status);
    ShowReading(stBat, QString::fromStdString(shown.battery));
    ShowReading(stTmp, QString::fromStdString(shown.temperature));
    ShowReading(stUmd, QString::fromStdString(shown.humidity));
    ShowState(ldPrs, shown.presence);
    ShowState(ldRst, shown.resetEc);
    ShowState(ldRed1, shown.link1);
    ShowState(ldRed2, shown.link2);
    ShowState(ldRed3, shown.link3);
}

void TfrKorvaCfg01::ApplyParameters(const ParameterReading& parameters) {
    ShowReading(stMsk1, FromDevice(parameters.mask));
    ShowReading(stGW1, FromDevice(parameters.gateway));
    ShowReading(stMac1, FromDevice(parameters.mac));
    ShowReading(stVrs, FromDevice(parameters.firmware));
}

}  // namespace korva::console
