// Number entries of the console dialog, independent of where the input comes
// from: the characters come from the character source below, which the
// console's backend provides (terminal.cpp over standard input).
//
// An entry reads up to three numbers exactly as the GNU C library's scanf
// with "%lf", "%lf %lf" or "%lf %lf %lf" does: whitespace (line feeds too)
// before each number, signs, decimal and hexadecimal forms, an exponent that
// has no digits (taken as absent), inf, infinity and nan in any case, the
// same values bit for bit, and the same characters consumed, on a failed
// conversion too (those it looked at, less the one it can push back). Then
// the rest of the line it stopped on is dropped, so that text which is not a
// number never makes the next entry fail. Values that do not convert keep
// their previous content. At end of input before the first number the
// program ends through leaveAtEndOfInput. Nothing is allocated.
#pragma once

namespace agv {

// Reads up to count (1..3) numbers into values[0..count-1]; returns how many
// converted. Never returns at end of input before the first conversion.
int readNumbers(int count, double* values);

// What end of input does: a one-line note on standard error and exit status
// 0. Defined apart (input_exit.cpp) so that the fuzzers, which run many
// inputs in one process, can link their own.
[[noreturn]] void leaveAtEndOfInput();

// The character source, provided by the backend:
// called as an entry starts, before its first character (the backend shows
// what was written so far);
void startInputRead();
// the next byte of the input as an unsigned char, or EOF at its end (or on a
// read error);
int nextInputChar();
// gives back c, the byte last read, to be read again next; one at a time
// (EOF is ignored).
void pushBackInputChar(int c);

}  // namespace agv
