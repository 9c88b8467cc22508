#!/bin/sh
# Install the Debian packages the build needs (as root), or say exactly what
# to install (otherwise). "scripts/setup.sh test" adds what the tests need:
# clang with its libFuzzer runtime for the fuzz run, util-linux's unshare and
# prlimit, dpkg-dev to build the package that the tests check and lintian to
# check it, tmux to run the live view in a real terminal, python3-protobuf
# for the tests that decode with the official library, jq that reads the JSON
# the tools print, and Node.js with npm
# for the official MCAP readers (@mcap/core, with @mcap/support's
# decompression and @mcap/nodejs's file access), which it installs, pinned,
# into tests/mcap_reader/node_modules, and the viewers' official WebSocket
# client (@foxglove/ws-protocol over ws), pinned into
# tests/viewer_client/node_modules; "scripts/setup.sh package" adds dpkg-dev
# alone. Safe to run again: installed packages are left alone.
set -eu
cd "$(dirname "$0")/.."

PACKAGES="cmake make g++ pkg-config libgtest-dev nanopb libnanopb-dev protobuf-compiler libyaml-cpp-dev nlohmann-json3-dev libncurses-dev libedit-dev libpugixml-dev libzstd-dev liblz4-dev zlib1g-dev libwebsocketpp-dev gnuplot-nox"
# The package needs dpkg-shlibdeps; the tests build and check it too.
case ${1:-} in
    package) PACKAGES="$PACKAGES dpkg-dev" ;;
    test)
        PACKAGES="$PACKAGES clang libclang-rt-14-dev util-linux dpkg-dev lintian tmux python3-protobuf jq nodejs"
        # Debian's npm, unless the Node.js installed brings its own.
        command -v npm >/dev/null 2>&1 || PACKAGES="$PACKAGES npm"
        ;;
esac

missing=""
for package in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "vostrel: these Debian packages are missing:$missing" >&2
        echo "install them as root with:" >&2
        echo "apt-get install -y --no-install-recommends $PACKAGES" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends $PACKAGES
fi

# The official MCAP readers, at the versions package-lock.json pins.
if [ "${1:-}" = test ]; then
    for module in core support nodejs; do
        if [ ! -d "tests/mcap_reader/node_modules/@mcap/$module" ]; then
            (cd tests/mcap_reader && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
            break
        fi
    done
    # The viewers' official client, at the versions its package-lock.json pins.
    for module in @foxglove/ws-protocol ws; do
        if [ ! -d "tests/viewer_client/node_modules/$module" ]; then
            (cd tests/viewer_client && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
            break
        fi
    done
fi
