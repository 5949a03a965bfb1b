#include "console/terminal.h"

#include <signal.h>
#include <stdio_ext.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "console/input.h"

namespace agv {

namespace {

bool initialised = false;
bool terminalMode = false;             // standard input is a terminal
struct termios savedSettings {};       // the terminal as found at start
struct termios keySettings {};         // the key read's: no echo, no line editing
volatile sig_atomic_t rawActive = 0;   // the key read has changed the terminal
volatile sig_atomic_t keyReading = 0;  // a key read is waiting for its key

// Signals that end the program: the terminal is given back first.
const int kRestoredSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Gives the terminal its settings from the start back, if the key read
// changed them.
void restoreTerminal() {
    if (terminalMode && rawActive) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
        rawActive = 0;
    }
}

void restoreOnSignal(int sig) {
    if (rawActive) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
        rawActive = 0;
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

void installHandler(int sig, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // the key read goes on after a stop and continue
    sigaction(sig, &action, nullptr);
}

// Ctrl-Z: the terminal is given back before the program stops (the stop
// itself is the default action, taken once this handler returns, since
// SIGTSTP is blocked while it runs).
void stopOnSignal(int sig) {
    const int savedErrno = errno;
    if (rawActive) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
        rawActive = 0;
    }
    signal(sig, SIG_DFL);
    raise(sig);
    errno = savedErrno;
}

// After fg: the stop handler again, and the key read's mode if it was waiting.
void continueOnSignal(int) {
    const int savedErrno = errno;
    installHandler(SIGTSTP, stopOnSignal);
    if (keyReading && !rawActive) {
        rawActive = 1;
        tcsetattr(STDIN_FILENO, TCSANOW, &keySettings);
    }
    errno = savedErrno;
}

void restoreAtExit() {
    restoreTerminal();
}

[[noreturn]] void endOfInput() {
    restoreTerminal();
    leaveAtEndOfInput();
}

// Drops what is left of the current line, up to and including its line feed.
void dropRestOfLine() {
    int c;
    do {
        c = std::getchar();
    } while (c != '\n' && c != EOF);
}

int readKeyFromTerminal() {
    // A fresh key: nothing typed before this read counts, neither what stdio
    // holds from an earlier entry nor what waits in the terminal's queue
    // (TCSAFLUSH drops it as the key mode starts; keys typed from then on
    // are kept).
    __fpurge(stdin);
    keySettings = savedSettings;
    keySettings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    keySettings.c_cc[VMIN] = 1;
    keySettings.c_cc[VTIME] = 0;
    rawActive = 1;
    keyReading = 1;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &keySettings);
    const int c = std::getchar();
    keyReading = 0;
    // Whatever else the key sent (an escape sequence) is not another key.
    __fpurge(stdin);
    restoreTerminal();
    // The terminal's end-of-file character (Ctrl-D) ends the input here too.
    const cc_t eof = savedSettings.c_cc[VEOF];
    if (c == EOF || (eof != _POSIX_VDISABLE && c == eof)) endOfInput();
    return c;
}

int readKeyFromLine() {
    const int c = std::getchar();
    if (c == EOF) endOfInput();
    if (c != '\n') dropRestOfLine();
    return c;
}

}  // namespace

void initConsoleInput() {
    if (initialised) return;
    initialised = true;
    terminalMode = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &savedSettings) == 0;
    if (!terminalMode) return;
    std::atexit(restoreAtExit);
    for (int sig : kRestoredSignals) installHandler(sig, restoreOnSignal);
    installHandler(SIGTSTP, stopOnSignal);
    installHandler(SIGCONT, continueOnSignal);
}

int readKey() {
    initConsoleInput();
    std::fflush(stdout);
    return terminalMode ? readKeyFromTerminal() : readKeyFromLine();
}

void startInputRead() {
    initConsoleInput();
    std::fflush(stdout);
}

int nextInputChar() {
    return std::getchar();
}

void pushBackInputChar(int c) {
    std::ungetc(c, stdin);
}

}  // namespace agv
