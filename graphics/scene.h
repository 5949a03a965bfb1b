// Composition of one frame of the window.
//
// displayScene is the GLUT display routine: beginFrame, composeScene,
// endFrame. composeScene draws the whole picture from the shared state and
// the trajectory stores without touching the frame bracket, so that a test
// can read the pixels back before the swap. Called by GLUT and by onKey.
#pragma once

namespace agv {

void displayScene();

// Everything of a frame between beginFrame and endFrame.
void composeScene();

}  // namespace agv
