# The picture of scripts/plot_arm.sh, drawn by `gnuplot -c`. Every value comes
# in as data, never as script text:
#   ARG1 the CSV file, ARG2 the PNG to write, ARG3 the first report's time,
#   ARG4 the title, ARG5 the column of the time (1: receive_time_us, 2: the
#   report's own timestamp), ARG6 its units in a second (1000000 or 1000), ARG7 the
#   gap line: 3x the median interval, in ms.
set terminal pngcairo size 1200,1200 font "sans,10" noenhanced
set output ARG2
set datafile separator comma
set datafile missing ""
set key outside right top
set grid
first = real(ARG3)
column_of_time = int(ARG5)
per_second = real(ARG6)
gap_ms = real(ARG7)
at(t) = (t - first) / per_second
set multiplot layout 3,1 title "Master arm, " . ARG4
set xlabel (column_of_time == 1 ? "time (s), as received" : "time (s), by the reports' timestamp")
set ylabel "joint angle (rad)"
plot for [i=7:12] ARG1 every ::1 using (at(column(column_of_time))):i with lines lw 1.5 title sprintf("angle %d", i - 7)
set ylabel "pose (m, rad)"
plot for [i=13:18] ARG1 every ::1 using (at(column(column_of_time))):i with lines lw 1.5 title sprintf("pose %d", i - 13)
# The rate a second, and the interval to the report before, gaps above the line.
set ylabel "reports per second"
set yrange [0:*]
set y2label "interval (ms)"
set y2range [0:*]
set y2tics
set ytics nomirror
previous = NaN
interval(t) = (gap = (t - previous) * 1000 / per_second, previous = t, gap)
plot ARG1 every ::1 using (floor(at(column(column_of_time)))):(1) smooth frequency with steps lw 1.5 title "rate", \
     ARG1 every ::1 using (at(column(column_of_time))):(interval(column(column_of_time))) axes x1y2 with impulses title "interval", \
     gap_ms axes x1y2 with lines dashtype 2 title "gap: 3x the median"
unset multiplot
