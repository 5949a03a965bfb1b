// Runs the console dialog without the window, for the console tests.
//
// Usage: dialog_driver [KEYS [AGVTYPE]]
// Applies the start-up defaults, sets agvType (1 unless given), then runs the
// dialog once per character of KEYS (default "0"), each time entered with
// that character as currentKey, as the window's keys would. Ends with 0,
// writing the resulting stepsPerSample to standard error.
#include <cstdio>
#include <cstdlib>

#include "console/dialog.h"
#include "console/terminal.h"
#include "sim/parameters.h"
#include "sim/settings.h"

int main(int argc, char** argv) {
    agv::initConsoleInput();
    agv::applyStartupDefaults();
    if (argc > 2) agv::agvType = std::atoi(argv[2]);
    for (const char* key = argc > 1 ? argv[1] : "0"; *key != '\0'; ++key) {
        agv::currentKey = *key;
        agv::consoleDialog();
    }
    std::fflush(stdout);
    std::fprintf(stderr, "stepsPerSample=%d\n", agv::stepsPerSample);
    return 0;
}
