#include "app/scpi_server.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <filesystem>

class ScpiServer::Connection : public QObject {
public:
    Connection(ScpiServer& server, QTcpSocket* socket) : server_(server), socket_(socket) {
        commands::Hooks hooks = server.hooks_;
        hooks.clear_errors = [this] { errors_.clear(); };
        hooks.next_error = [this] { return next_error(); };
        hooks.resolve_file = [this](const std::string& name) {
            return ScpiServer::resolve_in(server_.config_.files_folder, name);
        };
        hooks.quote_files = false;
        interpreter_ = std::make_unique<commands::Interpreter>(server.state_, server.port_, server.version_, hooks);
        connect(socket_, &QTcpSocket::readyRead, this, &Connection::take_input);
        connect(socket_, &QTcpSocket::disconnected, this, [this] { server_.drop(this); });
    }

    // A connection is let go of only when none of its commands runs (one may wait in an event
    // loop of its own, a measurement); else once it ends.
    bool busy() const { return busy_; }
    void close_when_done() { closing_ = true; }
    ~Connection() override {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
    }

private:
    // Whole lines are run as they arrive; a line that grows beyond the language's limit is thrown
    // away as it comes and refused when its end arrives.
    void take_input() {
        if (busy_) return;  // a command of this connection waits (a measurement): its lines keep
        busy_ = true;
        QPointer<QTcpSocket> alive(socket_);
        while (alive && socket_->bytesAvailable() > 0) {
            const QByteArray chunk = socket_->read(64 * 1024);
            for (char c : chunk) {
                if (c != '\n') {
                    if (pending_.size() <= commands::kMaxLineBytes) pending_ += c;
                    else overlong_ = true;
                    continue;
                }
                if (overlong_) {
                    queue_error({commands::kTooMuchData,
                                 "a line holds at most " + std::to_string(commands::kMaxLineBytes) + " bytes"});
                } else {
                    run_line(pending_);
                }
                pending_.clear();
                overlong_ = false;
                if (!alive || closing_) break;
            }
            if (closing_) break;
        }
        busy_ = false;
        if (closing_) server_.drop(this);
    }

    void run_line(const std::string& line) {
        std::string answers;
        for (const commands::Reply& r : interpreter_->run_line(line)) {
            if (r.answer) answers += *r.answer + "\n";
            if (r.error) queue_error(*r.error);
        }
        if (answers.empty()) return;
        socket_->write(answers.data(), qint64(answers.size()));
        if (socket_->bytesToWrite() > kMaxPendingOutput) closing_ = true;  // a client that never reads
    }

    void queue_error(const commands::Error& e) {
        std::string text = commands::standard_text(e.code);
        if (!e.message.empty()) text += "; " + e.message;
        std::string quoted;  // a quote inside the text is doubled
        for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        if (errors_.size() < kErrorQueueDepth) errors_.push_back(std::to_string(e.code) + ",\"" + quoted + "\"");
        else errors_.back() = std::to_string(commands::kQueueOverflow) + ",\"" +
                              commands::standard_text(commands::kQueueOverflow) + "\"";
    }

    std::string next_error() {
        if (errors_.empty()) return "0,\"No error\"";
        std::string e = errors_.front();
        errors_.pop_front();
        return e;
    }

    ScpiServer& server_;
    QTcpSocket* socket_;
    std::unique_ptr<commands::Interpreter> interpreter_;
    std::deque<std::string> errors_;
    std::string pending_;
    bool overlong_ = false;
    bool busy_ = false;
    bool closing_ = false;
};

ScpiServer::ScpiServer(EvalState& state, boardlink::Port& port, std::string version, commands::Hooks hooks,
                       ScpiConfig config)
    : state_(state), port_(port), version_(std::move(version)), hooks_(std::move(hooks)), config_(std::move(config)) {
    server_.setMaxPendingConnections(kMaxConnections + 1);
    connect(&server_, &QTcpServer::newConnection, this, &ScpiServer::accept_connections);
}

ScpiServer::~ScpiServer() = default;

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

void ScpiServer::accept_connections() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (int(connections_.size()) >= kMaxConnections) {
            socket->write("-200,\"Execution error; too many connections: " + QByteArray::number(kMaxConnections) +
                          " at most\"\n");
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            continue;
        }
        connections_.push_back(std::make_unique<Connection>(*this, socket));
    }
}

void ScpiServer::drop(Connection* connection) {
    if (connection->busy()) return connection->close_when_done();
    for (auto it = connections_.begin(); it != connections_.end(); ++it)
        if (it->get() == connection) {
            // Not from inside the connection's own handler: the socket is let go of later.
            auto doomed = std::move(*it);
            connections_.erase(it);
            QTimer::singleShot(0, this, [gone = std::shared_ptr<Connection>(std::move(doomed))] {});
            return;
        }
}

std::pair<std::string, std::string> ScpiServer::resolve_in(const std::string& folder, const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path asked(name);
    if (name.empty()) return {{}, "a file name is needed"};
    if (asked.is_absolute()) return {{}, "only names inside the server's folder are allowed, not absolute paths"};
    for (const auto& part : asked)
        if (part == "..") return {{}, "only names inside the server's folder are allowed, not '..'"};
    std::error_code ec;
    const fs::path base = fs::weakly_canonical(fs::path(folder), ec);
    const fs::path full = fs::weakly_canonical(base / asked, ec);
    if (ec) return {{}, "the name cannot be resolved"};
    // A link inside the folder must not lead out of it either.
    auto rel = full.lexically_relative(base);
    if (rel.empty() || *rel.begin() == "..") return {{}, "only names inside the server's folder are allowed"};
    return {full.string(), {}};
}
