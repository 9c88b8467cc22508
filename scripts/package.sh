#!/bin/sh
# Build a Debian package of the seven programs, their manual pages and the
# README from a Release build, and print its path last.
#
# usage: scripts/package.sh [--shared]
#   The programs are linked statically, as they are measured (bench/RESULTS.md):
#   the package then depends on nothing. With --shared they use the system's
#   shared libraries and the package depends on them (dpkg-shlibdeps computes
#   the Depends field either way); they start about twice as slowly.
set -eu
cd "$(dirname "$0")/.."

case ${1:-} in
    "") dir=build-package static=ON ;;
    --shared) dir=build-package-shared static=OFF ;;
    *)
        echo "usage: scripts/package.sh [--shared]" >&2
        exit 255
        ;;
esac
scripts/setup.sh package
log=$dir.log
if ! scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DVOSTREL_TESTS=OFF \
    -DVOSTREL_STATIC=$static >"$log" 2>&1 || ! (cd "$dir" && cpack -G DEB) >>"$log" 2>&1; then
    cat "$log" >&2
    exit 1
fi
rm -f "$log"
ls "$PWD/$dir"/vostrel_*.deb | tail -n 1
