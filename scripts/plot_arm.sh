#!/bin/sh
# Draw the master arm's joints from a CSV file of arm_monitor --csv, or from
# a recording of arm_monitor --record: three panels over time, in seconds
# from the first report, the six joint angles, the six poses, and the rate a
# second with the interval to the report before (a dashed line at 3x the
# median interval: the gaps stand above it).
#
# usage: scripts/plot_arm.sh [--timestamp] FILE.csv|FILE.mcap [OUT.png]
#   (default OUT: FILE.png beside FILE)
#   --timestamp  time by the reports' own timestamp (the controller's clock),
#                not by when they came: for a CSV of a --rate max playback
# A recording is played (arm_sim --play FILE --rate max, on 127.0.0.1) into
# arm_monitor --csv first, and timed by the reports' timestamp. Needs gnuplot
# (Debian's gnuplot-nox; scripts/setup.sh installs it).
#
# The file's contents and both names reach gnuplot only as data (the arguments
# of plot_arm.gp), never as script text. The picture is drawn into a
# temporary file beside OUT and moved into place whole.
set -eu

by_stamp=no
[ "${1:-}" = --timestamp ] && by_stamp=yes && shift
case ${1:-} in
    -h | --help | "")
        echo "usage: scripts/plot_arm.sh [--timestamp] FILE.csv|FILE.mcap [OUT.png]" >&2
        [ -n "${1:-}" ] && exit 0
        exit 255
        ;;
esac
csv=$1
case $csv in *.mcap) out=${2:-${csv%.mcap}.png} ;; *) out=${2:-${csv%.csv}.png} ;; esac
# A name as the messages show it: control characters and other bytes outside
# printable ASCII as octal escapes, so that no name can drive the terminal.
shown() { printf '%s\n' "$1" | LC_ALL=C sed -n 'l 0' | sed 's/\$$//'; }
here=$(dirname -- "$0")
work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT

# A recording: its reports as CSV rows, through the two programs (those of
# build/bin beside this script, else those on the PATH).
case $csv in
    *.mcap)
        bin=$here/../build/bin
        [ -x "$bin/arm_sim" ] || bin=$(dirname -- "$(command -v arm_sim || echo /usr/bin/arm_sim)")
        . "$here/simulator.sh"
        start_simulator "$bin/arm_sim" "$work/sim.log" --command-port 0 --report-port 0 \
            --play "$csv" --rate max
        if ! port=$(simulator_port "$work/sim.log" "arm_sim report port"); then
            kill "$simulator_pid" 2>/dev/null || true
            printf '%s\n' "plot_arm: cannot play $(shown "$csv"):" >&2
            sed -n 's/.*\[ERROR\] //p' "$work/sim.log" >&2
            exit 3
        fi
        "$bin/arm_monitor" --csv "$work/arm.csv" 127.0.0.1 "$port" >/dev/null || true
        kill -INT "$simulator_pid" 2>/dev/null || true
        wait "$simulator_pid" 2>/dev/null || true
        recording=$csv
        csv=$work/arm.csv
        by_stamp=yes
        ;;
esac
name=${recording:-$csv}  # as the messages and the title name it
case $csv in /*) plot_csv=$csv ;; *) plot_csv=./$csv ;; esac
case $out in /*) plot_out=$out ;; *) plot_out=./$out ;; esac

if [ ! -f "$plot_csv" ] || [ ! -r "$plot_csv" ]; then
    printf '%s\n' "plot_arm: cannot read $(shown "$name")" >&2
    exit 3
fi
if ! command -v gnuplot >/dev/null 2>&1; then
    printf '%s\n' "plot_arm: gnuplot is missing (apt-get install gnuplot-nox)" >&2
    exit 1
fi
# The first report's time (second line, first or second cell) is time zero.
column=1 per_second=1000000
[ $by_stamp = yes ] && column=2 per_second=1000
first=$(awk -F, -v c=$column 'NR == 2 { print $c; exit }' <"$plot_csv")
case $first in
    "")
        printf '%s\n' "plot_arm: $(shown "$name") holds no report" >&2
        exit 3
        ;;
    *[!0-9]*)
        printf '%s\n' "plot_arm: $(shown "$name") is not a CSV file of arm_monitor: its first report's time is not a number" >&2
        exit 3
        ;;
esac
reports=$(awk -F, -v c=$column 'NR > 1 && $c ~ /^[0-9]+$/ { n++ } END { print n + 0 }' <"$plot_csv")
if [ "$reports" -lt 2 ]; then
    printf '%s\n' "plot_arm: $(shown "$name") holds one report: no motion over time to draw" >&2
    exit 3
fi

# The gap line: 3x the median interval between reports, in ms.
gap=$(awk -F, -v c=$column -v unit=$per_second 'NR > 1 && $c ~ /^[0-9]+$/ {
          if (n++) print ($c - last) * 1000 / unit; last = $c }' <"$plot_csv" |
      sort -g | awk '{ v[NR] = $1 } END { print 3 * v[int((NR + 1) / 2)] }')

picture=$(mktemp "$(dirname -- "$plot_out")/.plot_arm.XXXXXX")
trap 'rm -f -- "$picture"; rm -rf -- "$work"' EXIT
chmod "$(printf '%o' $((0666 & ~0$(umask))))" "$picture"  # as a new file gets it
trap 'exit 130' INT
trap 'exit 143' TERM
title=$(basename -- "$name")
if ! gnuplot -c "$here/plot_arm.gp" "$plot_csv" "$picture" "$first" "$title" "$column" \
    "$per_second" "$gap"; then
    printf '%s\n' "plot_arm: gnuplot could not draw $(shown "$name")" >&2
    exit 1
fi
mv -f -- "$picture" "$plot_out"
trap 'rm -rf -- "$work"' EXIT
shown "$out"
