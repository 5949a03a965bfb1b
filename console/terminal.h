// Console backend over standard input: the single-key read, the terminal's
// settings and the character source of the number entries (input.h).
//
// Two modes, chosen once from standard input:
// - a terminal: readKey takes one fresh key press without echo and without
//   Enter (nothing typed before the read counts: neither what a number entry
//   left nor keys typed ahead); the terminal's end-of-file character
//   (Ctrl-D) is end of input. Number entries are ordinary echoed lines. The
//   terminal's settings are restored on every way out: normal exit, exit()
//   from the window, end of input, SIGINT, SIGTERM, SIGHUP and SIGQUIT; on
//   Ctrl-Z (SIGTSTP) before the program stops, and a key read that was
//   waiting takes its key mode again after fg (SIGCONT).
// - anything else (a pipe, a file): line by line. readKey takes the next line
//   and returns its first byte ('\n' for an empty line); the rest of the line
//   is dropped.
// The number entries read stdin through getchar and ungetc (whatever stdin
// points to when they read). Standard output is flushed before every read.
// At end of input (or a read error) the program ends through
// leaveAtEndOfInput.
#pragma once

namespace agv {

// Sets the mode from standard input and installs the terminal restorers.
// Safe to call more than once.
void initConsoleInput();

// One key; never returns at end of input.
int readKey();

}  // namespace agv
