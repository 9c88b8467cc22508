// Requests typed in the text format, each with the payload the official
// protocol-buffers library encodes for the same text (protoc --encode): every
// form the text reader takes. The JSON tests type each again as JSON.
#pragma once

#include <vector>

struct RequestText {
    bool is_arm;  // a MainArmRequestMsg, else a CleaningComponentRequest
    const char* text;
    const char* payload;  // hex
};

extern const std::vector<RequestText> REQUEST_TEXTS;
