#include "sim/client_threads.h"

void ClientThreads::reap() {
    for (auto it = clients_.begin(); it != clients_.end();) {
        if (*it->done) {
            it->thread.join();
            it = clients_.erase(it);
        } else {
            ++it;
        }
    }
}

bool ClientThreads::start(std::function<void()> serve) {
    reap();
    if (clients_.size() >= limit_) return false;
    auto done = std::make_shared<std::atomic<bool>>(false);
    clients_.push_back({std::thread([serve = std::move(serve), done] {
                            serve();
                            *done = true;
                        }),
                        done});
    return true;
}

void ClientThreads::join_all() {
    for (Client& client : clients_) client.thread.join();
    clients_.clear();
}
