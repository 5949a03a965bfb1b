#!/bin/sh
# Builds agvsim and runs every test: the page (WebAssembly) in build-web/,
# whose browser tests run with the normal build's suite in build/; the same
# suite built with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/; and a short run of the fuzz target in build-fuzz/.
set -eu
cd "$(dirname "$0")/.."
cmake --preset web
cmake --build --preset web
cmake --preset default
cmake --build --preset default
ctest --preset default
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
scripts/fuzz.sh 25
