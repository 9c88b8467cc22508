// Clients of a controller on this machine served side by side, one thread
// each, so that a client that stalls (half a frame sent, an operator at a
// prompt) never holds up the others. At most `limit` are served at once; a finished client's
// thread is joined (reaped) before the next one starts, so nothing grows with
// the number of connections served.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <thread>

class ClientThreads {
  public:
    explicit ClientThreads(size_t limit) : limit_(limit) {}
    ~ClientThreads() { join_all(); }
    ClientThreads(const ClientThreads&) = delete;
    ClientThreads& operator=(const ClientThreads&) = delete;

    // Run `serve` on a thread of its own. False (nothing started) when
    // `limit` clients are being served already.
    bool start(std::function<void()> serve);

    // Wait for every client's thread to end.
    void join_all();

  private:
    struct Client {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void reap();

    size_t limit_;
    std::list<Client> clients_;
};

// Accept clients on `listener` until Ctrl-C, each served by `serve` on a
// thread of its own (which closes the client afterwards), at most `limit` at
// once; one more is turned away, logging `too_many`. `what` names the port in
// the "client ... connected" lines.
void serve_clients(int listener, const char* what, size_t limit, const char* too_many,
                   const std::function<void(int)>& serve);
