#include "serve/answer_exchange.h"

#include <pb_decode.h>

#include "console/hex_text.h"
#include "console/log.h"
#include "link/frame_exchange.h"

bool decode_request(const FrameBuffer& frame, size_t length, FrameFormat format,
                    const pb_msgdesc_t* fields, void* record) {
    pb_istream_t stream =
        pb_istream_from_buffer(frame.data() + format.header_size, length - format.header_size);
    if (pb_decode(&stream, fields, record)) return true;
    log_error("undecodable request: %s\n", PB_GET_ERROR(&stream));
    return false;
}

bool send_answer(int client, const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                 bool show) {
    FrameBuffer frame{};
    FrameResult encoded = encode_frame(fields, record, format, frame);
    if (encoded.is_frame()) {
        if (show) log_info("answer: %s\n", to_hex_text(frame.data(), encoded.length).c_str());
        if (send_frame(client, frame.data(), encoded.length).is_frame()) return true;
    }
    log_error("%s\n", "the answer could not be sent");
    return false;
}
