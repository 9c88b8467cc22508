// arm_console: one main-arm command per run, its answer decoded and printed
// (see one_shot/one_shot_console.h): "req type", then "id" or "success"
// (whichever came last), then "error" when its text is not empty. Exit
// statuses: 0 when the answer was printed; 2 when encoding, the write or the
// read failed or the answer failed the size check or did not decode; 4 when
// standard input ended before the command was complete (nothing sent); 255
// for a refused command line or typed request.
#pragma once

#include "arm.pb.h"
#include "arm/arm_reply.h"
#include "one_shot/one_shot_console.h"

extern const OneShotConsole<MainArmRequestMsg, ArmReply> ARM_CONSOLE;
