#!/bin/sh
# Start both simulators on 127.0.0.1, run one tool against them, stop the
# simulators when the tool ends and show what the tool's simulator logged
# meanwhile (every request in words, every change); then remove the logs.
#
# usage: scripts/run_with_sims.sh BIN_DIR [TOOL [ARGS...]]
#   TOOL: board_console (default), board_recorder, board_replay [OPTIONS] [FILE],
#         arm_console, arm_monitor [--csv FILE] [--live], arm_monitor --record [FILE],
#         arm_monitor --serve [[ADDR:]PORT] [OPTIONS]
# board_replay plays FILE, or else the newest record_*.yaml here, with its
# options (--rate, --loop, --steps, --confirm, --answers, --expect).
# arm_monitor --live watches an arm that moves by itself (arm_sim --wave).
# arm_monitor --record records that arm for five seconds into FILE (a new
# arm_DATE_TIME.mcap here by default), then plays the recording back
# (arm_sim --play) into arm_monitor --live (or the plain monitor when this
# is no terminal).
# arm_monitor --serve serves that moving arm to the viewers on
# ws://127.0.0.1:8765 (or the port given) until Ctrl-C, with a line a second
# (--stats) on the terminal unless --live is given.
set -eu

bin=$1
shift
tool=${1:-board_console}
[ $# -gt 0 ] && shift

case $tool in
    board_console | board_recorder | board_replay | arm_console | arm_monitor) ;;
    *)
        echo "unknown tool: $tool" >&2
        echo "choose board_console, board_recorder, board_replay, arm_console or arm_monitor" >&2
        exit 255
        ;;
esac
# Whether the last argument names a file: not an option, nor an option's value.
names_file() {
    last="" before=""
    for argument in "$@"; do
        before=$last
        last=$argument
    done
    case $last in "" | -*) return 1 ;; esac
    case $before in --rate | --loop | --steps) return 1 ;; esac
    return 0
}
if [ "$tool" = board_replay ] && ! names_file "$@"; then
    newest=$(ls -t record_*.yaml 2>/dev/null | head -n 1 || true)
    if [ -z "$newest" ]; then
        echo "no record file here: record one with board_recorder, or name one" >&2
        exit 255
    fi
    set -- "$@" "$newest"
fi

. "$(dirname "$0")/simulator.sh"
logs=$(mktemp -d "${TMPDIR:-/tmp}/vostrel-demo.XXXXXX")
start_simulator "$bin/board_sim" "$logs/board_sim.log" --port 0
board_pid=$simulator_pid
wave=""
recording=""
if [ "$tool" = arm_monitor ]; then
    for argument in "$@"; do
        case $argument in --live | --record) wave=--wave ;; esac
    done
    if [ "${1:-}" = --record ]; then
        recording=${2:-arm_$(date +%Y%m%d_%H%M%S).mcap}
    fi
    serving="" shown=--stats last=""
    for argument in "$@"; do
        case $argument in
            --serve) wave=--wave serving=yes ;;
            --live | --stats) shown="" ;;
        esac
        last=$argument
    done
    if [ -n "$serving" ]; then
        [ "$last" = --serve ] && set -- "$@" 8765  # the viewers' usual port
        set -- "$@" $shown
    fi
fi
start_simulator "$bin/arm_sim" "$logs/arm_sim.log" --command-port 0 --report-port 0 $wave
arm_pid=$simulator_pid

play_pid=""
stop_simulators() {
    kill -INT "$board_pid" "$arm_pid" $play_pid 2>/dev/null || true
    wait "$board_pid" "$arm_pid" $play_pid 2>/dev/null || true
    rm -rf "$logs"
}
trap stop_simulators EXIT
trap 'exit 130' INT TERM

if ! board_port=$(simulator_port "$logs/board_sim.log" "board_sim") ||
    ! command_port=$(simulator_port "$logs/arm_sim.log" "arm_sim command port") ||
    ! report_port=$(simulator_port "$logs/arm_sim.log" "arm_sim report port"); then
    echo "the simulators did not start" >&2
    exit 1
fi

case $tool in
    arm_console) port=$command_port ;;
    arm_monitor) port=$report_port ;;
    *) port=$board_port ;;
esac
echo "vostrel demo: board_sim on 127.0.0.1:$board_port, arm_sim on 127.0.0.1:$command_port" \
    "(commands) and 127.0.0.1:$report_port (reports)"

if [ -n "$recording" ]; then
    echo "recording the arm for 5 s into $recording ..."
    timeout -s INT 5 "$bin/arm_monitor" --record "$recording" 127.0.0.1 "$port" >/dev/null || true
    start_simulator "$bin/arm_sim" "$logs/arm_play.log" --command-port 0 --report-port 0 \
        --play "$recording"
    play_pid=$simulator_pid
    port=$(simulator_port "$logs/arm_play.log" "arm_sim report port") || {
        cat "$logs/arm_play.log" >&2
        exit 1
    }
    echo "playing it back (arm_sim --play) on 127.0.0.1:$port"
    live=--live
    [ -t 1 ] || live=""
    status=0
    "$bin/arm_monitor" $live 127.0.0.1 "$port" || status=$?
    echo
    echo "--- what the player logged ---"
    cat "$logs/arm_play.log"
    exit $status
fi

case $tool in
    arm_*) sim=arm_sim ;;
    *) sim=board_sim ;;
esac
before=$(wc -l <"$logs/$sim.log")
if [ -n "${serving:-}" ]; then
    echo "open a viewer (Foxglove: Open connection, Foxglove WebSocket) on the ws:// address" \
        "that arm_monitor prints below; Ctrl-C ends it"
fi
status=0
"$bin/$tool" 127.0.0.1 "$port" "$@" || status=$?
sleep 0.2  # the simulator's last lines
echo
echo "--- what $sim logged meanwhile ---"
tail -n +$((before + 1)) "$logs/$sim.log"
exit $status
