// Saving a recording: a new record file (see record_format.h), whole or not
// at all, never over another.
#pragma once

#include <string>
#include <vector>

#include "record/record_format.h"

// Write the recording to a new record file and log "save actions to %s".
// On failure logs an ERROR line naming the path and the reason, prints the
// recording's YAML text on standard output and returns false.
bool save_actions(const std::vector<Action>& actions);

// The same for the recording's text as record_text() forms it, or as the
// recorder forms it entry by entry (the entry texts joined by line breaks),
// so that a long recording is not formed again at its end.
bool save_record_text(const std::string& text);
