#!/bin/sh
# Builds the fuzz targets (clang, libFuzzer, ASan, UBSan) into build-fuzz/ and
# runs each for the given number of seconds (default 25), starting from the
# seed corpus in tests/fuzz/corpus. New inputs go to build-fuzz/corpus, not to
# the repository. Fails on the first crash, sanitizer report or time-out.
#   scripts/fuzz.sh            # the short run of the test command
#   scripts/fuzz.sh 1200       # twenty minutes per target
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-25}
cmake --preset fuzz
cmake --build --preset fuzz
for target in input dialog; do
    work=build-fuzz/corpus/$target
    mkdir -p "$work" build-fuzz/artifacts
    echo "fuzz_$target: $seconds s"
    # -timeout: one input may take at most 30 s (six runs under the
    # sanitizers take well under 1 s); -rss_limit_mb: generous for ASan.
    log=build-fuzz/fuzz_$target.log
    status=0
    ./build-fuzz/tests/fuzz/fuzz_$target -max_total_time="$seconds" -timeout=30 \
        -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/ \
        "$work" tests/fuzz/corpus/$target >"$log" 2>&1 || status=$?
    grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec)|ERROR|SUMMARY' "$log" || true
    if [ "$status" -ne 0 ]; then
        echo "fuzz_$target failed (status $status); see $log and build-fuzz/artifacts/" >&2
        tail -n 40 "$log" >&2
        exit 1
    fi
done
