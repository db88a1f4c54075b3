#pragma once
// The server on a real SQLite file in a temporary folder, listening on 127.0.0.1 port 0, and
// real workstation connections (or bare sockets) talking to it.

#include "ZRVClientConnection.h"
#include "ZRVCrypt.h"
#include "ZRVDataBase.h"
#include "ZRVDataBaseWorker.h"
#include "ZRVErrorLogger.h"
#include "ZRVServerConnection.h"
#include "ZRVWriteBackJournal.h"

#include "support/EventLoop.h"
#include "support/TempDirs.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Readable texts in failure messages.
inline void PrintTo(const QString& aText, std::ostream* aOut) {
    *aOut << '"' << aText.toStdString() << '"';
}

namespace zrvtest {

// One workstation: the real client connection, its events recorded by name.
class Workstation {
public:
    Workstation(quint16 aPort, const QString& aMachineName) {
        fConn.SetServerAddress(QStringLiteral("127.0.0.1"));
        fConn.SetServerPort(aPort);
        fConn.SetReadyDelay(1);
        fConn.Machine()->SetMachineName(aMachineName);
        const auto record = [this](const char* aName) {
            return [this, aName](QObject*) { fEvents << aName; };
        };
        fConn.SetOnReady(record("Ready"));
        fConn.SetOnDisconnect(record("Disconnect"));
        fConn.SetOnServerPing(record("ServerPing"));
        fConn.SetOnUserConnectionOpen(record("Open"));
        fConn.SetOnUserConnectionFail(record("Fail"));
        fConn.SetOnUserConnectionClose(record("Close"));
        fConn.SetOnUserConnectionAddCredit(record("AddCredit"));
        fConn.SetOnUserConnectionAccountCreated(record("AccountCreated"));
        fConn.SetOnUserConnectionAccountUpdated(record("AccountUpdated"));
        fConn.SetOnUserConnectionPasswordRetrieved(record("PasswordRetrieved"));
        fConn.SetOnQueryCloseClientModule(record("QueryCloseClientModule"));
        fConn.SetOnQueryLaunchClientModule(record("QueryLaunchClientModule"));
        fConn.SetOnQueryRebootWorkStation(record("QueryRebootWorkStation"));
        fConn.SetOnQueryShutdownWorkStation(record("QueryShutdownWorkStation"));
        fConn.SetOnSecretQuestionListAvailable(record("SecretQuestionList"));
        fConn.SetOnInfoMessage([this](QObject*, const QString& aMsg) { fEvents << "Info:" + aMsg; });
    }

    TZRVClientConnection& Conn() { return fConn; }
    TZRVUserConnection& User() { return *fConn.UserConnection(); }
    TZRVUserSession& Session() { return *fConn.UserConnection()->Session(); }

    bool Saw(const QString& aEvent) const { return fEvents.contains(aEvent); }
    bool WaitFor(const QString& aEvent, int aTimeoutMs = c_EventTimeoutMs) const {
        return WaitUntil([&] { return Saw(aEvent); }, aTimeoutMs);
    }
    void ClearEvents() { fEvents.clear(); }
    const QStringList& Events() const { return fEvents; }

    bool ConnectReady() {
        fConn.OpenConnection();
        return WaitFor(QStringLiteral("Ready")) && fConn.Ready();
    }
    // The outcome of a user request: "Fail:" and the server's message, or the success event.
    QString Outcome(const QString& aSuccessEvent) {
        if (!WaitUntil([&] { return Saw(aSuccessEvent) || Saw(QStringLiteral("Fail")); }))
            return QStringLiteral("no answer");
        return Saw(aSuccessEvent) ? aSuccessEvent : QStringLiteral("Fail:") + User().FailMessage();
    }

private:
    TZRVClientConnection fConn;
    QStringList fEvents;
};

// A bare socket speaking the framing, for what no workstation sends.
class RawPeer {
public:
    // aFrom: the loopback address the peer connects from (127.0.0.1 unless told).
    explicit RawPeer(quint16 aPort, const QString& aFrom = QString()) {
        fReader.SetOnBody([this](const QString& aBody) { fReceived << aBody; });
        QObject::connect(&fSocket, &QTcpSocket::readyRead, [this] { fReader.Feed(fSocket.readAll()); });
        if (!aFrom.isEmpty())
            fSocket.bind(QHostAddress(aFrom));
        fSocket.connectToHost(QHostAddress::LocalHost, aPort);
    }
    QTcpSocket& Socket() { return fSocket; }
    bool Connected() {
        return WaitUntil([&] { return fSocket.state() == QAbstractSocket::ConnectedState; });
    }
    void Send(const QStringList& aLines) { SendRaw(EncodeMessage(TStringList(aLines).Text(), fCrypt)); }
    void SendRaw(const QByteArray& aBytes) { fSocket.write(aBytes); }
    // Waits for a message with that reason and returns it.
    bool WaitFor(const QString& aReason, TStringList* aMessage = nullptr, int aTimeoutMs = c_EventTimeoutMs) {
        return WaitUntil(
            [&] {
                for (const QString& body : fReceived) {
                    TStringList L;
                    L.SetText(body);
                    if (L.Values(c_MessageReason).compare(aReason, Qt::CaseInsensitive) == 0) {
                        if (aMessage)
                            *aMessage = L;
                        return true;
                    }
                }
                return false;
            },
            aTimeoutMs);
    }
    const QStringList& Received() const { return fReceived; }
    void ClearReceived() { fReceived.clear(); }
    bool WaitClosed(int aTimeoutMs = c_EventTimeoutMs) {
        return WaitUntil([&] { return fSocket.state() == QAbstractSocket::UnconnectedState; }, aTimeoutMs);
    }
    // Handshake and ready exchange as a workstation named aName.
    bool MakeReady(const QString& aName) {
        if (!Connected() || !WaitFor(c_SERVER_HANDSHAKE))
            return false;
        Send(Handshake(aName));
        if (!WaitFor(c_SERVER_READY))
            return false;
        Send(Ready());
        return true;
    }
    // The handshake of a workstation named aName, and its ready answer.
    static QStringList Handshake(const QString& aName) {
        return {c_msgid_ClientConnection,
                c_msgreason_ClientHandshake,
                "Mcn_MID=1",
                "Mcn_Ram=0",
                "Mcn_MNm=" + aName,
                "Mcn_Cpu=",
                "Mcn_OSm=",
                "Mcn_Geo=",
                "Mcn_LUN=",
                "Mcn_Gam_Games_OwnerID=0",
                "Mcn_Gam_Games_Count=0",
                "Mcn_App_Applications_OwnerID=0",
                "Mcn_App_Applications_Count=0"};
    }
    static QStringList Ready() {
        return {c_msgid_ClientConnection, c_msgreason_ClientReady, "ReadyValue=-1", "ShutdownState=0"};
    }

private:
    QTcpSocket fSocket;
    TZRVMessageReader fReader;
    TZRVCrypt fCrypt;
    QStringList fReceived;
};

// The server with its database and log, and helpers that fill the database.
class ServerTest : public ::testing::Test {
protected:
    TempRegistry fRegistry;
    QTemporaryDir fDir;
    TZRVErrorLogger fLogger;
    TZRVDataBase fDb;
    // The server's database work runs here, on the same file through a connection of its own.
    std::unique_ptr<TZRVDataBaseWorker> fWorker;
    std::unique_ptr<TZRVServerConnection> fServer;
    uint32_t fOwnerID = 0;
    const QString c_OtherProcess = QStringLiteral("another process");

    void SetUp() override {
        fLogger.SetLogFile(fDir.filePath(QStringLiteral("server.lgf")));
        fDb.SetDBName(fDir.filePath(QStringLiteral("cafe.db")));
        ASSERT_TRUE(fDb.Open());
        fOwnerID = AddAccount(QStringLiteral("caissier"), QStringLiteral("secret"));
        StartServer();
    }

    void StartServer(uint8_t aMaxConnections = 10) {
        fServer.reset();
        fWorker = std::make_unique<TZRVDataBaseWorker>();
        fWorker->SetDataBase(fDb);
        fWorker->Start();
        fServer = std::make_unique<TZRVServerConnection>();
        fServer->SetDataBase(fWorker.get());
        fServer->SetErrorLogger(&fLogger);
        fServer->SetMaxConnections(aMaxConnections);
        fServer->SetServerPort(0);
        fServer->SetDiscoveryPort(0);
        fServer->SetMachineRegistrationDelay(1);
        // Guesses are slowed as in a café, only much less; the tests of slowing set their own.
        fServer->GuessThrottle()->SetSettings({.FirstDelayMs = 1});
        fServer->Open();
    }
    void TearDown() override { Unlock(); }
    quint16 Port() const { return quint16(fServer->ServerPort()); }

    // Another process's transaction holds the database file.
    void Lock() {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), c_OtherProcess);
        other.setDatabaseName(fDb.DBName());
        ASSERT_TRUE(other.open());
        ASSERT_TRUE(QSqlQuery(other).exec(QStringLiteral("BEGIN EXCLUSIVE")));
    }
    void Unlock() {
        if (!QSqlDatabase::contains(c_OtherProcess))
            return;
        {
            QSqlDatabase other = QSqlDatabase::database(c_OtherProcess);
            QSqlQuery(other).exec(QStringLiteral("ROLLBACK"));
            other.close();
        }
        QSqlDatabase::removeDatabase(c_OtherProcess);
    }
    // Waits until the database work posted so far, and the work its answers posted, is done.
    bool DataBaseSettled() {
        return WaitUntil([&] {
            RunDeferredCalls();
            return fWorker->Idle() && fServer->WriteBacks()->Pending() == 0;
        });
    }

    // The records as the database holds them once the server's database work in hand has landed.
    std::unique_ptr<TZRVUserAccount> StoredAccount(const QString& aName) {
        EXPECT_TRUE(DataBaseSettled());
        return fDb.ReadAccount(uint32_t(fDb.AccountExists(aName)));
    }
    std::unique_ptr<TZRVUserTicket> StoredTicket(const QString& aCode) {
        EXPECT_TRUE(DataBaseSettled());
        return fDb.ReadTicket(uint32_t(fDb.TicketExists(aCode)));
    }

    std::unique_ptr<Workstation> Join(const QString& aName = QStringLiteral("PC01")) {
        auto ws = std::make_unique<Workstation>(Port(), aName);
        EXPECT_TRUE(ws->ConnectReady()) << aName.toStdString();
        return ws;
    }

    TZRVServerClientConnection* Slot(uint8_t aIndex) const { return fServer->GetConnection(aIndex); }
    // The session of the workstation's slot on the server, kept from counting on its own.
    TZRVUserSession* ServerSession(uint8_t aSlot) {
        TZRVUserSession* session = Slot(aSlot)->UserConnection()->Session();
        session->SetChangeInterval(3600000);
        return session;
    }
    // Opens the workstation's session with a credit that only the test changes.
    void StartSession(Workstation& aWs, uint8_t aSlot) {
        ServerSession(aSlot);
        aWs.Session().SetAutoChangeCredit(false);
        ASSERT_TRUE(aWs.Session().Open());
        ASSERT_TRUE(WaitUntil([&] { return ServerSession(aSlot)->Openned(); }));
    }

    uint32_t AddAccount(const QString& aName, const QString& aPassword, bool aActive = true,
                        uint32_t aCredit = 3600, const QString& aQuestion = QStringLiteral("Ville natale ?"),
                        const QString& aAnswer = QStringLiteral("Douala")) {
        TZRVUserAccount account;
        account.SetAccountName(aName);
        account.SetAccountPassword(aPassword);
        account.SetActive(aActive);
        account.SetCredit(aCredit);
        account.SetDaysAllowed(-1);
        account.SecretQuestion()->SetQuestion(aQuestion);
        account.SetSecretAnswer(aAnswer);
        account.Group()->SetGroupID(1);
        EXPECT_TRUE(fDb.AddAccount(&account)) << aName.toStdString();
        return account.AccountID();
    }

    struct TicketSpec {
        uint32_t Credit = 3600;
        bool Sold = true;
        TDateTime ActivationDate = 0; // Now() when sold and left 0
        int32_t DaysAllowed = 30;
        QString HourFormula = QStringLiteral("Default");
    };
    uint32_t AddTicket(const QString& aCode, const TicketSpec& aSpec) {
        TZRVUserTicket ticket;
        ticket.SetCode(aCode);
        ticket.SetCredit(aSpec.Credit);
        ticket.SetDaysAllowed(aSpec.DaysAllowed);
        ticket.SetHourFormulaName(aSpec.HourFormula);
        ticket.Group()->SetGroupName(QStringLiteral("Default"));
        EXPECT_TRUE(fDb.AddTicket(&ticket, fOwnerID, false)) << aCode.toStdString();
        const uint32_t id = uint32_t(fDb.TicketExists(aCode));
        if (aSpec.Sold) {
            auto stored = fDb.ReadTicket(id);
            stored->SetActive(true);
            stored->SetActivationDate(aSpec.ActivationDate != 0 ? aSpec.ActivationDate : Now());
            EXPECT_TRUE(fDb.UpdateTicket(stored.get()));
        }
        return id;
    }
    uint32_t AddTicket(const QString& aCode) { return AddTicket(aCode, TicketSpec()); }

    QString Log() const {
        QFile f(fLogger.LogFile());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

} // namespace zrvtest
