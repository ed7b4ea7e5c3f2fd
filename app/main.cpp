// KorvaCfg: the console for one Korva site controller.
#include <QApplication>

#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "app/close_on_signal.h"
#include "app/program_information.h"
#include "app/settings/settings_place.h"
#include "app/window_wiring.h"
#include "console/application_title.h"
#include "console/console_language.h"
#include "console/console_texts.h"
#include "language/language_choice.h"

int main(int argc, char* argv[]) {
    // Answered before Qt starts, so that they work without a display.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (korva::app::PrintRequestedInformation(arguments, std::cout))
        return std::cout.flush() ? 0 : 1;

    QApplication application(argc, argv);
    // The application name, not the display name: Qt appends a display name to every window title.
    QApplication::setApplicationName(QString::fromUtf8(korva::console::kApplicationTitle));
    // Lets the desktop match the window to the installed menu entry (korvacfg.desktop) and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("korvacfg"));

    auto settings = korva::app::SettingsStoreForProgramIn(QCoreApplication::applicationDirPath().toStdString());
    korva::console::texts::UseLanguage(
        korva::console::ConsoleLanguage(arguments, settings->Language(), korva::language::SystemLanguageName()));
    korva::app::WindowWiring console(std::move(settings));
    // Before anything can take long: a signal from here on is answered once the event loop runs.
    const korva::app::CloseOnSignal closeOnSignal(&console.Window());
    console.Window().show();

    // Without its socket the console is useless; it ends as quietly as it started.
    if (!console.Console().Open())
        return 1;

    korva::app::ConsoleWiring::PauseBeforeFirstEvent();
    return QApplication::exec();
}
