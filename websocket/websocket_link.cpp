#include "websocket/websocket_link.h"

#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <websocketpp/concurrency/none.hpp>
#include <websocketpp/config/core.hpp>
#include <websocketpp/logger/stub.hpp>
#include <websocketpp/server.hpp>

namespace {

// websocketpp's iostream server, without threads, logs or timers.
struct LinkConfig : websocketpp::config::core {
    typedef LinkConfig type;
    typedef websocketpp::config::core base;
    typedef websocketpp::concurrency::none concurrency_type;
    typedef websocketpp::log::stub elog_type;
    typedef websocketpp::log::stub alog_type;
    struct transport_config : base::transport_config {
        typedef type::concurrency_type concurrency_type;
        typedef type::elog_type elog_type;
        typedef type::alog_type alog_type;
    };
    typedef websocketpp::transport::iostream::endpoint<transport_config> transport_type;
    static const size_t max_message_size = MAX_LINK_MESSAGE;
    static const long timeout_open_handshake = 0;  // the owner's deadlines
    static const long timeout_close_handshake = 0;
    static const long timeout_pong = 0;
};

using WsServer = websocketpp::server<LinkConfig>;
using websocketpp::transport::buffer;
namespace status = websocketpp::http::status_code;

constexpr size_t READ_SIZE = 16 * 1024;
constexpr int READS_AT_ONCE = 4;  // at most 64 KiB a wake, so that no peer starves the rest

}  // namespace

struct WebSocketLink::Inner {
    OwnedFd socket;
    WsServer server;  // before the connection, which refers to it
    WsServer::connection_ptr connection;
    Input input;
    std::string queue;  // bytes the socket has not taken yet, from `sent` on
    size_t sent = 0;
    bool ended = false;      // websocketpp is done with the socket
    bool held = false;       // the queue waits for write_queued()
    bool hold_next = false;  // a HELD message is being sent

    size_t pending() const { return queue.size() - sent; }

    // Write `buffers` behind what is queued: at once when nothing is.
    void write(const std::vector<buffer>& buffers) {
        if (!socket.is_open()) return;  // the link is gone: nothing goes anywhere
        held = hold_next;               // and anything written at once takes the held bytes along
        size_t written = 0;
        if (pending() == 0 && !held) {
            iovec parts[16];
            size_t count = 0;
            for (; count < buffers.size() && count < 16; ++count) {
                parts[count] = {const_cast<char*>(buffers[count].buf), buffers[count].len};
            }
            ssize_t result = -1;
            do result = writev(socket.get(), parts, static_cast<int>(count));
            while (result < 0 && errno == EINTR);
            if (result < 0 && errno != EAGAIN) return close_socket();
            written = result > 0 ? static_cast<size_t>(result) : 0;
        }
        for (const buffer& part : buffers) {
            const size_t skip = std::min(written, part.len);
            written -= skip;
            queue.append(part.buf + skip, part.len - skip);
        }
    }

    void write_queued() {
        held = false;
        size_t written = 0;  // what the socket takes now; a full one waits for the next turn
        if (!write_all(socket.get(), queue.data() + sent, pending(), written) && errno != EAGAIN) {
            return close_socket();
        }
        sent += written;
        if (sent > queue.size() / 2) {  // all of it, or most
            queue.erase(0, sent);
            sent = 0;
        }
        if (pending() == 0 && ended) close_socket();
    }

    // What the peer sent and was not read would turn the close into a reset,
    // which can cost the peer what it had not read yet.
    void close_socket() {
        char discard[READ_SIZE];
        for (int i = 0; i < READS_AT_ONCE && socket.is_open(); ++i) {
            if (::read(socket.get(), discard, sizeof discard) <= 0) break;
        }
        socket.reset();
        queue.clear();
        sent = 0;
    }

    void feed(const char* data, size_t size) {
        for (size_t taken = 1; size > 0 && taken > 0; data += taken, size -= taken) {
            taken = connection->read_some(data, size);  // 0: websocketpp reads no more
        }
    }

    // The validation of a handshake: the subprotocol chosen, or a refusal.
    bool choose(const std::string& subprotocol, bool full) {
        if (full) {
            connection->set_status(status::service_unavailable);
            connection->set_body("no room for another client: try again later\n");
            return false;
        }
        for (const std::string& name : connection->get_requested_subprotocols()) {
            websocketpp::lib::error_code error;
            if (name == subprotocol) connection->select_subprotocol(name, error);
            if (name == subprotocol) return !error;
        }
        connection->set_status(status::bad_request);
        connection->set_body("this server speaks the WebSocket subprotocol " + subprotocol +
                             " only\n");
        return false;
    }

    void start(const std::string& subprotocol, bool full) {
        using websocketpp::connection_hdl;
        using websocketpp::lib::error_code;
        server.set_user_agent("");  // no Server header: nothing to tell of the library
        connection = server.get_connection();
        if (!connection) return close_socket();
        connection->set_vector_write_handler(
            [this](connection_hdl, const std::vector<buffer>& all) {
                write(all);
                return error_code();
            });
        connection->set_write_handler([this](connection_hdl, const char* data, size_t size) {
            write({buffer(data, size)});
            return error_code();
        });
        connection->set_shutdown_handler([this](connection_hdl) {
            ended = true;
            if (pending() == 0) close_socket();
            return error_code();
        });
        connection->set_validate_handler(
            [this, subprotocol, full](connection_hdl) { return choose(subprotocol, full); });
        connection->set_http_handler([this, subprotocol](connection_hdl) {
            connection->set_status(status::bad_request);
            connection->set_body("a WebSocket server of the subprotocol " + subprotocol + "\n");
        });
        connection->set_open_handler([this](connection_hdl) { input.opened = true; });
        connection->set_message_handler([this](connection_hdl, WsServer::message_ptr message) {
            if (message->get_opcode() != websocketpp::frame::opcode::text) ++input.binaries;
            if (message->get_opcode() == websocketpp::frame::opcode::text) {
                input.texts.push_back(message->get_payload());
            }
        });
        connection->start();
    }
};

WebSocketLink::WebSocketLink(OwnedFd socket, const std::string& subprotocol, bool full)
    : inner_(std::make_unique<Inner>()) {
    inner_->socket = std::move(socket);
    try {
        inner_->start(subprotocol, full);
    } catch (const std::exception&) {  // websocketpp's, std::bad_alloc
        drop();
    }
}

WebSocketLink::~WebSocketLink() {
    drop();
}

int WebSocketLink::fd() const {
    return inner_->socket.get();
}

WebSocketLink::State WebSocketLink::state() const {
    if (!inner_->socket.is_open() || !inner_->connection) return State::DONE;
    switch (inner_->connection->get_state()) {
        case websocketpp::session::state::connecting:
            return State::HANDSHAKE;
        case websocketpp::session::state::open:
            return State::OPEN;
        default:
            return State::CLOSING;
    }
}

short WebSocketLink::events() const {
    if (state() == State::DONE) return 0;
    return static_cast<short>(POLLIN | (inner_->pending() > 0 && !inner_->held ? POLLOUT : 0));
}

void WebSocketLink::read() {
    try {
        char data[READ_SIZE];
        for (int round = 0; round < READS_AT_ONCE && inner_->socket.is_open(); ++round) {
            const ssize_t result = ::read(inner_->socket.get(), data, sizeof data);
            if (result < 0 && errno == EINTR) continue;
            if (result < 0 && errno == EAGAIN) return;
            if (result <= 0) return drop();  // the peer closed the link, or it failed
            inner_->feed(data, static_cast<size_t>(result));
        }
    } catch (const std::exception&) {
        drop();
    }
}

WebSocketLink::Input& WebSocketLink::input() {
    return inner_->input;
}

namespace {

bool send_message(WsServer::connection_ptr& connection, const std::string& bytes,
                  websocketpp::frame::opcode::value opcode) {
    try {
        return !connection->send(bytes.data(), bytes.size(), opcode);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

bool WebSocketLink::send_text(const std::string& text) {
    return state() == State::OPEN &&
           send_message(inner_->connection, text, websocketpp::frame::opcode::text);
}

bool WebSocketLink::send_binary(const std::string& bytes, Write when) {
    if (state() != State::OPEN) return false;
    inner_->hold_next = when == Write::HELD;
    const bool sent = send_message(inner_->connection, bytes, websocketpp::frame::opcode::binary);
    inner_->hold_next = false;
    return sent;
}

void WebSocketLink::close(uint16_t code, const std::string& reason) {
    if (state() != State::OPEN) return drop();
    try {
        websocketpp::lib::error_code error;
        inner_->connection->close(code, reason, error);
        if (error) drop();
    } catch (const std::exception&) {
        drop();
    }
}

void WebSocketLink::drop() {
    inner_->close_socket();
    try {
        // The stream ended: this also frees what websocketpp's pending read holds.
        if (inner_->connection) inner_->connection->eof();
    } catch (const std::exception&) {
    }
}

size_t WebSocketLink::queued() const {
    return inner_->pending();
}

bool WebSocketLink::holding() const {
    return inner_->held && inner_->pending() > 0;
}

void WebSocketLink::write_queued() {
    inner_->write_queued();
}
