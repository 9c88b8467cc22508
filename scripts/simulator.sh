# Sourced by the scripts that start a simulator (the demo, the package check,
# the plot example): start_simulator starts one on 127.0.0.1 with its ports
# chosen by the system, and simulator_port reads a port from its log.
#
#   start_simulator PROGRAM LOG [ARGS...]   # starts it; its pid is in $simulator_pid
#   port=$(simulator_port LOG WHAT)         # WHAT: "board_sim", "arm_sim command port", ...
#
# simulator_port waits up to ten seconds for the line "WHAT listening on
# 127.0.0.1:PORT" and prints PORT; it fails, printing nothing, when none came.

start_simulator() {
    _program=$1
    _log=$2
    shift 2
    "$_program" "$@" >"$_log" 2>&1 &
    simulator_pid=$!
}

simulator_port() {
    _tries=0
    while [ $_tries -lt 100 ]; do
        _port=$(sed -n "s/.*$2 listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p" "$1" 2>/dev/null | head -n 1)
        if [ -n "$_port" ]; then
            echo "$_port"
            return 0
        fi
        sleep 0.1
        _tries=$((_tries + 1))
    done
    return 1
}
