#include "link/frame_words.h"

#include <pb_decode.h>

#include "board.pb.h"
#include "console/hex_text.h"
#include "link/frame.h"
#include "prototext/board_request_text.h"

std::string board_frame_words(const uint8_t* frame, size_t length) {
    if (length == 0) return "(no bytes)";
    if (length >= BOARD_FRAME.header_size) {
        CleaningComponentRequest request{};
        pb_istream_t stream = pb_istream_from_buffer(frame + BOARD_FRAME.header_size,
                                                     length - BOARD_FRAME.header_size);
        if (pb_decode(&stream, CleaningComponentRequest_fields, &request)) {
            return describe_request(request);
        }
    }
    return "hex " + to_hex_text(frame, length);
}
