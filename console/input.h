// Console input: the single-key read and the number entries of the dialog.
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
// Number entries read like scanf's "%lf" conversions, across line feeds, and
// then drop the rest of the line they stopped on, so that text which is not
// a number never makes the next entry fail. Values that do not convert keep
// their previous content.
// Standard output is flushed before every read. At end of input (or a read
// error) the program ends at once with status 0 and a one-line note on
// standard error.
// Called by the console dialog only.
#pragma once

namespace agv {

// Sets the mode from standard input and installs the terminal restorers.
// Safe to call more than once.
void initConsoleInput();

// One key; never returns at end of input.
int readKey();

// Reads up to count (1..3) numbers into values[0..count-1] as "%lf", "%lf %lf"
// or "%lf %lf %lf" would; returns how many converted. Never returns at end of
// input before the first conversion.
int readNumbers(int count, double* values);

// Restores the terminal settings saved at start, if they were changed.
void restoreTerminal();

// What end of input does once the terminal is restored: a one-line note on
// standard error and exit status 0. Defined apart (input_exit.cpp) so that
// the fuzzers, which run many inputs in one process, can link their own.
[[noreturn]] void leaveAtEndOfInput();

}  // namespace agv
