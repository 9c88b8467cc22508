#!/bin/sh
# Make the README's picture of arm_monitor --live: the demo
# (scripts/run_with_sims.sh BIN_DIR arm_monitor --live) runs in a tmux
# terminal of 80 x 24 of its own for six seconds; the pane as tmux captures
# it is then drawn as a PNG by gnuplot, character by character in DejaVu Sans
# Mono. Everything on 127.0.0.1.
#
# usage: scripts/screenshot_live.sh [BIN_DIR] [OUT.png]   (defaults: build/bin, docs/arm_monitor_live.png)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/bin}
out=${2:-$root/docs/arm_monitor_live.png}

for needed in tmux gnuplot; do
    if ! command -v "$needed" >/dev/null 2>&1; then
        echo "screenshot_live: $needed is missing (scripts/setup.sh test installs it)" >&2
        exit 1
    fi
done
work=$(mktemp -d "${TMPDIR:-/tmp}/vostrel-screenshot.XXXXXX")
tmux="tmux -u -S $work/tmux"
cleanup() {
    $tmux kill-server 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

$tmux -f /dev/null new-session -d -x 80 -y 24 \
    "env LC_ALL=C.UTF-8 '$root/scripts/run_with_sims.sh' '$bin' arm_monitor --live"
sleep 6
$tmux capture-pane -p -t 0 >"$work/pane.txt"
if ! grep -q '^keys: q quit' "$work/pane.txt"; then
    echo "screenshot_live: the view did not come up; the pane showed:" >&2
    cat "$work/pane.txt" >&2
    exit 1
fi

# One label per line of the pane, in gnuplot's single quotes ('' is a quote).
LC_ALL=C.UTF-8 awk '
    BEGIN {
        print "set terminal pngcairo size 820,500 font \"DejaVu Sans Mono,11\" background \"#1d1f21\""
        print "set output \"" ARGV[2] "\""
        print "unset border; unset tics; unset key"
        print "set margins 0,0,0,0"
        print "set xrange [0:820]; set yrange [0:500]"
        ARGC = 2
    }
    {
        gsub("\047", "\047\047")
        printf "set label %d \047%s\047 at 10,%d left textcolor rgb \"#d7dae0\" noenhanced\n", NR, $0, 500 - 10 - NR * 20
    }
    END { print "plot -1 notitle" }
' "$work/pane.txt" "$out" >"$work/screen.gp"
gnuplot "$work/screen.gp"
echo "$out"
