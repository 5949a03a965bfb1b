// Child processes for the console and window tests.
//
// startChild runs a program with its standard input, output and error on
// pipes; the test feeds input, waits for text on standard output with a
// deadline, and collects the rest when the child ends. A child still running
// at a deadline is killed, so that no test hangs. Output is kept as bytes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct Child {
    pid_t pid = -1;
    int inFd = -1;   // write end of the child's standard input
    int outFd = -1;  // read end of its standard output
    int errFd = -1;  // read end of its standard error
    std::string out;
    std::string err;
};

struct ChildResult {
    std::string out;
    std::string err;
    bool timedOut = false;  // killed at the deadline
    int status = 0;         // waitpid status
};

// Starts argv[0] (searched in PATH) with the arguments argv[1..].
Child startChild(const std::vector<std::string>& argv);

// Writes text to the child's standard input; with close, ends that input.
void sendInput(Child& child, const std::string& text, bool close);

// Reads output until child.out contains text at or after offset; false when
// the deadline [s] passes or the output ends first.
bool waitForOutput(Child& child, const std::string& text, double seconds,
                   std::string::size_type offset = 0);

// Reads all output and waits for the exit; kills the child at the deadline [s].
ChildResult finishChild(Child& child, double seconds);

// startChild, all of input, then finishChild.
ChildResult runChild(const std::vector<std::string>& argv, const std::string& input,
                     double seconds);

// "exit 0", "killed by signal 9 (timed out)"... for failure messages.
std::string describeEnd(const ChildResult& result);

// Seconds on the monotonic clock.
double nowSeconds();
