#pragma once
// The command server: the command language (actions/command_language.h) over TCP, one command
// line per LF (CR LF accepted), answers on lines of their own, errors in a queue per connection
// read with SYST:ERR?. Commands run on the GUI thread between events, one at a time, like a
// user's action.
//
// Safety: it listens on 127.0.0.1 unless told another address; at most kMaxConnections clients at
// once, and when all are taken a new client takes the slot of the one idle longest once that one
// has been idle for the configured time (a connection whose client has gone frees its slot at
// once); a line longer than the language allows is refused (-223) and the connection goes on; a
// client that never reads its answers is dropped once kMaxPendingOutput bytes wait for it; files
// are loaded and saved only inside one folder (actions::FolderStore), and refusals never quote a
// file's content.
//
// Teardown is sound in any order: each connection owns its socket, a connection let go of from
// inside its own handler is deleted later by the event loop, and whatever is left when the server
// goes is deleted with it.
#include <QObject>
#include <QTcpServer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "actions/command_language.h"

class QTcpSocket;

struct ScpiConfig {
    uint16_t port = 5025;              // the raw-socket port of bench instruments
    std::string listen = "127.0.0.1";  // only this machine, unless told otherwise
    std::string files_folder = ".";    // MEM:LOAD and MEM:SAVE work inside it only
    unsigned idle_seconds = 600;       // idle this long, a connection gives its slot to a new client
};

class ScpiServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 4;
    static constexpr qint64 kMaxPendingOutput = 1 << 20;

    // `hooks`: what the run around the server provides (display, lock, measurement, exit,
    // exercisers); each connection adds its own error queue and file folder.
    ScpiServer(EvalState& state, boardlink::Port& port, std::string version, commands::Hooks hooks, ScpiConfig config);
    ~ScpiServer() override;

    // Starts listening; false with the cause when the address or port cannot be had.
    bool listen(std::string& error);
    uint16_t port() const;
    int connections() const { return int(connections_.size()); }
    // The folder MEM:LOAD and MEM:SAVE work in.
    actions::FolderStore& files() { return files_; }

private:
    class Connection;
    void accept_connections();
    // Frees the slots of connections whose client has gone, and when every slot is still taken,
    // that of the connection idle longest if it has been idle long enough. True when a slot is free.
    bool free_a_slot();
    void drop(Connection* connection);

    EvalState& state_;
    boardlink::Port& port_;
    std::string version_;
    commands::Hooks hooks_;
    ScpiConfig config_;
    actions::FolderStore files_;
    QTcpServer server_;
    std::vector<Connection*> connections_;  // children of the server, which deletes what is left
};
