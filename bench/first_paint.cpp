#include "bench/first_paint.h"

#include "bench/monotonic_clock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace korva::bench {

FirstPaintProbe::FirstPaintProbe(QWidget& window) : QObject(&window) {
    window.installEventFilter(this);
    // A platform that never paints must not leave the measurement hanging.
    QTimer::singleShot(10'000, [] {
        std::fputs("no paint within 10 s\n", stderr);
        QCoreApplication::exit(1);
    });
}

bool FirstPaintProbe::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Paint && !painted_) {
        painted_ = true;
        // Queued behind the paint itself: the next pass of the loop, once the window is on the screen.
        QTimer::singleShot(0, [] {
            std::printf("ready_ns %lld\n", static_cast<long long>(MonotonicNanoseconds()));
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }
    return false;
}

}  // namespace korva::bench
