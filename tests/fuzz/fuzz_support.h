// Shared by the fuzz targets: standard input from the fuzzer's bytes, and an
// end of input that returns to the target instead of ending the process.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>

namespace agvfuzz {

// Where leaveAtEndOfInput jumps back to.
extern std::jmp_buf endOfInputJump;

// Makes stdin read exactly data[0..size) (line mode: not a terminal).
// Returns false when the stream could not be set up.
bool setStandardInput(const std::uint8_t* data, std::size_t size);

// Closes the stream set up by setStandardInput.
void closeStandardInput();

// Sends standard output to /dev/null once, so that printing stays cheap.
void silenceStandardOutput();

}  // namespace agvfuzz
