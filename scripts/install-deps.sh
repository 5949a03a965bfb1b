#!/bin/sh
# Installs the Debian packages that building, running and testing agvsim
# need, calling apt-get only when one of them is missing, then the browser
# tests' accessibility engine axe-core from npm at one pinned version into
# tests/node_modules (a test dependency only: nothing of it is in the page),
# calling npm only when that version is not there. Works as root and, for
# other users, through sudo (apt-get only).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
AXE_VERSION=4.14.1

PACKAGES="
cmake
make
g++
libglut-dev
libgl-dev
libx11-dev
libgtest-dev
libbenchmark-dev
libeigen3-dev
xvfb
xauth
xdotool
x11-utils
x11-apps
libxtst-dev
clang
libclang-rt-14-dev
pybind11-dev
python3-dev
python3-numpy
python3-matplotlib
python3-pytest
python3-pexpect
emscripten
chromium
chromium-driver
python3-selenium
fonts-ipafont-gothic
fonts-liberation
dpkg-dev
file
"
# npm comes with some builds of Node.js; Debian's Node.js needs its package.
command -v npm >/dev/null 2>&1 || PACKAGES="$PACKAGES npm"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing="$missing $p"
    fi
done

if [ -n "$missing" ]; then
    echo "Installing:$missing"
    if [ "$(id -u)" -eq 0 ]; then
        SUDO=""
    else
        SUDO="sudo"
    fi
    $SUDO apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi

axe_json="$ROOT/tests/node_modules/axe-core/package.json"
installed=$(sed -n 's/^  "version": "\(.*\)",$/\1/p' "$axe_json" 2>/dev/null || true)
if [ "$installed" != "$AXE_VERSION" ]; then
    echo "Installing axe-core@$AXE_VERSION into tests/node_modules"
    npm install --prefix "$ROOT/tests" --no-save --no-package-lock --no-audit --no-fund \
        "axe-core@$AXE_VERSION"
fi
