// The configuration report printed by the console dialog before every run.
//
// printConfigReport writes the framed summary of the conditions the next run
// uses: the mechanism shown first, the vehicle limits, the control scheme, fn
// and zeta, Ts, every mechanism's limit sampling time and stability verdict
// at Ts, the start pose and the path. It reads the shared state and the
// design results (designControl and searchTsmax must be current) and changes
// nothing. Output is UTF-8 text on standard output.
#pragma once

namespace agv {

void printConfigReport();

}  // namespace agv
