#pragma once
// Closes a window as its close button does when the program is asked to end: SIGTERM (logout, kill),
// SIGINT (Ctrl-C in the terminal it was started from) and SIGHUP (that terminal going away). The window
// saves what was typed and closes, or stays open with its error box when the save fails.
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <array>
#include <csignal>

class QSocketNotifier;

namespace korva::app {

class CloseOnSignal : public QObject {
public:
    // One at a time in a process: the signal handlers reach this object through one pipe. Without a
    // pipe the signals keep their previous handling (the program ends as it did before).
    explicit CloseOnSignal(QWidget* window);
    ~CloseOnSignal() override;  // puts back the handling found at construction
    CloseOnSignal(const CloseOnSignal&) = delete;
    CloseOnSignal& operator=(const CloseOnSignal&) = delete;

private:
    void CloseWindow();

    QPointer<QWidget> window_;
    int readEnd_ = -1;
    int writeEnd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::array<struct sigaction, 3> previous_{};
};

}  // namespace korva::app
