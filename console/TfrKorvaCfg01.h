#pragma once
// The console's only window: it draws the controls, forwards each event with what the boxes hold to the
// console's rules (ConsoleCore), and shows what the rules show. It owns neither the rules nor a socket:
// app/ puts them together below it. Every handler runs on the main thread.
#include <QString>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "console/console_view.h"
#include "console/settings_store.h"
#include "protocol/messages.h"

class QCloseEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace korva::console {

class AutoSelectEdit;
class ConsoleCore;
class TTILed;

class TfrKorvaCfg01 : public QWidget, public ConsoleView {
    Q_OBJECT

public:
    // settings are read now and saved at close.
    explicit TfrKorvaCfg01(std::unique_ptr<SettingsStore> settings, QWidget* parent = nullptr);
    ~TfrKorvaCfg01() override;

    // The rules the window's events go to; made after the window, which they show on. Attached before
    // the event loop runs: the polling timer's first tick goes to them.
    void Attach(ConsoleCore& rules) { rules_ = &rules; }

    // The window's event handlers.
    void btReadClick();
    void btRdClick();
    void btWr1Click();
    void btRstClick();
    void ldAutoClick();
    void TmrRdTimer();

signals:
    // A close has been accepted and the polling timer stopped: nothing more will be sent.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormClose(QCloseEvent* event);
    void CreateControls();
    void ConnectHandlers();
    void Place();
    void LoadSettings();
    void SaveSettings() const;
    // The device's address as typed in edIP1.
    std::string DeviceAddress() const;

    void ClearLiveData() override;
    void ClearParameters() override;
    void ShowStatus(const StatusReading& status) override;
    void ShowParameters(const ParameterReading& parameters) override;
    void ShowReplyTime(std::chrono::system_clock::time_point at) override;
    void ShowResetAcknowledged() override;
    void ShowRestartPending(bool shown) override;
    void ShowAutomaticMode(bool on) override;
    void ShowNoReply(const std::string& notice) override;
    void FocusNewParameter(ParameterBox box) override;
    void ShowDeviceAddress(const std::string& address) override;
    void ShowBusy(Button button, bool busy) override;
    void ShowError(const std::string& message) override;
    bool ShowMessage(const TimedMessage& message) override;

    // Replies may come faster than the screen shows them: what they show waits here and reaches the
    // widgets at most once per display frame, the last reply's values winning.
    struct PendingDisplay {
        std::optional<StatusReading> status;
        bool resetAcknowledged = false;  // after the status above, if any
        std::optional<ParameterReading> parameters;
        std::optional<std::chrono::system_clock::time_point> replyTime;
        std::optional<bool> restartPending;
    };
    // Starts the frame timer unless it runs already: a flood must not postpone the frame.
    void ScheduleDisplay();
    // Puts what waits on the widgets now: at the frame, and before anything that must see it (a clear,
    // a modal message).
    void ApplyPendingDisplay();
    void ApplyStatus(const StatusReading& status);
    void ApplyParameters(const ParameterReading& parameters);
    void ApplyReplyTime(std::chrono::system_clock::time_point at);
    // Each indicator's state in words, for screen readers: what its colour says.
    void DescribeLeds();

    const std::unique_ptr<SettingsStore> settings_;

    QPushButton* btRead = nullptr;
    TTILed* ldAuto = nullptr;
    QLabel* stBat = nullptr;
    QLabel* stTmp = nullptr;
    QLabel* stUmd = nullptr;
    TTILed* ldPrs = nullptr;
    TTILed* ldRed1 = nullptr;
    TTILed* ldRed2 = nullptr;
    TTILed* ldRed3 = nullptr;
    QPushButton* btRst = nullptr;
    TTILed* ldRst = nullptr;
    QLabel* lbDaHr = nullptr;
    AutoSelectEdit* edIP1 = nullptr;
    QLabel* stMsk1 = nullptr;
    QLabel* stGW1 = nullptr;
    QLabel* stMac1 = nullptr;
    QLabel* stVrs = nullptr;
    QPushButton* btRd = nullptr;
    AutoSelectEdit* edIP2 = nullptr;
    AutoSelectEdit* edMsk2 = nullptr;
    AutoSelectEdit* edGW2 = nullptr;
    QPushButton* btWr1 = nullptr;
    QLabel* lbAlt = nullptr;
    QLabel* lbNoReply = nullptr;  // beside the clock while the device does not answer
    QTimer* TmrRd = nullptr;
    QTimer* TmrDisplay = nullptr;  // single shot, one display frame
    PendingDisplay pending_;

    bool saveFailed_ = false;  // a close could not save the settings; the next one may close without

    ConsoleCore* rules_ = nullptr;
};

}  // namespace korva::console
