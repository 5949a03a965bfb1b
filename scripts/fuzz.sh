#!/bin/sh
# Builds the fuzz target (clang, libFuzzer, ASan, UBSan) into build-fuzz/ and
# runs it for the given number of seconds (default 25), starting from the seed
# corpus in tests/fuzz/corpus/dialog. New inputs go to build-fuzz/corpus, not
# to the repository. Fails on the first crash, sanitizer report or time-out
# (one input may take at most 30 s; six runs under the sanitizers take well
# under 1 s), showing the end of the log.
#   scripts/fuzz.sh            # the short run of the test command
#   scripts/fuzz.sh 1200       # twenty minutes
set -eu
cd "$(dirname "$0")/.."
cmake --preset fuzz
cmake --build --preset fuzz
mkdir -p build-fuzz/corpus/dialog build-fuzz/artifacts
log=build-fuzz/fuzz_dialog.log
./build-fuzz/tests/fuzz/fuzz_dialog -max_total_time="${1:-25}" -timeout=30 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/ \
    build-fuzz/corpus/dialog tests/fuzz/corpus/dialog >"$log" 2>&1 ||
    { tail -n 40 "$log" >&2; echo "fuzz_dialog failed; see $log and build-fuzz/artifacts/" >&2; exit 1; }
grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec)' "$log"
