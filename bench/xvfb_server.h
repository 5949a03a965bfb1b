// A private Xvfb server for one benchmark executable.
//
// startXvfb forks Xvfb with -displayfd, waits (bounded) until it reports its
// display number, sets DISPLAY for this process and its children and returns
// the display name (":N"). The server dies with the test process
// (PR_SET_PDEATHSIG) and is stopped by stopXvfb. Screen 1024 x 1024 x 24.
#pragma once

#include <string>

namespace agvtest {

// Returns "" when the server could not be started within timeoutSeconds.
std::string startXvfb(double timeoutSeconds = 20.0);
void stopXvfb();

}  // namespace agvtest
