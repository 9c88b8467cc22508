#include "report/json_reports.h"


#include "console/hex_text.h"
#include "console/log.h"
#include "console/number_text.h"
#include "protojson/json_writer.h"

void JsonReports::report(const ArmReport& report, const FrameResult& frame) {
    held_ += "{\"receiveTimeNs\":\"";
    append_integer(held_, frame.complete_at_wall_us);
    held_ += "000\",\"report\":";
    JsonNotes notes;
    append_message_json(held_, MainArmStateMsg_fields, &report.record, notes);
    held_ += "}\n";
    if (notes.replaced_bytes > 0) {
        log_to(&notes_, "INFO",
               "--json: %zu bytes of the report at %lld us that are not UTF-8 were each replaced "
               "by U+FFFD\n",
               notes.replaced_bytes, static_cast<long long>(frame.complete_at_wall_us));
    }
}

void JsonReports::bad_frame(const FrameBuffer& bytes, const FrameResult& frame, Unpacked why) {
    // Our own words and hex digits: nothing in them to escape.
    const char* error = frame.kind == FrameResult::FRAMING_LOST ? "the framing was lost"
                        : why == Unpacked::WRONG_SIZE          ? "msg size err"
                                                               : "pb_decode failed";
    held_ += "{\"receiveTimeNs\":\"";
    append_integer(held_, frame.complete_at_wall_us);
    held_ += "000\",\"error\":\"";
    held_ += error;
    held_ += "\",\"hex\":\"";
    held_ += to_hex_text(bytes.data(), frame.length);
    held_ += "\"}\n";
}
