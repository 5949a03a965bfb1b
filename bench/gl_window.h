// A real GLUT window for the frame benchmark.
//
// openPictureWindow creates the 800 x 800 double-buffered window the program
// uses (on the display in DISPLAY, which must be up: freeglut exits without
// one), sets the viewport and the white clear colour, and leaves its context
// current.
#pragma once

namespace agvtest {

constexpr int kSide = 800;  // [pixels] window width and height

void openPictureWindow();

}  // namespace agvtest
