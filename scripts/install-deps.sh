#!/bin/sh
# Installs the Debian packages that building, running and testing agvsim
# need, calling apt-get only when one of them is missing. Works as root and,
# for other users, through sudo.
set -eu

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

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
else
    SUDO="sudo"
fi
$SUDO apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
