// zrvstations: simulated workstations for the browser tests of the operator's page. Each name on
// the command line becomes one real workstation connection to the server; the program prints one
// line per event on its standard output and takes orders on its standard input:
//   ready NAME                 the workstation is ready          (printed)
//   open NAME                  its customer is logged in         (printed)
//   fail NAME REASON           the login was refused             (printed)
//   message NAME TEXT          the server sent a message         (printed)
//   login NAME CODE            logs a customer in with a ticket and opens the session  (read)
#include "ZRVClientConnection.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

void Print(const QString& aLine) {
    std::printf("%s\n", aLine.toUtf8().constData());
    std::fflush(stdout);
}

std::unique_ptr<TZRVClientConnection> Station(const QString& aName, quint16 aPort) {
    auto conn = std::make_unique<TZRVClientConnection>();
    conn->SetServerAddress(QStringLiteral("127.0.0.1"));
    conn->SetServerPort(aPort);
    conn->SetReadyDelay(1);
    conn->Machine()->SetMachineName(aName);
    TZRVClientConnection* c = conn.get();
    c->SetOnReady([aName](QObject*) { Print(QStringLiteral("ready ") + aName); });
    c->SetOnInfoMessage([aName](QObject*, const QString& aText) {
        Print(QStringLiteral("message %1 %2").arg(aName, aText));
    });
    c->SetOnUserConnectionOpen([c, aName](QObject*) {
        c->UserConnection()->Session()->Open();
        Print(QStringLiteral("open ") + aName);
    });
    c->SetOnUserConnectionFail([c, aName](QObject*) {
        Print(QStringLiteral("fail %1 %2").arg(aName, c->UserConnection()->FailMessage()));
    });
    c->OpenConnection();
    return conn;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    bool ok = false;
    const int port = arguments.value(1).toInt(&ok);
    if (!ok || port <= 0 || port > 65535 || arguments.size() < 3) {
        std::fprintf(stderr, "Usage: zrvstations PORT NAME...\n");
        return 2;
    }
    std::map<QString, std::unique_ptr<TZRVClientConnection>> stations;
    for (const QString& name : arguments.mid(2))
        stations[name] = Station(name, quint16(port));

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[512];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0)
            return QCoreApplication::quit(); // the test has gone
        pending.append(buffer, got);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QStringList words = QString::fromUtf8(pending.left(end)).split(u' ', Qt::SkipEmptyParts);
            pending.remove(0, end + 1);
            const auto station = stations.find(words.value(1));
            if (words.size() == 3 && words[0] == QLatin1String("login") && station != stations.end())
                station->second->UserConnection()->OpenTicket(words[2]);
        }
    });
    return QCoreApplication::exec();
}
