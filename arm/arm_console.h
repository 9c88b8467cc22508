// arm_console: one main-arm command per run, its answer decoded and printed.
#pragma once

#include "arm.pb.h"

// Walk the menu once (or take `typed`, a request typed with --request,
// without showing the menu), send the request in a main-arm frame and print the
// answer: "req type", then "id" or "success" (whichever came last), then
// "error" when its text is not empty. Returns the exit status: 0 when the
// answer was printed; 2 when encoding, the write or the read failed or the
// answer failed the size check or did not decode; 4 when standard input ended
// before the command was complete (nothing sent).
int run_arm_console(int link, const MainArmRequestMsg* typed);
