// arm_monitor: the main arm's state reports, printed as they arrive.
#pragma once

class CsvFile;

// Send the all-zero request once, then print every report until the link
// falls silent for the receive time-out or is closed; with `csv`, each report
// printed is also a row of that file. A report that does not decode is
// dropped with its error lines. Returns the exit status: 0 when the link fell
// silent or closed; 2 when the request could not be sent or the report stream
// lost its framing (a header declaring an impossible length); 3 when the CSV
// file could not be written; 5 when standard output failed (its reader gone);
// 128 + the signal after Ctrl-C, SIGTERM or SIGHUP. The watch ends at once in
// each case, with everything formed written first.
int run_arm_monitor(int link, CsvFile* csv);
