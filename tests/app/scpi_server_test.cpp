// The command server inside a windowed run: what a command changes shows on the main window, a
// command that changes settings waits for no window (it is refused while one that edits settings
// is open), and clients are held within their bounds.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
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
    explicit Served(unsigned idle_seconds = 600, const QString& files = ".")
        : remote([&] { Options o; o.scpi_port = 0; o.scpi_idle_seconds = idle_seconds; o.scpi_files = files.toStdString(); return o; }(),
                 *h.main, [] { return nullptr; }) {
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

// What a bench script meets, in order on one connection: each message and the line it answers
// (none for a message without a query), its answers joined by ';'. A pattern is marked ~.
TEST(ScpiServer, TheInstrumentConventionsAsABenchScriptMeetsThem) {
    QTemporaryDir folder;
    Served served(600, folder.path());
    Client c(served.remote.port());
    const std::pair<const char*, const char*> conversation[] = {
        {"*ESR?;*ESR?", "128;0"}, {"FREQ:PFD 100;REF 10;:FREQ:PFD?;*STB?", "100;16"},  // power on, read once
        {"FREQ:PFD 200;REF 19.68;:FREQ?", "2399.95591836734"}, {"*RST", nullptr},
        {"FREQ 2.4GHz;FREQ?", "2400"}, {"FREQ 2400200 kHz;FREQ?", "2400.2"}, {"FREQ:PFD .2 MHZ;PFD?", "200"},
        {"FREQ 2400 ms", nullptr}, {"SYST:ERR?", "-131,\"Invalid suffix; 'MS' is no unit of a frequency\""},
        {"MUX 3 Hz", nullptr}, {"SYST:ERR?", "-138,\"Suffix not allowed; this parameter is a plain number, not 'HZ'\""},
        {"FREQ ?", nullptr}, {"SYST:ERR:NEXT?", "-102,\"Syntax error; the ? of a query follows its header without a blank\""},
        {"MUX #B11;MUX?", "3"}, {"FREQ MIN;FREQ?", "198.4"}, {"FREQ DEF;FREQ?", "2400"},
        {"REG:WRIT N,#H017706;LATC:WORD? N", "017706"}, {"MEM:SAVE 'a.txt';SYST:ERR:COUN?", "0"},
        // The plans are one answer, seven fields a plan; ';' separates only the message's answers.
        {"FREQ:PLAN? 2400.1,200;*OPC?", "~[^;,]+(,[^;,]+){6}(,[^;,]+(,[^;,]+){6})*;1"},
        // The status byte with and without errors in the queue, summed by the event register's enable.
        {"*CLS;NOPE", nullptr}, {"FREQ 0", nullptr}, {"*ESR?;*STB?", "48;20"},
        {"*ESE 16;FREQ 0", nullptr}, {"*STB?", "36"}, {"*SRE 32;*STB?;*SRE?", "100;32"},
        {"SYST:ERR:COUN?;SYST:ERR:ALL?", "~3;-113,\".*\",-222,\".*\",-222,\".*\""}, {"*CLS;*STB?;*ESE 0;*SRE 0;*ESE?", "0;0"},
        // A run started is not pending: *OPC, *OPC? and *WAI complete at once.
        {"HOP:STAR 1750,1752,0.1 s;*OPC?", "1"}, {"*WAI;*OPC;*ESR?;HOP:STAT?", "~1;RUN,\\d+,(REALTIME|NORMAL|NONE),\\d+"},
        {"HOP:STOP;SYST:VERS?;SYST:LINK?;*TST?", "1999.0;SIM,OK;0"},
        // A new run counts its own hops from 0. It holds the link: every other writer is refused until HOP:STOP.
        {"HOP:STAR 1750,1752,30000;HOP:STAT?", "~RUN,0,(REALTIME|NORMAL|NONE),0"}, {"FREQ 1800", nullptr},
        {"LATC:SEND ALL", nullptr}, {"MEAS:SUPP?", nullptr}, {"*TST?", "1"},
        {"SYST:ERR:ALL?", "~(-(200|330),\"[^;\"]*; A lock-time hop run [^\"]*\\(HOP:STOP\\)\\.\",?){4}"},
        {"HOP:STOP;FREQ 1800;*OPC?", "1"}};
    for (const auto& [message, expected] : conversation) {
        if (!expected) {
            c.send(message);
            continue;
        }
        const QString answer = c.ask(message), wanted = expected;
        const bool pattern = wanted.startsWith('~');
        EXPECT_TRUE(pattern ? QRegularExpression(QRegularExpression::anchoredPattern(wanted.mid(1))).match(answer).hasMatch() : answer == wanted)
            << message << " answered " << answer.toStdString();
    }
    EXPECT_TRUE(QFile::exists(folder.filePath("a.txt"))) << "MEM:SAVE writes in the server's folder";
    // Each setting's query answer, given back to the setting, is taken unchanged.
    for (const char* header : {"FREQ", "FREQ:PFD", "FREQ:REF", "SWIT:POL", "SWIT:CRES", "SWIT:CPG", "SWIT:IDIV", "SWIT:TST",
                               "SWIT:ODIV", "SWIT:MUTE", "SWIT:LDP", "POW:OUTP", "POW:CORE", "CURR1", "CURR2", "PDOW", "MUX", "PRES",
                               "BSEL", "ABPW", "BOAR", "TEST:MODE", "TEST:READ", "TEST:EBAN", "TEST:EBEN", "TEST:BCON", "TEST:ADC",
                               "TEST:ENAB", "REG:WRIT N"}) {
        const QByteArray setting(header), query = setting.contains(' ') ? QByteArray(setting).replace(" ", "? ") : setting + "?";
        const QByteArray value = c.ask(query).toUtf8();
        EXPECT_EQ(c.ask(setting + (setting.contains(' ') ? "," : " ") + value + ";SYST:ERR?"), "0,\"No error\"") << header;
        EXPECT_EQ(c.ask(query).toUtf8(), value) << header;
    }
    // Another client drives the same board with an error queue of its own.
    Client other(served.remote.port());
    c.send("FREQ 2401;NOPE");
    EXPECT_EQ(c.ask("*OPC?"), "1");
    EXPECT_EQ(std::pair(other.ask("FREQ?"), other.ask("SYST:ERR?")), std::pair(QString("2401"), QString("0,\"No error\"")));
    EXPECT_TRUE(c.ask("SYST:ERR?").startsWith("-113,"));
}
