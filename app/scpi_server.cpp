#include "app/scpi_server.h"

#include <sys/socket.h>

#include <cerrno>

#include <QElapsedTimer>
#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <memory>

class ScpiServer::Connection : public QObject {
public:
    Connection(ScpiServer& server, QTcpSocket* socket) : QObject(&server), server_(server), socket_(socket) {
        socket_->setParent(this);  // the connection owns its socket, whatever becomes of the listener
        commands::Hooks hooks = server.hooks_;
        hooks.files = &server.files_;
        hooks.quote_files = false;
        interpreter_ = std::make_unique<commands::Interpreter>(server.state_, server.port_, server.version_, hooks);
        connect(socket_, &QTcpSocket::readyRead, this, &Connection::take_input);
        connect(socket_, &QTcpSocket::disconnected, this, [this] { server_.drop(this); });
        active_.start();
    }

    // A connection is let go of only when none of its commands runs (one may wait in an event
    // loop of its own, a measurement); else once it ends.
    bool busy() const { return busy_; }
    void close_when_done() { closing_ = true; }
    // Its client has gone: the peer closed (nothing more to read) or the socket is no longer
    // connected. Asked of the system itself, so a close not yet seen by the event loop counts.
    bool client_gone() const {
        if (socket_->state() != QAbstractSocket::ConnectedState) return true;
        char byte;
        const ssize_t n = ::recv(int(socket_->socketDescriptor()), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
    }
    qint64 idle_ms() const { return busy_ ? 0 : active_.elapsed(); }
    void tell(const QByteArray& line) {
        socket_->write(line + "\n");
        socket_->flush();
    }
    // No more input is taken; the socket closes with the connection.
    void detach() { socket_->disconnect(this); }

    ~Connection() override {
        socket_->disconnect(this);
        socket_->abort();
    }

private:
    // Whole lines are run as they arrive, each message's answers on one line joined by ';'.
    void take_input() {
        if (busy_) return;  // a command of this connection waits (a measurement): its lines keep
        busy_ = true;
        active_.restart();
        QPointer<QTcpSocket> alive(socket_);
        while (alive && socket_->bytesAvailable() > 0 && !closing_) {
            const QByteArray chunk = socket_->read(64 * 1024);
            for (const commands::Line& line : interpreter_->take(std::string_view(chunk.data(), size_t(chunk.size())))) {
                const commands::Message m = interpreter_->run_message(line);
                if (!alive) break;
                if (!m.answers.empty()) answer(m.answers);
                if (closing_) break;
            }
        }
        busy_ = false;
        active_.restart();
        if (closing_) server_.drop(this);
    }

    void answer(const std::vector<std::string>& answers) {
        std::string line;
        for (const std::string& a : answers) line += (line.empty() ? "" : ";") + a;
        line += "\n";
        socket_->write(line.data(), qint64(line.size()));
        if (socket_->bytesToWrite() > kMaxPendingOutput) closing_ = true;  // a client that never reads
    }

    ScpiServer& server_;
    QTcpSocket* socket_;
    std::unique_ptr<commands::Interpreter> interpreter_;
    bool busy_ = false;
    bool closing_ = false;
    QElapsedTimer active_;  // since its last input or answer
};

ScpiServer::ScpiServer(EvalState& state, boardlink::Port& port, std::string version, commands::Hooks hooks,
                       ScpiConfig config)
    : state_(state),
      port_(port),
      version_(std::move(version)),
      hooks_(std::move(hooks)),
      config_(std::move(config)),
      files_(config_.files_folder) {
    server_.setMaxPendingConnections(kMaxConnections + 1);
    connect(&server_, &QTcpServer::newConnection, this, &ScpiServer::accept_connections);
}

ScpiServer::~ScpiServer() {
    // Connections first, while nothing of theirs runs; those already let go of and waiting for
    // the event loop are children too, and go with the server.
    for (Connection* c : connections_) delete c;
    connections_.clear();
}

bool ScpiServer::listen(std::string& error) {
    QHostAddress address;
    if (!address.setAddress(QString::fromStdString(config_.listen))) {
        error = "cannot listen on '" + config_.listen.substr(0, 40) + "': not an IP address";
        return false;
    }
    if (!server_.listen(address, config_.port)) {
        error = "cannot listen on " + config_.listen + " port " + std::to_string(config_.port) + ": " +
                server_.errorString().toStdString();
        return false;
    }
    return true;
}

uint16_t ScpiServer::port() const { return server_.serverPort(); }

bool ScpiServer::free_a_slot() {
    for (Connection* c : std::vector<Connection*>(connections_))
        if (c->client_gone() && !c->busy()) drop(c);
    if (int(connections_.size()) < kMaxConnections) return true;
    Connection* idlest = nullptr;
    for (Connection* c : connections_)
        if (!idlest || c->idle_ms() > idlest->idle_ms()) idlest = c;
    const qint64 idle_ms = idlest->idle_ms();
    if (idle_ms < qint64(config_.idle_seconds) * 1000) return false;
    idlest->tell("-200,\"Execution error; connection closed: idle for " + QByteArray::number(idle_ms / 1000) +
                 " s while another client needed its place\"");
    drop(idlest);
    return true;
}

void ScpiServer::accept_connections() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (!free_a_slot()) {
            socket->write("-200,\"Execution error; too many connections: " + QByteArray::number(kMaxConnections) +
                          " at most\"\n");
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            continue;
        }
        connections_.push_back(new Connection(*this, socket));
    }
}

void ScpiServer::drop(Connection* connection) {
    if (connection->busy()) return connection->close_when_done();
    auto it = std::find(connections_.begin(), connections_.end(), connection);
    if (it == connections_.end()) return;
    connections_.erase(it);
    // Possibly from inside the connection's own handler: it is deleted once that has returned.
    connection->detach();
    connection->deleteLater();
}
