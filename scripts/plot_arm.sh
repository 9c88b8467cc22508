#!/bin/sh
# Draw the master arm's joints from a CSV file of arm_monitor --csv: two
# panels over time, in seconds from the first report, the six joint angles
# above and the six poses below.
#
# usage: scripts/plot_arm.sh FILE.csv [OUT.png]   (default OUT: FILE.png beside FILE.csv)
# Needs gnuplot (Debian's gnuplot-nox; scripts/setup.sh installs it).
#
# The file's contents and both names reach gnuplot only as data (the arguments
# of plot_arm.gp), never as script text. The picture is drawn into a
# temporary file beside OUT and moved into place whole.
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
# A name as the messages show it: control characters and other bytes outside
# printable ASCII as octal escapes, so that no name can drive the terminal.
shown() { printf '%s\n' "$1" | LC_ALL=C sed -n 'l 0' | sed 's/\$$//'; }
# gnuplot takes a name that starts with "<" or "|" for a command and "-" for
# inline data: give it names that start with "/" or "./".
case $csv in /*) plot_csv=$csv ;; *) plot_csv=./$csv ;; esac
case $out in /*) plot_out=$out ;; *) plot_out=./$out ;; esac

if [ ! -f "$plot_csv" ] || [ ! -r "$plot_csv" ]; then
    printf '%s\n' "plot_arm: cannot read $(shown "$csv")" >&2
    exit 3
fi
if ! command -v gnuplot >/dev/null 2>&1; then
    printf '%s\n' "plot_arm: gnuplot is missing (apt-get install gnuplot-nox)" >&2
    exit 1
fi
# The first report's receive time (second line, first cell) is time zero.
first=$(sed -n '2{s/,.*//;p;q}' <"$plot_csv")
case $first in
    "")
        printf '%s\n' "plot_arm: $(shown "$csv") holds no report" >&2
        exit 3
        ;;
    *[!0-9]*)
        printf '%s\n' "plot_arm: $(shown "$csv") is not a CSV file of arm_monitor: its first report's time is not a number" >&2
        exit 3
        ;;
esac
reports=$(awk -F, 'NR > 1 && $1 ~ /^[0-9]+$/ { n++ } END { print n + 0 }' <"$plot_csv")
if [ "$reports" -lt 2 ]; then
    printf '%s\n' "plot_arm: $(shown "$csv") holds one report: no motion over time to draw" >&2
    exit 3
fi

picture=$(mktemp "$(dirname -- "$plot_out")/.plot_arm.XXXXXX")
trap 'rm -f -- "$picture"' EXIT
chmod "$(printf '%o' $((0666 & ~0$(umask))))" "$picture"  # as a new file gets it
trap 'exit 130' INT
trap 'exit 143' TERM
if ! gnuplot -c "$(dirname -- "$0")/plot_arm.gp" "$plot_csv" "$picture" "$first" "$(basename -- "$csv")"; then
    printf '%s\n' "plot_arm: gnuplot could not draw $(shown "$csv")" >&2
    exit 1
fi
mv -f -- "$picture" "$plot_out"
trap - EXIT
shown "$out"
