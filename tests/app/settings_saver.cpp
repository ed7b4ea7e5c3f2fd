// Saves the console settings at the given path over and over, alternating two sets of values, until it
// is killed. Prints a line once the first save is done, so that the test kills it while it saves.
#include <unistd.h>

#include "settings_saver.h"

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    for (unsigned long saves = 0;; ++saves) {
        korva::app::WriteConsoleSettings(argv[1], saves % 2 == 0 ? settings_saver::kSecond : settings_saver::kFirst);
        if (saves == 0 && write(STDOUT_FILENO, settings_saver::kReadyLine, sizeof settings_saver::kReadyLine - 1) < 0) {
            return 1;
        }
    }
}
