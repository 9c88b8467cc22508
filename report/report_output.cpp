#include "report/report_output.h"

#include "console/exit_status.h"

int watch_status(WatchEnd end) {
    switch (end.reason) {
        case WatchEnd::INTERRUPTED:
            return interrupt_status();
        case WatchEnd::FILE_FAILED:
            return STATUS_RECORD_FILE_FAILED;
        case WatchEnd::OUTPUT_FAILED:
            return STATUS_OUTPUT_FAILED;
        case WatchEnd::FRAMING_LOST:
            return STATUS_EXCHANGE_FAILED;
        default:
            return STATUS_OK;
    }
}

std::string link_end_words(WatchEnd::Reason reason, int timeout_seconds) {
    switch (reason) {
        case WatchEnd::CLOSED:
            return "the arm closed the link";
        case WatchEnd::SILENT:
            return "the link was silent for " + std::to_string(timeout_seconds) + " s";
        case WatchEnd::LINK_FAILED:
            return "the link failed";
        case WatchEnd::FRAMING_LOST:
            return "the framing was lost";
        default:
            return "";
    }
}

bool is_link_end(WatchEnd::Reason reason) {
    return reason == WatchEnd::CLOSED || reason == WatchEnd::SILENT ||
           reason == WatchEnd::LINK_FAILED;
}

FrameResult link_end_result(WatchEnd::Reason reason) {
    return {reason == WatchEnd::CLOSED ? FrameResult::CLOSED : FrameResult::FAILED, 0};
}
