#!/bin/sh
# Draw the master arm's joints from a CSV file of arm_monitor --csv: two
# panels over time, in seconds from the first report, the six joint angles
# above and the six poses below.
#
# usage: scripts/plot_arm.sh FILE.csv [OUT.png]   (default OUT: FILE.png beside FILE.csv)
# Needs gnuplot (Debian's gnuplot-nox; scripts/setup.sh installs it).
set -eu

case ${1:-} in
    -h | --help | "")
        echo "usage: scripts/plot_arm.sh FILE.csv [OUT.png]" >&2
        [ -n "${1:-}" ] && exit 0
        exit 255
        ;;
esac
csv=$1
out=${2:-${csv%.csv}.png}
if [ ! -r "$csv" ]; then
    echo "plot_arm: cannot read $csv" >&2
    exit 3
fi
if ! command -v gnuplot >/dev/null 2>&1; then
    echo "plot_arm: gnuplot is missing (apt-get install gnuplot-nox)" >&2
    exit 1
fi
# The first report's receive time (second line, first column) is time zero.
first=$(sed -n '2{s/,.*//;p;q}' "$csv")
if [ -z "$first" ]; then
    echo "plot_arm: $csv holds no report" >&2
    exit 3
fi

gnuplot <<GNUPLOT
set terminal pngcairo size 1200,900 font "sans,10"
set output "$out"
set datafile separator comma
set datafile missing ""
set key outside right top
set grid
set multiplot layout 2,1 title "Master arm, $(basename "$csv")"
set ylabel "joint angle (rad)"
set xlabel "time (s)"
plot for [i=7:12] "$csv" every ::1 using ((\$1 - $first) / 1e6):i with lines lw 1.5 title sprintf("angle %d", i - 7)
set ylabel "pose (m, rad)"
plot for [i=13:18] "$csv" every ::1 using ((\$1 - $first) / 1e6):i with lines lw 1.5 title sprintf("pose %d", i - 13)
unset multiplot
GNUPLOT
echo "$out"
