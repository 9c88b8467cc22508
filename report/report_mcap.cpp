#include "report/report_mcap.h"

#include <cerrno>
#include <cstring>

#include "console/log.h"
#include "console/printable_text.h"
#include "proto/arm_descriptor.h"

const char RECORDING_METADATA[] = "vostrel";
const char UNDECODABLE_KEY[] = "undecodable";

bool ReportRecording::create(const std::string& path, const std::string& controller,
                             const std::string& library, McapCompression compression) {
    path_ = path;
    const McapChannelInfo channel{
        ARM_STATE_SCHEMA,
        std::string(reinterpret_cast<const char*>(ARM_DESCRIPTOR_SET), ARM_DESCRIPTOR_SET_SIZE),
        ARM_STATE_TOPIC,
        {{"controller", controller}},
        library};
    if (file_.create(path, channel, compression)) return true;
    const int error = file_.is_open() ? file_.error() : errno;
    log_error("cannot create MCAP file %s: %s\n", printable_text(path).c_str(),
              std::strerror(error));
    if (file_.is_open()) file_.discard();
    return false;
}

void ReportRecording::frame(const FrameBuffer& bytes, const FrameResult& frame) {
    if (frame.length < ARM_FRAME.header_size || file_.failed()) return;
    file_.add(static_cast<uint64_t>(frame.complete_at_wall_us) * 1000,
              bytes.data() + ARM_FRAME.header_size, frame.length - ARM_FRAME.header_size);
    ++frames_;
}

WatchEnd::Reason ReportRecording::end() const {
    return file_.failed() ? WatchEnd::FILE_FAILED : WatchEnd::NONE;
}

bool ReportRecording::finish() {
    if (!file_.is_open()) return !file_.failed();
    file_.set_metadata(RECORDING_METADATA, {{UNDECODABLE_KEY, std::to_string(undecodable_)}});
    if (!file_.finish()) {
        log_to(&held_, "ERROR", "cannot write MCAP file %s: %s\n", printable_text(path_).c_str(),
               std::strerror(file_.error()));
        return false;
    }
    log_to(&held_, "INFO", "%llu reports in %s\n", static_cast<unsigned long long>(frames_),
           printable_text(path_).c_str());
    return true;
}
