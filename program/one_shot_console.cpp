#include "program/one_shot_console.h"

#include "link/frame_exchange.h"

FrameResult exchange_once(int link, const pb_msgdesc_t* fields, const void* request,
                          FrameFormat format, FrameBuffer& answer_frame) {
    FrameBuffer frame{};
    FrameResult sent = send_request(link, fields, request, format, frame);
    if (!sent.is_frame()) return sent;
    FrameStream answers(link, format);
    return receive_reply(answers, answer_frame);
}
