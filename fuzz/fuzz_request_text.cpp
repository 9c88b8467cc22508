// Any text as a typed request (--request, --encode), of the signal board when
// the first byte is even and of the main arm when it is odd: every text that
// is read must encode, and written back on one line must read to a record
// that encodes to the same bytes; a refusal always says where and why.
#include <pb_encode.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "arm.pb.h"
#include "board.pb.h"
#include "prototext/text_reader.h"
#include "prototext/text_writer.h"

namespace {

template <typename Record>
void check(const pb_msgdesc_t* fields, const std::string& text) {
    Record record{};
    std::string error;
    if (!parse_text(text, fields, &record, error)) {
        if (error.rfind("line ", 0) != 0) __builtin_trap();
        return;
    }
    uint8_t first[2048], second[2048];
    pb_ostream_t out = pb_ostream_from_buffer(first, sizeof first);
    if (!pb_encode(&out, fields, &record)) __builtin_trap();
    Record again{};
    if (!parse_text(message_text(fields, &record), fields, &again, error)) __builtin_trap();
    pb_ostream_t out_again = pb_ostream_from_buffer(second, sizeof second);
    if (!pb_encode(&out_again, fields, &again)) __builtin_trap();
    if (out_again.bytes_written != out.bytes_written) __builtin_trap();
    for (size_t i = 0; i < out.bytes_written; ++i) {
        if (first[i] != second[i]) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        check<CleaningComponentRequest>(CleaningComponentRequest_fields, text);
    } else {
        check<MainArmRequestMsg>(MainArmRequestMsg_fields, text);
    }
    return 0;
}
