// The program's one window: creation, callbacks, viewport, the frame bracket,
// and the redraw and end requests of the keys. The interface every window
// backend implements (window.cpp over GLUT and X11; a stand-in for the
// tests); the shared drawing and key code reach the window system only
// through it.
//
// startWindow opens the 800 x 800 double-buffered window titled with the
// one-line key help, registers displayScene, reshapeWindow and onKey, sets
// the white clear colour and enters GLUT's event loop, which never returns;
// the process ends by exit (ESC, or closing the window). No projection is
// ever set: window coordinates run from -1 to +1 on both axes, stretched
// over the whole window. Every frame is drawn between beginFrame and
// endFrame. Called once by the start-up, after the first console dialog.
#pragma once

namespace agv {

constexpr int kWindowSidePixels = 800;  // [pixels] initial width and height

[[noreturn]] void startWindow(int argc, char** argv);

// GLUT reshape callback: viewport over the whole window, identity matrices.
void reshapeWindow(int width, int height);

// Clears colour and depth buffers and loads the identity model-view matrix.
void beginFrame();

// Flushes and swaps the buffers.
void endFrame();

// Asks for the picture to be drawn anew once the current event is handled.
void requestRedraw();

// Ends the program, status 0 (ESC). The console's restorers give the
// terminal back on the way out.
[[noreturn]] void endProgram();

// Drops the key presses and releases that reached the window and wait to be
// handled: the keys typed into it while the console dialog ran, which the
// window does not take.
void discardPendingKeys();

}  // namespace agv
