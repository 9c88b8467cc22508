#include "viewer/viewer_server.h"

#include <algorithm>

#include "console/log.h"
#include "serve/listener.h"
#include "viewer/viewer_messages.h"
#include "websocket/websocket_listener.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t REFUSING_AT_MOST = 4;  // viewers past MAX_VIEWERS answered 503 at once
constexpr std::chrono::milliseconds CLOSES_WITHIN{250};  // at the end of the watch
constexpr size_t KEPT_AT_MOST = 64 * 1024;               // of the lines held back while quiet

bool is_open(const Viewer& viewer) {
    return viewer.link->state() == WebSocketLink::State::OPEN;
}

}  // namespace

bool ViewerServer::open(Endpoint where, const std::string& controller) {
    std::string why;
    const std::string asked = endpoint_text(where);
    listener_ = listen_at(where, why);
    if (!listener_.is_open()) {
        log_error("cannot serve the viewers on %s: %s\n", asked.c_str(), why.c_str());
        return false;
    }
    try {
        greeting_ = {server_info_text("arm_monitor", controller, new_session_id()),
                     advertise_text()};
    } catch (const std::exception& failure) {  // nlohmann's, std::bad_alloc
        log_error("cannot serve the viewers: %s\n", failure.what());
        return false;
    }
    log_info("serving the viewers on ws://%s\n", endpoint_text(where).c_str());
    return true;
}

void ViewerServer::line(const std::string& text) {
    if (quiet_ && kept_.size() > KEPT_AT_MOST) return;
    log_to(quiet_ ? &kept_ : &held_, "INFO", "%s\n", text.c_str());
}

void ViewerServer::frame(const FrameBuffer& bytes, const FrameResult& frame) {
    data_ready_ = false;
    const bool any = std::any_of(viewers_.begin(), viewers_.end(),
                                 [](const auto& viewer) { return viewer->session.subscribed; });
    if (!any || frame.length < ARM_FRAME.header_size) return;
    message_data(data_, 0, static_cast<uint64_t>(frame.complete_at_wall_us) * 1000,
                 bytes.data() + ARM_FRAME.header_size, frame.length - ARM_FRAME.header_size);
    data_ready_ = true;
}

void ViewerServer::report(const ArmReport&, const FrameResult&) {
    if (!data_ready_) return;
    const Deadline now = Clock::now();
    for (const std::unique_ptr<Viewer>& viewer : viewers_) {
        if (viewer->session.subscribed && is_open(*viewer)) send_data(*viewer, data_, now);
    }
}

void ViewerServer::write_due() {
    const Deadline now = Clock::now();
    for (const std::unique_ptr<Viewer>& viewer : viewers_) tend_viewer(*viewer, now);
    let_go(false);
}

Deadline ViewerServer::next_due() const {
    Deadline due = Deadline::max();
    for (const std::unique_ptr<Viewer>& viewer : viewers_) due = std::min(due, viewer_due(*viewer));
    return due;
}

void ViewerServer::add_waits(std::vector<pollfd>& waits) {
    waits.push_back({listener_.get(), POLLIN, 0});
    for (const std::unique_ptr<Viewer>& viewer : viewers_) {
        waits.push_back({viewer->link->fd(), viewer->link->events(), 0});
    }
    waited_ = viewers_.size();
}

void ViewerServer::woken(const pollfd* waits) {
    for (size_t i = 0; i < waited_ && i < viewers_.size(); ++i) {
        const short ready = waits[1 + i].revents;
        Viewer& viewer = *viewers_[i];
        if (ready == 0 || waits[1 + i].fd != viewer.link->fd()) continue;
        if (ready & POLLOUT) viewer.link->write_queued();
        if (ready & (POLLIN | POLLHUP | POLLERR)) viewer.link->read();
        const bool was_open = viewer.opened, was_subscribed = viewer.session.subscribed;
        take_input(viewer, greeting_);
        if (viewer.opened && !was_open) line("viewer " + viewer.address + " connected");
        if (viewer.session.subscribed != was_subscribed) {
            line("viewer " + viewer.address + (was_subscribed ? " unsubscribed" : " subscribed"));
        }
    }
    if (waits[0].revents != 0) take_viewer();
    let_go(false);
}

void ViewerServer::take_viewer() {
    for (int i = 0; i < 4; ++i) {  // a few at a time; the next wait brings the rest
        OwnedFd socket = accept_waiting(listener_.get());
        if (!socket.is_open()) return;
        const bool full = viewers_.size() >= MAX_VIEWERS;
        if (viewers_.size() >= MAX_VIEWERS + REFUSING_AT_MOST) continue;  // closed at once
        viewers_.push_back(new_viewer(std::move(socket), full, Clock::now()));
        if (full)
            line("viewer " + viewers_.back()->address + " refused: " + std::to_string(MAX_VIEWERS) +
                 " viewers are served already");
    }
}

void ViewerServer::let_go(bool all) {
    auto gone = [all](const std::unique_ptr<Viewer>& viewer) {
        return all || viewer->link->state() == WebSocketLink::State::DONE;
    };
    for (const std::unique_ptr<Viewer>& viewer : viewers_) {
        if (gone(viewer) && viewer->opened) line(viewer_left_text(*viewer));
    }
    viewers_.erase(std::remove_if(viewers_.begin(), viewers_.end(), gone), viewers_.end());
}

bool ViewerServer::finish() {
    for (const std::unique_ptr<Viewer>& viewer : viewers_) {
        viewer->link->close(1000, "the watch ended");
    }
    // Best effort: what each socket takes of its close within a short time; a
    // caught signal ends the wait at once.
    const Deadline until = Clock::now() + CLOSES_WITHIN;
    std::vector<pollfd> waits;
    for (int round = 0; round < 50; ++round) {
        waits.clear();
        for (const std::unique_ptr<Viewer>& viewer : viewers_) {
            if (viewer->link->queued() > 0) waits.push_back({viewer->link->fd(), POLLOUT, 0});
        }
        if (waits.empty() || wait_until_ready(waits.data(), waits.size(), until) <= 0) break;
        for (const std::unique_ptr<Viewer>& viewer : viewers_) viewer->link->write_queued();
    }
    let_go(true);
    listener_.reset();
    held_ += kept_;
    kept_.clear();
    return true;
}
