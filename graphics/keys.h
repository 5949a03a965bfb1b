// Keyboard commands of the window.
//
// onKey is the window's keyboard callback: it stores the key in currentKey, then
// selects the mechanism ('1' '2' '3'), steps the vehicles ('s'), returns to
// the start of the motion ('0'), pans ('x' 'X' 'y' 'Y', 0.05 window units),
// zooms ('w' 'W', factor 0.9), moves the phase plane ('z' 'Z'), runs the
// console dialog at its entry ('c' 'f' 't' 'h') or ends the program (ESC)
// and redraws. Any other key changes nothing on screen. It writes the view
// and animation state; besides it only the console dialog does, resetting
// them after every run. It reaches the window system through window.h
// alone.
#pragma once

namespace agv {

constexpr unsigned char kKeyEscape = 27;
constexpr double kPanStep = 0.05;    // [window units] per pan or phase-plane key
constexpr double kZoomFactor = 0.9;  // viewScale factor of 'w' ('W' divides by it)
constexpr int kRecordsPerStep = 2;   // records advanced by one 's'

void onKey(unsigned char key, int x, int y);

}  // namespace agv
