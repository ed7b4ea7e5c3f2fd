#pragma once
// The moment a start-up ends: the event loop has run once with the window painted. Prints it as
// "ready_ns <CLOCK_MONOTONIC nanoseconds>" on standard output and ends the event loop.
#include <QObject>

class QWidget;

namespace korva::bench {

class FirstPaintProbe : public QObject {
public:
    explicit FirstPaintProbe(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool painted_ = false;
};

}  // namespace korva::bench
