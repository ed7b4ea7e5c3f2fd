#include "app/program_information.h"

namespace korva::app {
namespace {

constexpr const char* kUsage =
    "usage: KorvaCfg [--help] [--version] [--lang pt|en] [Qt options, such as -platform NAME]\n"
    "The console for one Korva site controller: live data, network parameters, reset.\n"
    "\n"
    "  -h, --help   print this text and exit\n"
    "  --version    print the version and exit\n"
    "  --lang CODE  the window's language, pt (Portuguese) or en (English); without it, Idioma= of\n"
    "               section [Geral] of the settings file, else the system's language, else Portuguese\n"
    "\n"
    "Settings (device address, new mask, new gateway) are kept in KorvaCfg.ini beside the program. When\n"
    "that folder cannot take the file, or the program is installed, they are kept in\n"
    "$XDG_CONFIG_HOME/KorvaCfg/KorvaCfg.ini ($HOME/.config/KorvaCfg/KorvaCfg.ini when unset); a file\n"
    "beside the program that can be read but not written is read until that one exists.\n"
    "SIGTERM, SIGINT and SIGHUP close the window as its close button does.\n";

}  // namespace

bool PrintRequestedInformation(const std::vector<std::string>& arguments, std::ostream& out) {
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            out << kUsage;
            return true;
        }
        if (argument == "--version") {
            out << "KorvaCfg " << KORVA_PROGRAM_VERSION << '\n';
            return true;
        }
    }
    return false;
}

}  // namespace korva::app
