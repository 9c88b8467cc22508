// Saving a recording: a new record file (see record_format.h), whole or not
// at all, never over another.
#pragma once

#include <string>

#include "record/record_format.h"

// Write the recording's text, as record_text() forms it or as the recorder
// forms it entry by entry (the entry texts joined by line breaks), to a new
// record file and log "save actions to %s". On failure logs an ERROR line
// naming the path and the reason, prints the text on standard output and
// returns false.
bool save_record_text(const std::string& text);
