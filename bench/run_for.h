#pragma once
// Runs the main thread's event loop for a while, as the console's own loop would run.
#include <QEventLoop>
#include <QTimer>

#include <chrono>

namespace korva::bench {

inline void RunEventLoopFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace korva::bench
