// Fuzz target: the whole console dialog in line mode, from the start-up state
// and from each window key's entry, with the design and the six runs it
// starts. Standard input reads the fuzzer's bytes; end of input jumps back
// here instead of ending the process. Checks that the program state stays
// within its documented ranges.
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "console/dialog.h"
#include "console/input.h"
#include "sim/runs.h"
#include "sim/settings.h"

namespace {
std::jmp_buf endOfInputJump;
char emptyInput[1] = {0};  // fmemopen refuses an empty buffer
void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

namespace agv {
void leaveAtEndOfInput() {
    std::longjmp(endOfInputJump, 1);
}
}  // namespace agv

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FILE* const silenced = std::freopen("/dev/null", "w", stdout);
    (void)silenced;
    agv::applyStartupDefaults();
    static const char kEntries[] = {'0', 'c', 'f', 't', 'h'};  // as the last window key
    if (size > 0) {
        agv::currentKey = kEntries[data[0] % sizeof kEntries];
        ++data;
        --size;
    }
    void* buffer = size > 0 ? const_cast<std::uint8_t*>(data) : static_cast<void*>(emptyInput);
    FILE* input = fmemopen(buffer, size > 0 ? size : 1, "r");
    if (input == nullptr) return 0;
    if (size == 0) std::fgetc(input);  // nothing left to read
    stdin = input;
    volatile bool completed = false;
    if (setjmp(endOfInputJump) == 0) {
        agv::consoleDialog();
        completed = true;
    }
    std::fclose(input);
    check(agv::stepsPerSample >= 1 && agv::stepsPerSample <= agv::kMaxStepsPerSample);
    if (completed) {  // an accepted sampling time and its timing
        check(agv::Ts > 0.0 && std::isfinite(agv::Ts));
        check(agv::dt == agv::Ts / agv::stepsPerSample);
        check(agv::animIndexPC == 0 && agv::animIndexPI == 0 && agv::animSampleK == 0);
    }
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        check(agv::nPointsPC[i] >= -1 && agv::nPointsPC[i] <= agv::kMaxRecords - 2);
        check(agv::nPointsPI[i] >= -1 && agv::nPointsPI[i] <= agv::kMaxRecords - 2);
    }
    return 0;
}
