#!/bin/sh
# Set up, build, and run one tool against the two simulators on 127.0.0.1.
#
# usage: scripts/demo.sh [board_console | board_recorder [--keep-answers] |
#                         board_replay [OPTIONS] [FILE] | arm_console |
#                         arm_monitor [--csv FILE] [--live] |
#                         arm_monitor --record [FILE] |
#                         arm_monitor --serve [[ADDR:]PORT] [OPTIONS]]
# The tool runs in the current directory (board_recorder saves its record
# files there); board_console is the default. When the tool ends, the lines
# the simulator logged meanwhile are shown: it decodes every request by name.
# arm_monitor --live shows the arm moving: arm_sim then swings its joints;
# arm_monitor --record records that for five seconds and plays it back.
# arm_monitor --serve serves it to the viewers on ws://127.0.0.1:8765 until Ctrl-C.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)

case ${1:-} in
    -h | --help)
        sed -n '2,14s/^# \{0,1\}//p' "$0"
        exit 0
        ;;
esac

"$root/scripts/setup.sh"
# The same options as scripts/test.sh, so that one never rebuilds the other's tree.
echo "building Vostrel into $root/build (about a minute the first time) ..."
log=$(mktemp "${TMPDIR:-/tmp}/vostrel-build.XXXXXX")
if ! "$root/scripts/build.sh" "$root/build" -DVOSTREL_WERROR=ON >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    exit 1
fi
rm -f "$log"
exec "$root/scripts/run_with_sims.sh" "$root/build/bin" "$@"
