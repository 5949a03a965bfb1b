// The console dialog: the only place where the path, fn/zeta, Ts and the
// start pose change, and the only place where the simulations run.
//
// consoleDialog prints the introduction, then enters by currentKey: 'f' at
// the frequency entry, 't' at the sampling-time entry, 'h' at the start-pose
// entry, anything else ('0' at start-up, 'c') at the path question. It reruns
// the design where a setting changed, prints the configuration report, runs
// all six simulations after a key, resets the view, prints the window-key
// help and returns after one more key. Called at start-up and by the window's
// keyboard callback for 'c', 'f', 't' and 'h'. Texts are UTF-8.
#pragma once

namespace agv {

void consoleDialog();

}  // namespace agv
