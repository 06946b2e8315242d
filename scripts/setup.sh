#!/bin/sh
# Installs the Debian packages the build, the tests and the tool need, when they are missing
# (poppler-utils: the printing tests turn their PDF pages into pictures with pdftoppm;
# python3-pyvisa, python3-pyvisa-py and python3-pymeasure: the command server and the Python driver
# are tested with real instrument clients;
# pkg-config, libftdi1-dev and libgpiod-dev: the USB bit-bang adapter and GPIO chip backends;
# sigrok-cli: the traces are decoded with the project's protocol decoder as a user would;
# qt6-svg-dev: the desktop icon is drawn as SVG by the logo's own code;
# libqcustomplot-dev: the loop designer's plots;
# umockdev and libumockdev-dev: the device tests emulate the USB adapter and the parallel port).
# Usage: scripts/setup.sh [extra packages...]
set -eu

packages="cmake ninja-build g++ ccache qt6-base-dev qt6-base-private-dev libgl-dev libgtest-dev libbenchmark-dev fonts-dejavu-core poppler-utils python3-pyvisa python3-pyvisa-py python3-pymeasure pkg-config libftdi1-dev libgpiod-dev sigrok-cli qt6-svg-dev libqcustomplot-dev umockdev libumockdev-dev $*"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "Installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
