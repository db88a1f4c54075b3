#include "ZRVServerHost.h"

#include "ZRVServerClaims.h"
#include "ZRVServerConfig.h"
#include "ZRVUserSession.h"

#include <QDateTime>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The self-pipe of the stop signals: the handler only writes a byte, the event loop does the rest.
int sSignalPipe[2] = {-1, -1};

void OnStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(sSignalPipe[1], &byte, 1);
}

// Whether both signals now go to aHandler.
bool SetStopHandler(void (*aHandler)(int)) {
    struct sigaction action = {};
    action.sa_handler = aHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

[[noreturn]] void RaiseSignalError() {
    throw EZRVError(QStringLiteral("Unable to catch SIGINT and SIGTERM, so sessions could not be written "
                                   "back on stop: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
}

} // namespace

TZRVServerHost::TZRVServerHost(TZRVServeOptions aOptions, QTextStream& aOut, QObject* aOwner)
    : QObject(aOwner), fOptions(std::move(aOptions)), fOut(aOut) {}

TZRVServerHost::~TZRVServerHost() {
    fServer.reset(); // the listener's last write-backs wait in its journal if the worker cannot land them
    fWorker.Stop();
    fDb.Close();
    if (fSignalNotifier) {
        SetStopHandler(SIG_DFL);
        ::close(sSignalPipe[0]);
        ::close(sSignalPipe[1]);
        sSignalPipe[0] = sSignalPipe[1] = -1;
    }
}

void TZRVServerHost::Start() {
    fLogger.SetLogFile(fOptions.LogFile); // the log's start line; its stop line comes when the host goes
    fDb.SetDBName(fOptions.DataBase);
    fDb.SetPassword(fOptions.DataBasePassword);
    fDb.Open();
    fWorker.SetDataBase(fDb);
    fWorker.Start();
    fServer = std::make_unique<TZRVServerConnection>();
    Configure();
    AttachEvents();
    fServer->Open();
    if (!fServer->DiscoveryError().isEmpty()) {
        const QString reason = fServer->DiscoveryError();
        fServer->Close();
        throw EZRVError(QStringLiteral("Unable to answer workstation discovery on UDP port %1: %2")
                            .arg(fOptions.DiscoveryPort)
                            .arg(reason));
    }
    fJobs.SetDB(&fDb);
    fJobs.SetWorker(&fWorker);
    fJobs.SetErrorLogger(&fLogger);
    if (fOptions.JobsInterval > 0)
        fJobs.SetInterval(fOptions.JobsInterval);
    fJobs.SetAutomatic(true);
    fOut << QStringLiteral("zrv2server: serving %1 on port %2 (discovery on UDP %3), %4 workstations at most")
                .arg(fOptions.DataBase)
                .arg(fServer->ServerPort())
                .arg(fServer->DiscoveryPort())
                .arg(fServer->MaxConnections())
         << Qt::endl;
}

// The listener takes the server settings, the command line's choices first.
void TZRVServerHost::Configure() {
    const TZRVServerConfig config;
    fServer->SetDataBase(&fWorker);
    fServer->SetErrorLogger(&fLogger);
    const int slotCount =
        fOptions.MaxConnections >= 0 ? fOptions.MaxConnections : int(config.GetOthers_MaxPcs());
    fServer->SetMaxConnections(uint8_t(std::clamp(slotCount, 0, 255)));
    fServer->SetServerPingInterval(uint32_t(std::max(config.GetServerPingInterval(), 1)));
    fServer->SetServerPingTimeOut(uint32_t(std::max(config.GetServerPingTimeOut(), 1)));
    fServer->SetServerPingEnabled(config.GetServerPingEnabled());
    fServer->SetAutoDBUpdateSession(config.GetAutoDBUpdateSession());
    fServer->GuessThrottle()->SetSettings(config.GuessThrottleSettings());
    fServer->AccountCreationThrottle()->SetSettings(config.AccountCreationThrottleSettings());
    fServer->SetSessionCountTolerance(uint32_t(std::max(config.GetSessionCountTolerance(), 0)));
    fServer->SetServerPort(fOptions.Port >= 0 ? fOptions.Port : config.GetOthers_ServerPort());
    fServer->SetDiscoveryPort(quint16(fOptions.DiscoveryPort));
    fServer->Claims()->SetName(fOptions.ServerName);
    // The café's details, which the workstations show and keep.
    const std::pair<const char*, QString> infos[] = {
        {"UserID", QString::number(config.GetOthers_CompanyID())},
        {"OwnerName", config.GetOthers_CompanyOwner()},
        {"CompanyName", config.GetOthers_CompanyName()},
        {"Address", config.GetOthers_CompanyAddress()},
        {"Phone", config.GetOthers_CompanyPhone()},
        {"PoBox", config.GetOthers_CompanyBP()},
        {"Email", config.GetOthers_CompanyEmail()},
        {"Geography", config.GetOthers_CompanyGeography()},
        {"Town", config.GetOthers_CompanyTown()},
        {"Country", config.GetOthers_CompanyCountry()},
    };
    for (const auto& [name, value] : infos)
        fServer->ServerInfos().Add(QString::fromLatin1(name), value);
}

void TZRVServerHost::AttachEvents() {
    const auto line = [this](const char* aWhat) {
        return [this, aWhat](QObject*, TZRVServerClientConnection* c) { Print(c, QString::fromUtf8(aWhat)); };
    };
    fServer->SetOnNewClientConnection(line("connected"));
    fServer->SetOnClientConnectionReady(
        [this](QObject*, TZRVServerClientConnection* c) { Print(c, c->Ready() ? "ready" : "not ready"); });
    fServer->SetOnClientDisconnection(line("disconnected"));
    fServer->SetOnClientSessionStart(line("session started"));
    fServer->SetOnClientSessionStop(line("session stopped"));
    fServer->SetOnClientShutdownStateChange([this](QObject*, TZRVServerClientConnection* c) {
        Print(c, c->ShuttedDown() ? "client module asleep" : "client module awake");
    });
    fServer->SetOnUserConnectionOpen(
        [this](QObject*, TZRVServerClientConnection* c) { UserConnectionOpen(c); });
    fServer->SetOnUserConnectionClose(
        [this](QObject*, TZRVServerClientConnection* c) { UserConnectionStop(c); });
    fServer->SetOnClientTicketAddCredit([this](QObject*, TZRVServerClientConnection* c, TZRVUserTicket* t) {
        Print(c, QStringLiteral("credit %1 added with code %2").arg(FormatCredit(t->Credit()), t->Code()));
    });
    fServer->SetOnClientConnectionInfoMessage([this](QObject*, TZRVServerClientConnection* c,
                                                     const QString& aMsg) { Print(c, "message: " + aMsg); });
}

QString TZRVServerHost::Customer(const TZRVServerClientConnection* aConnection) {
    const TZRVUserSession* session = aConnection->UserConnection()->Session();
    switch (session->SessionType()) {
    case stAccount:
        return QStringLiteral("account ") + session->Account()->AccountName();
    case stTicket:
        return QStringLiteral("ticket ") + session->Ticket()->Code();
    default:
        return QStringLiteral("a customer");
    }
}

void TZRVServerHost::UserConnectionOpen(TZRVServerClientConnection* aConnection) {
    // A refused login leaves any customer already logged in on the slot as he was.
    if (const QString refusal = aConnection->UserConnection()->LoginRefusal(); !refusal.isEmpty()) {
        Print(aConnection, QStringLiteral("login refused (") + refusal + u')');
        return;
    }
    if (!aConnection->UserConnection()->Connected())
        return;
    fCustomers.insert(aConnection, Customer(aConnection));
    Print(aConnection, QStringLiteral("logged in with ") + fCustomers.value(aConnection));
}

void TZRVServerHost::UserConnectionStop(TZRVServerClientConnection* aConnection) {
    // Every end of a link closes the user connection; only a real logout makes a line.
    if (const QString customer = fCustomers.take(aConnection); !customer.isEmpty())
        Print(aConnection, QStringLiteral("logged out (") + customer + u')');
}

void TZRVServerHost::Print(TZRVServerClientConnection* aConnection, const QString& aWhat) {
    if (!fServer)
        return; // the listener is going: its last events tell nothing new
    int slot = 1;
    while (fServer->GetConnection(uint8_t(slot)) && fServer->GetConnection(uint8_t(slot)) != aConnection)
        ++slot;
    QString who = QStringLiteral("slot %1 %2").arg(slot).arg(aConnection->RemoteAddress());
    if (!aConnection->RemoteHost().isEmpty())
        who += u' ' + aConnection->RemoteHost();
    fOut << DateTimeToQDateTime(Now()).toString(QStringLiteral("HH:mm:ss ")) << who << QStringLiteral(": ")
         << aWhat << Qt::endl;
}

void TZRVServerHost::Stop() {
    fJobs.SetAutomatic(false);
    if (fServer && fServer->Active()) {
        fOut << QStringLiteral("zrv2server: stopping, %1 workstations connected")
                    .arg(fServer->GetConnectionsCount())
             << Qt::endl;
        fServer->Close();
    }
    // The work posted before (the logouts' write-backs) is through once this one is.
    fWorker.Post(
        this, [](TZRVDataBase&) { return true; },
        [this](const TZRVDataBaseOutcome<bool>&) {
            if (fOnStopped)
                fOnStopped();
        });
}

void TZRVServerHost::CatchStopSignals() {
    if (fSignalNotifier)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sSignalPipe) != 0)
        RaiseSignalError();
    fSignalNotifier = new QSocketNotifier(sSignalPipe[0], QSocketNotifier::Read, this);
    connect(fSignalNotifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(sSignalPipe[0], &byte, 1);
        Stop();
    });
    if (!SetStopHandler(OnStopSignal))
        RaiseSignalError();
}
