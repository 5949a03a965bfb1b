// The program's start-up state, in the order the entry point sets it.
//
// applyStartupDefaults sets, before the first console dialog: mechanism 1,
// the straight line, fn 0.3 Hz, zeta 0.707, Ts 0.2 s; the design and the
// limit search; stepsPerSample and dt by the start-up rule; the pose
// (0 m, 1 m, 0 rad) and steering angle 0; pans 0; currentKey '0'. The view
// reset of a run is applied as well, so that a fresh state never depends on
// earlier use. Called by main, and by anything that needs the program's
// state as a freshly started program has it.
#pragma once

namespace agv {

void applyStartupDefaults();

}  // namespace agv
