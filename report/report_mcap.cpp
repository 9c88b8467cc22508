#include "report/report_mcap.h"

#include <cerrno>
#include <cstring>

#include "console/log.h"
#include "console/printable_text.h"
#include "proto/arm_descriptor.h"

ReportRecording::~ReportRecording() {
    finish();
}

bool ReportRecording::create(const std::string& path, const std::string& controller,
                             const std::string& library) {
    path_ = path;
    const McapChannelInfo channel{
        "MainArmStateMsg",
        std::string(reinterpret_cast<const char*>(ARM_DESCRIPTOR_SET), ARM_DESCRIPTOR_SET_SIZE),
        "/arm/state",
        {{"controller", controller}},
        library};
    if (file_.create(path, channel)) return true;
    const int error = file_.is_open() ? file_.error() : errno;
    log_error("cannot create MCAP file %s: %s\n", printable_text(path).c_str(),
              std::strerror(error));
    if (file_.is_open()) file_.discard();
    return false;
}

void ReportRecording::add(const FrameBuffer& frame, size_t length, int64_t received_us) {
    if (length < ARM_FRAME.header_size) return;
    file_.add(static_cast<uint64_t>(received_us) * 1000, frame.data() + ARM_FRAME.header_size,
              length - ARM_FRAME.header_size);
}

bool ReportRecording::finish(std::string* held) {
    if (!file_.is_open()) return true;
    if (file_.finish()) return true;
    log_to(held, "ERROR", "cannot write MCAP file %s: %s\n", printable_text(path_).c_str(),
           std::strerror(file_.error()));
    return false;
}
