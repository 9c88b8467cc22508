#include "serve/client_threads.h"

#include <poll.h>
#include <unistd.h>

#include "console/interrupt.h"
#include "console/log.h"
#include "serve/listener.h"

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

void serve_clients(int listener, const char* what, size_t limit, const char* too_many,
                   const std::function<void(int)>& serve) {
    ClientThreads clients(limit);
    while (!interrupted()) {
        if (wait_until_ready(listener, POLLIN, -1) <= 0) continue;
        int client = accept_client(listener, what);
        if (client < 0) continue;
        bool started = clients.start([client, serve] {
            serve(client);
            close(client);
        });
        if (!started) {
            log_error("%s\n", too_many);
            close(client);
        }
    }
}
