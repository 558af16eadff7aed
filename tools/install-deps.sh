#!/bin/sh
# Installs the Debian packages the build and the tests need, when any is missing.
# Runs as root on a fresh Debian 12 machine; does nothing when everything is present.
# mingw-w64 compiles the resource script for both platforms and builds the Windows program.
set -e
PACKAGES="cmake ninja-build g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libfreetype-dev libfontconfig-dev fonts-nanum ccache libsdl2-dev xvfb xdotool openbox imagemagick x11-utils binutils-mingw-w64 g++-mingw-w64 libmagickwand-6.q16-dev"
# Extra packages for one target (the fuzzers' clang) come as arguments.
PACKAGES="$PACKAGES $*"
# The manual pages are built with the rest, and checked with man.
PACKAGES="$PACKAGES scdoc man-db"
missing=""
for p in $PACKAGES; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "velta: installing$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q $missing
