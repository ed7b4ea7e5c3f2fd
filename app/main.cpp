// KorvaCfg: the console for one Korva site controller.
#include <QApplication>
#include <QThread>

#include "app/close_on_signal.h"
#include "console/KorvaCfg01.h"
#include "console/application_title.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The application name, not the display name: Qt appends a display name to every window title.
    QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));

    TfrKorvaCfg01 window(TfrKorvaCfg01::DefaultSettingsPath());
    // Before anything can take long: a signal from here on is answered once the event loop runs.
    const korva::app::CloseOnSignal closeOnSignal(&window);
    window.show();

    if (!window.StartEndpoint())
        return 1;

    // A short pause between opening the socket and handling the first event, as the console always made.
    QThread::msleep(100);
    return QApplication::exec();
}
