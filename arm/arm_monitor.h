// arm_monitor: the main arm's state reports, printed as they arrive.
#pragma once

// Send the all-zero request once, then print every report until the link
// falls silent for the receive time-out or is closed. A report that does not
// decode is dropped with its error lines. Returns the exit status: 0 when the
// link fell silent or closed; 2 when the request could not be sent or the
// report stream lost its framing (a header declaring an impossible length); 5
// when standard output failed (its reader gone): the watch ends at once.
int run_arm_monitor(int link);
