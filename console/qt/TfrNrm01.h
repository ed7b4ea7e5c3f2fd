#pragma once
// The console's one message box: borderless, coloured, modal, beeps on opening, may close itself
// after a number of seconds and answers yes (SIM, OK) or no (NÃO, time-out).
#include <QColor>
#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace korva::console {

class TfrNrm01 : public QDialog {
    Q_OBJECT

public:
    // A TimedMessage::Kind: which buttons it has and which one Return presses come from ButtonsOf.

    explicit TfrNrm01(QWidget* parent = nullptr);

    int Kind() const { return kind_; }
    void SetKind(int kind);
    int RemainingTicks() const { return remainingTicks_; }
    void SetRemainingTicks(int ticks) { remainingTicks_ = ticks; }
    QColor MessageColour() const { return messageColour_; }
    void SetMessageColour(const QColor& colour) { messageColour_ = colour; }
    QString MessageText() const { return messageText_; }
    void SetMessageText(const QString& text) { messageText_ = text; }

    void StopTimer();

    // Only a button or the time-out may close the dialog; Escape and close requests do nothing.
    void reject() override {}

public slots:
    void FormShow();
    void Tmr1Timer();
    void btSimClick();
    void btNaoClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ApplyKind();

    QFrame* pnMsg_;
    QFrame* ClMsg_;
    QLabel* Msg1_;
    QPushButton* btSim_;
    QPushButton* btNao_;
    QPushButton* btOK_;
    QTimer* Tmr1_;

    int kind_ = 0;
    int remainingTicks_ = 0;
    QColor messageColour_;
    QString messageText_;
};

// Shows text on colour in a new dialog centred over the main window and waits for the answer.
// seconds > 0 closes the dialog after that time as if NÃO had been pressed.
// Returns true for SIM or OK. Safe to call again while another call is waiting.
bool ShowTimedMessage(const QString& text, const QColor& colour, int seconds, int kind);

}  // namespace korva::console
