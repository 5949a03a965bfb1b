// Entry point: the start-up of the program, the same for every backend.
//
// Applies the start-up defaults (with the design and the limit search), runs
// the console dialog once, which also runs all simulations, then opens the
// window and hands control to its event loop for the rest of the program
// (over GLUT the process ends there; in a page it returns after ESC). The
// command-line arguments go unchanged to the window-system set-up.
#include "console/dialog.h"
#include "console/terminal.h"
#include "graphics/window.h"
#include "sim/settings.h"

int main(int argc, char** argv) {
    agv::initConsoleInput();
    agv::applyStartupDefaults();
    agv::consoleDialog();
    agv::startWindow(argc, argv);
    return 0;
}
