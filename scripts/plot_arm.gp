# The picture of scripts/plot_arm.sh, drawn by `gnuplot -c`. Every value comes
# in as data, never as script text:
#   ARG1 the CSV file, ARG2 the PNG to write, ARG3 the first report's
#   receive time in microseconds (digits only), ARG4 the title.
set terminal pngcairo size 1200,900 font "sans,10" noenhanced
set output ARG2
set datafile separator comma
set datafile missing ""
set key outside right top
set grid
first = real(ARG3)
set multiplot layout 2,1 title "Master arm, " . ARG4
set ylabel "joint angle (rad)"
set xlabel "time (s)"
plot for [i=7:12] ARG1 every ::1 using (($1 - first) / 1e6):i with lines lw 1.5 title sprintf("angle %d", i - 7)
set ylabel "pose (m, rad)"
plot for [i=13:18] ARG1 every ::1 using (($1 - first) / 1e6):i with lines lw 1.5 title sprintf("pose %d", i - 13)
unset multiplot
