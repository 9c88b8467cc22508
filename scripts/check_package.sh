#!/bin/sh
# Check a package made by scripts/package.sh without touching the machine's
# own packages: lintian must report no error and no warning; extract it into
# a scratch root, run every program's --version from there, find the manual
# pages, the README, the copyright file and the changelog, and make one
# exchange of the extracted board_console with the extracted board_sim on
# 127.0.0.1. Where apt-get is, it also simulates the installation.
#
# usage: scripts/check_package.sh PACKAGE.deb
set -eu
deb=$1
version=$(dpkg-deb -f "$deb" Version)
root=$(mktemp -d "${TMPDIR:-/tmp}/vostrel-package.XXXXXX")
sim=""
cleanup() {
    if [ -n "$sim" ]; then
        kill -INT "$sim" 2>/dev/null || true
        wait "$sim" 2>/dev/null || true
    fi
    rm -rf "$root"
}
trap cleanup EXIT
fail() {
    echo "check_package: $*" >&2
    exit 1
}

command -v lintian >/dev/null 2>&1 || fail "lintian is missing (scripts/setup.sh test installs it)"
lintian --fail-on error,warning "$deb" >"$root/lintian.log" 2>&1 ||
    fail "lintian: $(grep -E '^[EW]: ' "$root/lintian.log" || cat "$root/lintian.log")"
[ -n "$(dpkg-deb -f "$deb" Depends)" ] || fail "the package has no Depends"

dpkg-deb -x "$deb" "$root"
programs="board_console board_recorder board_replay arm_console arm_monitor board_sim arm_sim"
[ "$(ls "$root/usr/bin" | sort | tr '\n' ' ')" = "arm_console arm_monitor arm_sim board_console board_recorder board_replay board_sim " ] ||
    fail "usr/bin holds $(ls "$root/usr/bin" | tr '\n' ' ')"
for program in $programs; do
    line=$("$root/usr/bin/$program" --version)
    case $line in
        "$program $version"*) ;;
        *) fail "$program --version said: $line" ;;
    esac
    [ -s "$root/usr/share/man/man1/$program.1.gz" ] || fail "no manual page for $program"
done
for doc in README.md copyright changelog.gz; do
    [ -s "$root/usr/share/doc/vostrel/$doc" ] || fail "no $doc"
done
# The schemas, as the manual pages show them used: protoc decodes an answer.
for schema in board arm; do
    [ -s "$root/usr/share/vostrel/proto/$schema.proto" ] || fail "no $schema.proto"
done
if command -v protoc >/dev/null 2>&1; then
    decoded=$(printf '\010\001\022\007\012\005V1.00' |
        protoc --decode=CleaningComponentResponse -I"$root/usr/share/vostrel/proto" board.proto) ||
        fail "protoc could not decode with the installed board.proto"
    echo "$decoded" | grep -q 'version: "V1.00"' || fail "protoc decoded: $decoded"
fi

. "$(dirname "$0")/simulator.sh"
start_simulator "$root/usr/bin/board_sim" "$root/board_sim.log" --port 0
sim=$simulator_pid
port=$(simulator_port "$root/board_sim.log" "board_sim") || fail "the extracted board_sim did not start"
answer=$(printf '0\n0\n' | "$root/usr/bin/board_console" 127.0.0.1 "$port") ||
    fail "board_console ended with status $?"
echo "$answer" | grep -q "version: VOSTREL-SIM" || fail "board_console printed: $answer"

if command -v apt-get >/dev/null 2>&1; then
    apt-get install --simulate "$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")" >"$root/apt.log" 2>&1 ||
        fail "apt-get would not install it: $(tail -n 3 "$root/apt.log")"
fi
echo "package $(basename "$deb") checked: 7 programs, their manual pages, the schemas, one exchange"
