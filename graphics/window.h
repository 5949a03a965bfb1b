// The program's one window: creation, callbacks, viewport, the frame bracket,
// and the redraw and end requests of the keys. The interface every window
// backend implements (window.cpp over GLUT and X11, web/window_page.cpp in a
// page; a stand-in for the tests); the shared drawing and key code reach the
// window system only through it.
//
// startWindow opens the 800 x 800 window titled with the one-line key help,
// shows the picture (displayScene) and hands every key typed into it to
// onKey until the program ends. Over GLUT it never returns: the process ends
// by exit (ESC, or closing the window); in a page it returns after ESC. No
// projection is ever set: window coordinates run from -1 to +1 on both axes,
// stretched over the whole window. Every frame is drawn between beginFrame
// and endFrame. Called once by the start-up, after the first console dialog.
#pragma once

namespace agv {

constexpr int kWindowSidePixels = 800;  // [pixels] initial width and height

// The window's title: the one-line key help (UTF-8).
inline constexpr char kWindowTitle[] =
    "1,2,3:機構選択, c:経路変更，t:Ts変更，h:初期状態変更，f:系のfn変更，W,w:画面拡大縮小，"
    "x,X,y,Y:画面移動，z,Z:位相面移動，0:初期へ，s:継続";

void startWindow(int argc, char** argv);

// GLUT reshape callback: viewport over the whole window, identity matrices.
void reshapeWindow(int width, int height);

// Clears colour and depth buffers and loads the identity model-view matrix.
void beginFrame();

// Flushes and swaps the buffers.
void endFrame();

// Asks for the picture to be drawn anew once the current event is handled.
void requestRedraw();

// Ends the program, status 0 (ESC): over GLUT at once, by exit (the
// console's restorers give the terminal back on the way out); in a page the
// key's handling returns and the event loop stops.
void endProgram();

// Drops the key presses and releases that reached the window and wait to be
// handled: the keys typed into it while the console dialog ran, which the
// window does not take.
void discardPendingKeys();

}  // namespace agv
