#!/bin/sh
# Builds agvsim with its tests into build/ and runs every test.
set -eu
cd "$(dirname "$0")/.."
cmake --preset default
cmake --build --preset default
ctest --preset default
