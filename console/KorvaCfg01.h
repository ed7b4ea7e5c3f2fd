#pragma once
// The console's only window and its controller: it holds the device address the operator typed and
// the state of automatic mode and of a pending reset, sends every request through its UDP endpoint,
// interprets every reply and shows the results. Every handler runs on the main thread.
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "console/settings_store.h"
#include "protocol/unscramble.h"
#include "transport/udp_endpoint.h"

class AutoSelectEdit;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TTILed;

namespace korva {
struct StatusReading;
struct ParameterReading;
}  // namespace korva

class TfrKorvaCfg01 : public QWidget {
    Q_OBJECT

public:
    // settings are read now and saved at close.
    explicit TfrKorvaCfg01(std::unique_ptr<korva::console::SettingsStore> settings, QWidget* parent = nullptr);
    ~TfrKorvaCfg01() override;

    // Opens the endpoint; true when it is open, false when it cannot be opened.
    bool StartEndpoint();

    // The window's event handlers. Button handlers let send errors escape; the buttons show them in the
    // default error box.
    void btReadClick();
    void btRdClick();
    void btWr1Click();
    void btRstClick();
    void ldAutoClick();
    void TmrRdTimer();
    void UDPUDPRead(const std::string& bytes);

signals:
    // Emitted on the receiving thread: a datagram waits to be handed to UDPUDPRead on this thread.
    void datagramWaiting();

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

    void ClearLiveData();
    void ClearParameters();
    void ShowChangedNotice(const std::string& keyword, const korva::PlainReply& reply);
    void ShowStatus(const korva::StatusReading& status);
    void ShowParameters(const korva::ParameterReading& parameters);
    // Sends request to the address in edIP1 and makes it the only source whose datagrams are handled.
    // Returns that address.
    std::uint32_t SendToDevice(const std::string& request);
    // Runs a button's handler; an error it raises is shown in the default error box.
    void RunShowingErrors(const std::function<void()>& handler);

    const std::unique_ptr<korva::console::SettingsStore> settings_;

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
    QTimer* TmrRd = nullptr;

    // Console state; main thread only.
    bool automaticMode_ = false;
    bool parametersRead_ = false;  // stops the automatic parameter request for the rest of the run
    bool resetPending_ = false;
    int resetAttemptsLeft_ = 0;
    std::int32_t echoNumber_ = 0;     // from the last status reply, echoed in reset commands
    bool writeReplyAwaited_ = false;  // a write went out and its reply has not come yet
    bool saveFailed_ = false;         // a close could not save the settings; the next one may close without

    // Last member: destroyed first, while the controls its handler touches still exist.
    korva::transport::UdpEndpoint UDP;
};
