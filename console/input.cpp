#include "console/input.h"

#include <signal.h>
#include <stdio_ext.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace agv {

namespace {

bool initialised = false;
bool terminalMode = false;            // standard input is a terminal
struct termios savedSettings {};      // the terminal as found at start
volatile sig_atomic_t rawActive = 0;  // the key read has changed the terminal

const int kRestoredSignals[] = {SIGINT, SIGTERM, SIGHUP};

void restoreOnSignal(int sig) {
    if (rawActive) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
        rawActive = 0;
    }
    signal(sig, SIG_DFL);
    raise(sig);
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
    // A fresh key: nothing that stdio already holds from an earlier entry
    // counts. A key typed since then (still with the terminal) is the answer.
    __fpurge(stdin);
    struct termios raw = savedSettings;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    rawActive = 1;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    const int c = std::getchar();
    // Whatever else the key sent (an escape sequence) is not another key.
    __fpurge(stdin);
    restoreTerminal();
    if (c == EOF) endOfInput();
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
    for (int sig : kRestoredSignals) {
        struct sigaction action {};
        action.sa_handler = restoreOnSignal;
        sigemptyset(&action.sa_mask);
        sigaction(sig, &action, nullptr);
    }
}

void restoreTerminal() {
    if (terminalMode && rawActive) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
        rawActive = 0;
    }
}

int readKey() {
    initConsoleInput();
    std::fflush(stdout);
    return terminalMode ? readKeyFromTerminal() : readKeyFromLine();
}

int readNumbers(int count, double* values) {
    initConsoleInput();
    std::fflush(stdout);
    int converted;
    switch (count) {
        case 1:
            converted = std::scanf("%lf", &values[0]);
            break;
        case 2:
            converted = std::scanf("%lf %lf", &values[0], &values[1]);
            break;
        default:
            converted = std::scanf("%lf %lf %lf", &values[0], &values[1], &values[2]);
            break;
    }
    if (converted == EOF) endOfInput();
    dropRestOfLine();
    return converted;
}

}  // namespace agv
