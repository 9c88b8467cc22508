#!/bin/sh
# Set up, build, and run one tool against the two simulators on 127.0.0.1.
#
# usage: scripts/demo.sh [board_console | board_recorder | board_replay [FILE] |
#                         arm_console | arm_monitor]
# The tool runs in the current directory (board_recorder saves its record
# files there); board_console is the default.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
echo "building Vostrel into $root/build ..."
"$root/scripts/build.sh" build >"${TMPDIR:-/tmp}/vostrel-build.log" 2>&1 || {
    cat "${TMPDIR:-/tmp}/vostrel-build.log" >&2
    exit 1
}
exec "$root/scripts/run_with_sims.sh" "$root/build/bin" "$@"
