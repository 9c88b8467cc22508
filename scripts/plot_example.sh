#!/bin/sh
# Make the README's example picture: arm_monitor --csv watches arm_sim --wave
# for five seconds while its joints swing, each at its own pace, then
# scripts/plot_arm.sh draws the joints. Everything on 127.0.0.1.
#
# usage: scripts/plot_example.sh [BIN_DIR] [OUT.png]   (defaults: build/bin, docs/arm_joints.png)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/bin}
out=${2:-$root/docs/arm_joints.png}

work=$(mktemp -d "${TMPDIR:-/tmp}/vostrel-plot.XXXXXX")
sim=""
monitor=""
cleanup() {
    for pid in $monitor $sim; do kill -INT "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

. "$root/scripts/simulator.sh"
start_simulator "$bin/arm_sim" "$work/sim.log" --command-port 0 --report-port 0 --rate 100 --wave
sim=$simulator_pid
if ! reports=$(simulator_port "$work/sim.log" "arm_sim report port"); then
    echo "arm_sim did not start" >&2
    exit 1
fi

"$bin/arm_monitor" --csv "$work/arm.csv" 127.0.0.1 "$reports" >/dev/null &
monitor=$!
sleep 5
kill -INT "$monitor"
wait "$monitor" || true
monitor=""
"$root/scripts/plot_arm.sh" "$work/arm.csv" "$out"
