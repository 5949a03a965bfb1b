// The window's backend in a web page (window.h): the picture on the page's
// canvas and the loop that hands the keys typed on it to onKey.
//
// startWindow shows the canvas, gives it the focus and draws the picture,
// then waits for each key typed on it (an Asyncify wait; the page only
// queues keys) and hands it to onKey, until ESC. Keys typed on the canvas
// while the console dialog runs are dropped by the page, and those queued
// when it ends by discardPendingKeys. A redraw that a key asks for is drawn
// before the next wait. Nothing here ends the process: after ESC the loop
// stops, startWindow returns and the page says that the program has ended.
#include <emscripten.h>

#include "graphics/keys.h"
#include "graphics/scene.h"
#include "graphics/window.h"

namespace {

bool ended = false;
bool redrawWanted = false;

}  // namespace

// clang-format off
EM_JS(void, agvPageShowPicture, (), { Module.agvPage.showPicture(); });
EM_ASYNC_JS(int, agvPageWaitWindowKey, (), { return await Module.agvPage.waitWindowKey(); });
EM_JS(void, agvPageDiscardWindowKeys, (), { Module.agvPage.discardWindowKeys(); });
EM_JS(void, agvPageProgramEnded, (), { Module.agvPage.programEnded(); });
// clang-format on

namespace agv {

void startWindow(int /*argc*/, char** /*argv*/) {
    agvPageShowPicture();
    displayScene();
    while (!ended) {
        const int key = agvPageWaitWindowKey();
        onKey(static_cast<unsigned char>(key), 0, 0);
        if (redrawWanted && !ended) {
            redrawWanted = false;
            displayScene();
        }
    }
    agvPageProgramEnded();
}

void reshapeWindow(int /*width*/, int /*height*/) {}

void requestRedraw() {
    redrawWanted = true;
}

void endProgram() {
    ended = true;
}

void discardPendingKeys() {
    agvPageDiscardWindowKeys();
}

}  // namespace agv
