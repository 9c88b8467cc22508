#!/bin/sh
# Build a Debian package of the seven programs, their manual pages and the
# README from a Release build, and print its path last.
#
# usage: scripts/package.sh [BUILD_DIR]
#   The programs use the system's shared libraries, and the package depends on
#   their packages (dpkg-shlibdeps computes the Depends field), so that a
#   security fix in any of them reaches the programs. "--shared", which once
#   chose this, is still accepted. With BUILD_DIR, the package is made of that
#   tree as it is built (the test command packages build/ so as not to build
#   once more); without, of a Release build with Debian's flags.
set -eu
cd "$(dirname "$0")/.."

case ${1:-} in
    "" | --shared) dir=build-package ;;
    -*)
        echo "usage: scripts/package.sh [BUILD_DIR]" >&2
        exit 255
        ;;
    *)
        scripts/setup.sh package
        rm -f "$1"/vostrel_*.deb
        if ! (cd "$1" && cpack -G DEB) >"$1/package.log" 2>&1; then
            cat "$1/package.log" >&2
            exit 1
        fi
        ls "$(cd "$1" && pwd)"/vostrel_*.deb | tail -n 1
        exit 0
        ;;
esac
scripts/setup.sh package
# Debian's build flags, hardening included (fortified functions, a read-only
# relocation table bound at start).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CFLAGS CXXFLAGS LDFLAGS
log=$dir.log
if ! scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DVOSTREL_TESTS=OFF \
    >"$log" 2>&1 || ! (cd "$dir" && cpack -G DEB) >>"$log" 2>&1; then
    cat "$log" >&2
    exit 1
fi
rm -f "$log"
ls "$PWD/$dir"/vostrel_*.deb | tail -n 1
