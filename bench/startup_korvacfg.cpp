// KorvaCfg's start-up as app/main.cpp runs it, ending after the first pass of the event loop with the
// window painted (see first_paint.h). Also prints "pause_ns", the time of the deliberate 100 ms pause
// before the event loop, so that it can be told apart from the program's own cost.
//
// Reads KorvaCfg.ini beside this executable, like the console; refuses to open the socket unless the
// device address there is a loopback address. Nothing is sent: no click, no automatic mode.
#include <QApplication>
#include <QLineEdit>
#include <QThread>

#include <cstdio>
#include <exception>

#include "app/settings/console_settings.h"
#include "app/window_wiring.h"
#include "bench/first_paint.h"
#include "bench/loopback_window.h"
#include "bench/monotonic_clock.h"
#include "console/qt/TfrKorvaCfg01.h"
#include "console/application_title.h"
#include "tests/support/loopback_address.h"

using korva::console::kApplicationTitle;
using korva::console::TfrKorvaCfg01;

namespace {

std::string SettingsPath() {
    return korva::app::SettingsPathIn(QCoreApplication::applicationDirPath().toStdString());
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));

    korva::app::WindowWiring console(korva::app::SettingsFileAt(SettingsPath()));
    TfrKorvaCfg01& window = console.Window();
    try {
        korva::testing::RequireLoopback(window.findChild<QLineEdit*>(QStringLiteral("edIP1"))->text().toStdString());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "startup_korvacfg: %s in %s\n", error.what(), SettingsPath().c_str());
        return 2;
    }
    window.show();
    korva::bench::FirstPaintProbe probe(window);

    if (!console.Console().Open())
        return 1;

    const std::int64_t pauseStart = korva::bench::MonotonicNanoseconds();
    QThread::msleep(100);
    std::printf("pause_ns %lld\n", static_cast<long long>(korva::bench::MonotonicNanoseconds() - pauseStart));
    return QApplication::exec();
}
