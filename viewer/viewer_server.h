// arm_monitor --serve [ADDR:]PORT, an output of the watch (report_output.h):
// the arm's reports, live, to the field's viewers over their WebSocket
// protocol (viewer_messages.h, viewer_control.h), MAX_VIEWERS at once.
//
// It has no thread and never waits: the watch's one wait drives it.
//   - add_waits(): the listener (POLLIN) and each viewer's socket (POLLIN,
//     and POLLOUT only while bytes wait for it); woken(): a viewer taken in,
//     what each sent answered, what waits for each written as its socket
//     takes it.
//   - frame() and report(): each report that decodes, as message data, to
//     every subscribed viewer, written to its socket at once or with the
//     next within WRITES_APART (queued where the socket is full; a full
//     queue drops, viewer_client.h).
//   - write_due() and next_due(): what was held for a viewer, when no
//     report came to take it along; a handshake not complete within 10 s and
//     a close not complete within 2 s end that viewer; a drop warning waits
//     for room in its queue and a second since the last.
//   - finish(): each viewer gets a normal close (1000), and what its socket
//     takes of it within a quarter of a second; then its socket is closed.
// A viewer that breaks the protocol, closes or fails ends alone; one past
// MAX_VIEWERS is answered 503. Nothing a viewer sends reaches the arm.
//
// Its lines go into the watch's held lines ("viewer 127.0.0.1:41234
// connected", "viewer 127.0.0.1:41234 left: 1200 messages sent, 0 dropped");
// `quiet` (the live view holds the terminal) keeps them for finish().
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "program/command_line.h"
#include "report/report_output.h"
#include "viewer/viewer_client.h"

constexpr size_t MAX_VIEWERS = 16;

class ViewerServer : public ReportOutput {
  public:
    ViewerServer(std::string& held, bool quiet) : held_(held), quiet_(quiet) {}
    ViewerServer(const ViewerServer&) = delete;
    ViewerServer& operator=(const ViewerServer&) = delete;

    // Listen on `where` for the viewers of the controller at `controller`
    // ("ADDR:PORT") and log "serving the viewers on ws://ADDR:PORT" with the
    // port bound; false, with an ERROR line that says why, when it cannot.
    bool open(Endpoint where, const std::string& controller);

    void frame(const FrameBuffer& bytes, const FrameResult& frame) override;
    void report(const ArmReport&, const FrameResult&) override;
    void write_due() override;
    Deadline next_due() const override;
    void add_waits(std::vector<pollfd>& waits) override;
    void woken(const pollfd* waits) override;
    bool finish() override;

  private:
    void take_viewer();
    void let_go(bool all);  // the viewers that are done, or all of them
    void line(const std::string& text);

    std::string& held_;
    bool quiet_;
    std::string kept_;  // the lines held back while quiet
    OwnedFd listener_;
    ViewerGreeting greeting_;
    std::vector<std::unique_ptr<Viewer>> viewers_;
    size_t waited_ = 0;  // the viewers add_waits() gave descriptors for
    std::string data_;   // the latest frame as message data
    bool data_ready_ = false;
};
