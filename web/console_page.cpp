// The console's backend in a web page (terminal.h and the character source of
// input.h): the page's console panel, the scripting surface's state and the
// page's title.
//
// Single-key questions take one fresh key without Enter and without echo: a
// key pressed before the question began does not count. Number entries read
// lines that the page lets the user type with echo and Backspace, ended with
// Enter; lines typed ahead (a paste of several lines) serve the following
// entries, and a key question drops them, as a terminal does. A page has no
// end of input: the reads wait until the user answers. Every wait is an
// Asyncify wait of the program's one loop (the page's event handlers only
// queue), so nothing calls into the program while it waits. Standard output
// reaches the panel byte by byte, flushed before every read (page.js).
#include <emscripten.h>

#include <cstdio>

#include "console/input.h"
#include "console/terminal.h"
#include "graphics/window.h"
#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/runs.h"

namespace {

// The scripting surface's state(): the addresses of the values it shows, in
// the order page.js reads them (int or double, as page.js knows).
const void* const kStateAddresses[] = {&agv::agvType,     &agv::pathType,    &agv::fn,
                                       &agv::zeta,        &agv::Ts,          &agv::stepsPerSample,
                                       &agv::dt,          &agv::x0,          &agv::y0,
                                       &agv::th0,         &agv::viewScale,   &agv::viewPanX,
                                       &agv::viewPanY,    &agv::phasePlaneX, &agv::phasePlaneY,
                                       &agv::animIndexPC, &agv::animIndexPI, &agv::animSampleK,
                                       agv::nPointsPC,    agv::nPointsPI,    agv::Tsmax};
constexpr int kStateCount = sizeof kStateAddresses / sizeof kStateAddresses[0];

bool connected = false;

}  // namespace

// clang-format off
EM_JS(void, agvPageConnect, (const char* title, const void* const* addresses, int count), {
    Module.agvPage.connect(UTF8ToString(title), HEAPU32.slice(addresses >> 2, (addresses >> 2) + count),
                           (address) => HEAP32[address >> 2], (address) => HEAPF64[address >> 3]);
});
EM_ASYNC_JS(int, agvPageWaitKey, (), { return await Module.agvPage.waitKey(); });
EM_ASYNC_JS(void, agvPageWaitLine, (), { await Module.agvPage.waitLine(); });
EM_JS(int, agvPageLineByte, (), { return Module.agvPage.lineByte(); });
EM_JS(void, agvPageUnreadByte, (), { Module.agvPage.unreadByte(); });
// clang-format on

namespace agv {

void initConsoleInput() {
    if (connected) return;
    connected = true;
    agvPageConnect(kWindowTitle, kStateAddresses, kStateCount);
}

int readKey() {
    initConsoleInput();
    std::fflush(stdout);
    return agvPageWaitKey();
}

void startInputRead() {
    initConsoleInput();
    std::fflush(stdout);
}

int nextInputChar() {
    for (;;) {
        const int c = agvPageLineByte();
        if (c >= 0) return c;
        std::fflush(stdout);
        agvPageWaitLine();
    }
}

void pushBackInputChar(int c) {
    if (c != EOF) agvPageUnreadByte();
}

}  // namespace agv
