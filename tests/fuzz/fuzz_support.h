// Shared by the fuzz targets: standard input from the fuzzer's bytes, and an
// end of input that returns to the target instead of ending the process.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace agvfuzz {

// Where leaveAtEndOfInput jumps back to.
extern std::jmp_buf endOfInputJump;

// Makes stdin read exactly data[0..size) (line mode: not a terminal).
// Returns false when the stream could not be set up.
bool setStandardInput(const std::uint8_t* data, std::size_t size);

// Closes the stream set up by setStandardInput.
void closeStandardInput();

// Stops the fuzzer with a crash report when a property does not hold.
inline void check(bool ok) {
    if (!ok) std::abort();
}

// Sends standard output to /dev/null once, so that printing stays cheap.
void silenceStandardOutput();

}  // namespace agvfuzz
