#include "tests/fuzz/fuzz_support.h"

#include <cstdio>

#include "console/input.h"

namespace agvfuzz {

std::jmp_buf endOfInputJump;

namespace {
FILE* input = nullptr;
// fmemopen refuses an empty buffer: an empty input reads this one byte as
// already consumed (size 0 view of it).
char emptyInput[1] = {0};
}  // namespace

bool setStandardInput(const std::uint8_t* data, std::size_t size) {
    void* buffer = size > 0 ? const_cast<std::uint8_t*>(data) : static_cast<void*>(emptyInput);
    input = fmemopen(buffer, size > 0 ? size : 1, "r");
    if (input == nullptr) return false;
    if (size == 0) std::fgetc(input);  // nothing left to read
    stdin = input;
    return true;
}

void closeStandardInput() {
    if (input != nullptr) std::fclose(input);
    input = nullptr;
}

void silenceStandardOutput() {
    static bool done = false;
    if (!done && std::freopen("/dev/null", "w", stdout) != nullptr) done = true;
}

}  // namespace agvfuzz

namespace agv {

// End of input inside a fuzz target: back to the target, no exit.
void leaveAtEndOfInput() {
    std::longjmp(agvfuzz::endOfInputJump, 1);
}

}  // namespace agv
