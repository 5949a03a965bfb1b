// Fuzz target: the console input layer alone, in line mode. Reads keys and
// one, two and three numbers in turn until the bytes run out, and checks what
// each read may return.
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>

#include "console/input.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    agvfuzz::silenceStandardOutput();
    if (!agvfuzz::setStandardInput(data, size)) return 0;
    volatile std::size_t reads = 0;
    if (setjmp(agvfuzz::endOfInputJump) == 0) {
        for (;;) {
            const int kind = static_cast<int>(reads % 4);
            reads = reads + 1;
            // Every read consumes input: more reads than bytes (plus the final
            // end of input) would mean one consumed nothing.
            agvfuzz::check(reads <= size + 1);
            if (kind == 0) {
                const int key = agv::readKey();
                agvfuzz::check(key >= 0 && key <= 255);
            } else {
                const double sentinel = 12345.0;
                double values[3] = {sentinel, sentinel, sentinel};
                const int converted = agv::readNumbers(kind, values);
                agvfuzz::check(converted >= 0 && converted <= kind);
                // Values beyond those converted keep their previous content.
                for (int i = converted; i < 3; ++i) agvfuzz::check(values[i] == sentinel);
            }
        }
    }
    agvfuzz::closeStandardInput();
    return 0;
}
