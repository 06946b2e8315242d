// The command server inside a windowed run: what a command changes shows on the main window, a
// command that changes settings waits for no window (it is refused while one that edits settings
// is open), and clients are held within their bounds.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTcpSocket>
#include <QTest>
#include <thread>

#include "app/remote_control.h"
#include "tests/support/gui_harness.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/toggle_switch.h"

using testing_support::Harness;

namespace {

// The main window of a ksy7100-1 run serving commands on a free port.
struct Served {
    explicit Served(unsigned idle_seconds = 600)
        : remote([&] { Options o; o.scpi_port = 0; o.scpi_idle_seconds = idle_seconds; return o; }(), *h.main, [] { return nullptr; }) {
        std::string error;
        EXPECT_TRUE(remote.listen(error)) << error;
    }
    Harness h{"ksy7100-1"};
    RemoteControl remote;
};

struct Client {
    explicit Client(uint16_t port) {
        socket.connectToHost("127.0.0.1", port);
        EXPECT_TRUE(QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 3000));
    }
    void send(const QByteArray& line) {
        socket.write(line + "\n");
        socket.flush();
    }
    // The next line it is sent, or "(no answer)".
    QString line() { return QTest::qWaitFor([&] { return socket.canReadLine(); }, 3000) ? QString::fromUtf8(socket.readLine()).trimmed() : "(no answer)"; }
    QString ask(const QByteArray& line) { return send(line), this->line(); }
    QTcpSocket socket;
};

// As many clients as the server takes, connected to `remote`.
std::vector<std::unique_ptr<Client>> clients(RemoteControl& remote) {
    std::vector<std::unique_ptr<Client>> all(ScpiServer::kMaxConnections);
    for (auto& c : all) c = std::make_unique<Client>(remote.port());
    return all;
}

}  // namespace

TEST(ScpiServer, ACommandShowsOnTheMainWindowAndIsRefusedWhileASettingsWindowIsOpen) {
    Served served;
    Harness& h = served.h;
    Client c(served.remote.port());

    EXPECT_EQ(c.ask("FREQ 2401; *OPC?"), "1");
    EXPECT_EQ(std::pair(h.main->ui.vcofreq->text(), h.latches()), std::pair(QString("2401.00000MHz"), std::vector<int>{1, 2}));

    QString refused, answered;
    h.prompts.on_modal = [&](QDialog&) { c.send("FREQ 2402"), refused = c.ask("SYST:ERR?"), answered = c.ask("FREQ?"); };
    QTest::mouseClick(h.main->ui.vcofreq, Qt::LeftButton);
    h.prompts.on_modal = nullptr;
    EXPECT_EQ(refused, "-200,\"Execution error; the window \"\"RF Output Frequency\"\" is open: its entries would undo the change\"");
    EXPECT_TRUE(answered == "2401" && h.words().empty()) << "queries are answered";
    EXPECT_EQ(c.ask("FREQ 2402; *OPC?"), "1") << "once the window is closed";

    // Before a variant is chosen (the variant dialog open): the command-line tests.
    c.send("SYST:EXIT");
    EXPECT_EQ(c.ask("SYST:ERR?"), "-200,\"Execution error; SYST:EXIT ends only a run without windows\"");
}

// While a run that a remote client started holds the board, the main window's controls and its
// setting windows are refused with the reason, as the modal lock-time window refuses them.
TEST(ScpiServer, ARunStartedRemotelyKeepsTheMainWindowsSettingsRefusedUntilItStops) {
    Served served;
    Harness& h = served.h;
    Client c(served.remote.port());
    const QString busy = "A lock-time hop run started by a remote client is running: the board takes no other "
                         "setting until it stops (HOP:STOP).";
    EXPECT_EQ(c.ask("HOP:STAR 1750,1752,30000; *OPC?"), "1");
    h.words();
    const EvalState before = h.state;
    QTest::mouseClick(h.main->ui.Toggle1, Qt::LeftButton);
    QTest::mouseClick(h.main->ui.vcofreq, Qt::LeftButton);
    h.main->ui.Command5->click();  // LockTime
    EXPECT_EQ(h.prompts.texts(), (std::vector<QString>{busy, busy, busy}));
    EXPECT_TRUE(h.prompts.opened.empty() && h.state == before && h.words().empty() && h.main->ui.Toggle1->isChecked())
        << "no window opens, nothing changes, the switch stays where it was";

    EXPECT_EQ(c.ask("HOP:STOP; *OPC?"), "1");
    QTest::mouseClick(h.main->ui.Toggle1, Qt::LeftButton);
    EXPECT_EQ(h.latches(), (std::vector<int>{1, 0, 2})) << "once it stopped";
}

// Idle clients cannot lock everyone out: when every slot is taken, a new client takes the slot of
// the one idle longest once that has been idle long enough; a client that has gone frees its slot
// at once, even before the event loop has seen it go.
TEST(ScpiServer, IdleOrGoneClientsGiveTheirSlotsToNewOnes) {
    Served served(1);
    auto idle = clients(served.remote);
    for (size_t i = 1; i < idle.size(); ++i) idle[i]->ask("*IDN?");  // the first idles longest
    QTest::qWait(1100);
    idle[1]->ask("*IDN?");
    EXPECT_TRUE(Client(served.remote.port()).ask("*IDN?").startsWith("KSY7100-EVAL"));
    EXPECT_TRUE(idle[0]->line().startsWith("-200,\"Execution error; connection closed: idle for 1 s"));

    idle.clear();
    idle = clients(served.remote);
    for (auto& c : idle) c->socket.abort();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(Client(served.remote.port()).ask("*IDN?").startsWith("KSY7100-EVAL"));
}

TEST(ScpiServer, ClientsAreHeldWithinTheirBounds) {
    Served served;
    auto four = clients(served.remote);  // four at once; a fifth is told so and closed
    for (auto& c : four) EXPECT_TRUE(c->ask("*IDN?").startsWith("KSY7100-EVAL"));
    Client fifth(served.remote.port());
    EXPECT_EQ(fifth.line(), "-200,\"Execution error; too many connections: 4 at most\"");
    EXPECT_TRUE(QTest::qWaitFor([&] { return fifth.socket.state() == QAbstractSocket::UnconnectedState; }, 3000));
    four.pop_back();  // one leaves (IdleOrGoneClientsGiveTheirSlotsToNewOnes: another may come)

    // A client that asks and never reads its answers is let go of, not buffered for without end.
    Client greedy(served.remote.port());
    greedy.socket.write(QByteArray("*IDN?\n").repeated(200000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return greedy.socket.state() == QAbstractSocket::UnconnectedState; }, 20000));
    EXPECT_TRUE(four[0]->ask("*IDN?").startsWith("KSY7100-EVAL")) << "the others are served on";
}
