#pragma once
// The console's only window: it draws the controls, forwards each event with what the boxes hold to the
// console's rules (ConsoleCore), and draws each control as the presentation says, deciding nothing of it. It owns neither the rules nor a socket:
// app/ puts them together below it. Every handler runs on the main thread.
#include <QString>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "console/closing_save.h"
#include "console/console_view.h"
#include "console/presentation.h"
#include "console/settings_store.h"

class QCloseEvent;
class QTimer;

namespace korva::console {

class AutoSelectEdit;
class ConsoleCore;

class TfrKorvaCfg01 : public QWidget, private WindowRenderer {
    Q_OBJECT

public:
    // settings are read now and saved at close.
    explicit TfrKorvaCfg01(std::unique_ptr<SettingsStore> settings, QWidget* parent = nullptr);
    ~TfrKorvaCfg01() override;

    // What the rules show on: the presentation, which draws on this window.
    ConsoleView& View() { return presentation_; }
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
    // The control made for row.
    QWidget* Widget(const layout::Control& row) const;
    // What the box named holds, in the device's Windows-1252.
    std::string BoxText(const char* name) const;

    void Show(const layout::Control& row, const ControlLook& look) override;
    void RequestFrame() override;
    void Focus(const layout::Control& box) override;
    void PutText(const layout::Control& box, const std::string& text) override;
    void ShowError(const std::string& message) override;
    bool ShowMessage(const TimedMessage& message) override;

    const std::unique_ptr<SettingsStore> settings_;
    Presentation presentation_{*this};
    std::vector<QWidget*> widgets_;  // by layout row
    AutoSelectEdit* edIP1 = nullptr;
    QTimer* TmrRd = nullptr;
    // Replies may come faster than the screen shows them: what they change reaches the widgets at most
    // once per display frame, when this single shot fires, the last reply's values winning.
    QTimer* TmrDisplay = nullptr;

    ClosingSave closingSave_;

    ConsoleCore* rules_ = nullptr;
};

}  // namespace korva::console
