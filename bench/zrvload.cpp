// zrvload: connects N simulated workstations (the real workstation connection) to a running
// zrv2server, logs each in with a ticket of its own, sends session reports, and prints the login
// round trip and the server's resident memory next to a bare TCP echo round trip measured in the
// same run, against an echo child process while the same workstations are connected.

#include "Bench.h"

#include "ZRVClientConnection.h"
#include "ZRVCrypt.h"
#include "ZRVDataBase.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

namespace {

bool WaitUntil(const std::function<bool()>& aCondition, int aTimeoutMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (aCondition())
            loop.quit();
    });
    QTimer::singleShot(aTimeoutMs, &loop, &QEventLoop::quit);
    poll.start(1);
    if (!aCondition())
        loop.exec();
    return aCondition();
}

// The value at fraction aRank (0.5, 0.99) of the sorted samples.
double Percentile(QList<double> aSamples, double aRank) {
    if (aSamples.isEmpty())
        return 0;
    std::sort(aSamples.begin(), aSamples.end());
    return aSamples[qsizetype(aRank * double(aSamples.size() - 1) + 0.5)];
}

// The resident memory of a process in kilobytes, 0 when it cannot be read.
long ResidentKB(qint64 aPid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(aPid));
    if (aPid <= 0 || !status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

QString TicketCode(int aIndex) {
    return QStringLiteral("LOAD%1").arg(aIndex, 4, 10, QLatin1Char('0'));
}

// A sold ticket of an hour per workstation, and the employee account that owns them.
void PrepareTickets(const QString& aDataBase, int aCount) {
    TZRVDataBase db;
    db.SetDBName(aDataBase);
    db.Open();
    if (db.AccountExists(QStringLiteral("zrvload")) == 0) {
        TZRVUserAccount owner;
        owner.SetAccountName(QStringLiteral("zrvload"));
        owner.SetAccountPassword(QStringLiteral("zrvload"));
        owner.SecretQuestion()->SetQuestion(QStringLiteral("Quelle est votre ville natale ?"));
        owner.Group()->SetGroupID(1);
        if (!db.AddAccount(&owner))
            throw EZRVError(QStringLiteral("The account zrvload could not be created"));
    }
    const uint32_t owner = uint32_t(db.AccountExists(QStringLiteral("zrvload")));
    for (int i = 1; i <= aCount; ++i) {
        if (db.TicketExists(TicketCode(i)) == 0) {
            TZRVUserTicket ticket;
            ticket.SetCode(TicketCode(i));
            ticket.SetDaysAllowed(30);
            ticket.Group()->SetGroupName(QStringLiteral("Default"));
            if (!db.AddTicket(&ticket, owner, false))
                throw EZRVError(QStringLiteral("The ticket %1 could not be created").arg(TicketCode(i)));
        }
        auto ticket = db.ReadTicket(uint32_t(db.TicketExists(TicketCode(i))));
        ticket->SetCredit(3600);
        ticket->SetActive(true);
        ticket->SetActivationDate(Now());
        db.UpdateTicket(ticket.get());
    }
    db.Close();
}

// The bare TCP echo the login is measured against: a child process (this program again, with
// --echo-server) that sends back whatever it receives, so that each round trip crosses two
// processes as a login does.
int ServeEcho() {
    QTcpServer echo;
    if (!echo.listen(QHostAddress::LocalHost, 0))
        return 1;
    QObject::connect(&echo, &QTcpServer::newConnection, &echo, [&echo] {
        while (QTcpSocket* peer = echo.nextPendingConnection()) {
            peer->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer] { peer->write(peer->readAll()); });
            QObject::connect(peer, &QTcpSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
    // The parent learns the port from the first line, and ends the echo by closing its input.
    std::printf("%u\n", unsigned(echo.serverPort()));
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &input, [&input] {
        char buffer[256];
        if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    return QCoreApplication::exec();
}

class TEchoChild {
public:
    TEchoChild() {
        fProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        fProcess.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--echo-server")});
    }
    ~TEchoChild() {
        fProcess.closeWriteChannel();
        if (!fProcess.waitForFinished(3000))
            fProcess.kill();
    }
    // The port it listens on, 0 when it did not start.
    quint16 Port() {
        WaitUntil([&] { return fProcess.canReadLine() || fProcess.state() == QProcess::NotRunning; }, 10000);
        return fProcess.canReadLine() ? quint16(fProcess.readLine().trimmed().toUInt()) : 0;
    }

private:
    QProcess fProcess;
};

// Round trips of a message the size of a login request through the echo child on loopback.
QList<double> EchoRoundTrips(quint16 aPort, int aCount) {
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, aPort);
    if (!WaitUntil([&] { return client.state() == QAbstractSocket::ConnectedState; }, 3000))
        return {};
    SetLinkSocketOptions(client);
    const QByteArray request = EncodeMessage(
        TStringList({c_msgid_UserConnection, c_msgreason_GetTicket, "TicketCode=LOAD0001"}).Text(),
        TZRVCrypt());
    QList<double> samples;
    QEventLoop loop;
    qint64 received = 0;
    QObject::connect(&client, &QTcpSocket::readyRead, &loop, [&] {
        received += client.readAll().size();
        if (received >= request.size())
            loop.quit();
    });
    QObject::connect(&client, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    for (int i = 0; i < aCount && client.state() == QAbstractSocket::ConnectedState; ++i) {
        QElapsedTimer clock;
        clock.start();
        received = 0;
        client.write(request);
        loop.exec();
        samples << double(clock.nsecsElapsed()) / 1e9;
    }
    return samples;
}

struct TLoad {
    int Count = 255;
    QString Host = QStringLiteral("127.0.0.1");
    quint16 Port = 12345;
    int Reports = 3;
    qint64 ServerPid = 0;
    bool Burst = false;
};

class TWorkstation {
public:
    TWorkstation(const TLoad& aLoad, int aIndex) {
        fConn.SetServerAddress(aLoad.Host);
        fConn.SetServerPort(aLoad.Port);
        fConn.Machine()->SetMachineName(QStringLiteral("LOAD%1").arg(aIndex, 3, 10, QLatin1Char('0')));
        fConn.SetOnUserConnectionOpen(
            [this](QObject*) { fLoginSeconds = double(fClock.nsecsElapsed()) / 1e9; });
        fConn.SetOnSecretQuestionListAvailable([this](QObject*) { fAnswered = true; });
    }
    TZRVClientConnection& Conn() { return fConn; }
    void LogIn(const QString& aCode) {
        fClock.start();
        fConn.UserConnection()->OpenTicket(aCode);
    }
    bool LoggedIn() const { return fLoginSeconds >= 0 && fConn.UserConnection()->Connected(); }
    double LoginSeconds() const { return fLoginSeconds; }
    // Session reports, then a request whose answer tells that the server has taken them.
    void Report(int aReports) {
        TZRVUserSession* session = fConn.UserConnection()->Session();
        session->SetAutoChangeCredit(false);
        session->Open();
        for (int i = 0; i < aReports; ++i) {
            session->Credit()->SetCreditValue(3600 - 60 * uint32_t(i + 1));
            fConn.UserConnection()->UpdateSession();
        }
        fAnswered = false;
        fConn.RequestSQList();
    }
    bool Answered() const { return fAnswered; }

private:
    TZRVClientConnection fConn;
    QElapsedTimer fClock;
    double fLoginSeconds = -1;
    bool fAnswered = false;
};

template <class F> bool All(const std::vector<std::unique_ptr<TWorkstation>>& aWs, F&& aTest) {
    return std::all_of(aWs.begin(), aWs.end(), [&](const auto& w) { return aTest(*w); });
}

int Run(const TLoad& aLoad) {
    TEchoChild echoChild;
    const quint16 echoPort = echoChild.Port();
    if (echoPort == 0) {
        std::fprintf(stderr, "zrvload: the echo child did not start\n");
        return 1;
    }
    const long before = ResidentKB(aLoad.ServerPid);

    std::vector<std::unique_ptr<TWorkstation>> workstations;
    for (int i = 1; i <= aLoad.Count; ++i) {
        workstations.push_back(std::make_unique<TWorkstation>(aLoad, i));
        workstations.back()->Conn().OpenConnection();
    }
    if (!WaitUntil([&] { return All(workstations, [](TWorkstation& w) { return w.Conn().Ready(); }); },
                   60000)) {
        std::fprintf(stderr, "zrvload: not every workstation got ready (is the table large enough?)\n");
        return 1;
    }
    // The baseline, taken while the same workstations are connected.
    const QList<double> echo = EchoRoundTrips(echoPort, 1000);
    if (echo.isEmpty()) {
        std::fprintf(stderr, "zrvload: the echo child did not answer\n");
        return 1;
    }
    // One login at a time gives the round trip; all at once, how a burst is served.
    for (int i = 0; i < aLoad.Count; ++i) {
        TWorkstation& w = *workstations[size_t(i)];
        w.LogIn(TicketCode(i + 1));
        if (!aLoad.Burst)
            WaitUntil([&] { return w.LoggedIn(); }, 10000);
    }
    if (!WaitUntil([&] { return All(workstations, [](TWorkstation& w) { return w.LoggedIn(); }); }, 60000)) {
        std::fprintf(stderr, "zrvload: not every workstation logged in\n");
        return 1;
    }
    for (auto& w : workstations)
        w->Report(aLoad.Reports);
    WaitUntil([&] { return All(workstations, [](TWorkstation& w) { return w.Answered(); }); }, 60000);
    const long after = ResidentKB(aLoad.ServerPid);

    QList<double> logins;
    for (const auto& w : workstations)
        logins << w->LoginSeconds();
    std::printf("%d workstations logged in with a ticket (%s), %d session reports each\n", aLoad.Count,
                aLoad.Burst ? "all at once" : "one at a time", aLoad.Reports);
    std::printf("bare TCP echo: another process, %lld round trips while the workstations are connected\n",
                (long long)echo.size());
    zrvbench::PrintRatio("login round trip p50", Percentile(logins, 0.5), "bare TCP echo p50",
                         Percentile(echo, 0.5));
    zrvbench::PrintRatio("login round trip p99", Percentile(logins, 0.99), "bare TCP echo p99",
                         Percentile(echo, 0.99));
    if (before > 0)
        std::printf("server resident memory: %ld kB before, %ld kB with %d workstations (%.1f kB each), "
                    "ratio %.2f\n",
                    before, after, aLoad.Count, double(after - before) / aLoad.Count,
                    double(after) / double(before));
    else
        std::printf("server resident memory: unknown (give --server-pid)\n");

    for (auto& w : workstations)
        w->Conn().UserConnection()->Close();
    // The logouts leave before the links go.
    WaitUntil(
        [&] {
            return All(workstations, [](TWorkstation& w) { return w.Conn().Socket()->bytesToWrite() == 0; });
        },
        3000);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zrvload"));
    // The simulated workstations keep their settings apart from any real one.
    QTemporaryDir settings;
    qputenv("ZRV_REGISTRY_DIR", settings.path().toUtf8());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Connects simulated workstations to a running zrv2server, logs each in with a ticket, sends session "
        "reports, and prints the login round trip and the server's memory against a bare TCP echo."));
    parser.addHelpOption();
    const QCommandLineOption database(
        QStringLiteral("database"), QStringLiteral("The server's database, where the tickets are prepared."),
        QStringLiteral("file"));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Workstations, 1 to 255. Default: 255."),
                                   QStringLiteral("n"), QStringLiteral("255"));
    const QCommandLineOption host(QStringLiteral("host"),
                                  QStringLiteral("Server address. Default: 127.0.0.1."),
                                  QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Server port. Default: 12345."),
                                  QStringLiteral("port"), QStringLiteral("12345"));
    const QCommandLineOption reports(QStringLiteral("reports"),
                                     QStringLiteral("Session reports per workstation. Default: 3."),
                                     QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption pid(QStringLiteral("server-pid"),
                                 QStringLiteral("The server's process, for its resident memory."),
                                 QStringLiteral("pid"));
    const QCommandLineOption echoServer(
        QStringLiteral("echo-server"),
        QStringLiteral("Serves the bare TCP echo (started by zrvload itself)."));
    const QCommandLineOption burst(
        QStringLiteral("burst"),
        QStringLiteral("Logs every workstation in at once instead of one at a time."));
    parser.addOptions({database, count, host, port, reports, pid, burst, echoServer});
    parser.process(app);
    if (parser.isSet(echoServer))
        return ServeEcho();

    TLoad load;
    load.Count = std::clamp(parser.value(count).toInt(), 1, 255);
    load.Host = parser.value(host);
    load.Port = quint16(parser.value(port).toUInt());
    load.Reports = std::clamp(parser.value(reports).toInt(), 0, 100);
    load.ServerPid = parser.value(pid).toLongLong();
    load.Burst = parser.isSet(burst);
    if (!parser.isSet(database)) {
        std::fprintf(stderr, "zrvload: --database is required (the server's database file)\n");
        return 2;
    }
    try {
        PrepareTickets(parser.value(database), load.Count);
        return Run(load);
    } catch (const EZRVError& e) {
        std::fprintf(stderr, "zrvload: %s\n", qPrintable(e.Message()));
        return 1;
    }
}
