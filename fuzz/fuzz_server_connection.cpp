// A server slot fed hostile bytes after a workstation's handshake. The listener keeps one slot over a
// real SQLite file in a temporary folder, with one account and one sold ticket to log in with. Each
// input is a new workstation in that slot: it connects, sends its handshake and its ready answer,
// then the input's bytes as its socket would deliver them (no socket: the slot is fed directly);
// what the bytes asked runs on the event loop, then the workstation goes. Whatever the bytes, the
// server answers, refuses or drops them, and nothing crashes, leaks or misbehaves.

#include "ZRVCrypt.h"
#include "ZRVDataBase.h"
#include "ZRVDataBaseWorker.h"
#include "ZRVErrorLogger.h"
#include "ZRVServerConnection.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <climits>
#include <cstdlib>

namespace {

const QString c_Password = QStringLiteral("secret");

QByteArray Encoded(const QStringList& aLines) {
    return EncodeMessage(TStringList(aLines).Text(), TZRVCrypt());
}

void Check(bool aHolds, const char* aWhat) {
    if (!aHolds) {
        fprintf(stderr, "fuzz_server_connection: %s\n", aWhat);
        std::abort();
    }
}

// Lets what the bytes started (requests, their database work and answers, a kept tail) run to its
// end.
void RunPending(const TZRVDataBaseWorker& aWorker) {
    for (int pass = 0; pass < 4; ++pass) {
        while (!aWorker.Idle())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QCoreApplication::processEvents();
    }
}

class TFuzzServer {
public:
    TFuzzServer() {
        Check(fDir.isValid(), "no temporary folder");
        TZRVClock::Stop(Now()); // the same moment for every input
        fLogger.SetLogFile(fDir.filePath(QStringLiteral("server.lgf")));
        fDb.SetDBName(fDir.filePath(QStringLiteral("cafe.db")));
        Check(fDb.Open(), "the database does not open");
        AddCustomers();
        fWorker.SetDataBase(fDb);
        fWorker.Start();
        fServer.SetDataBase(&fWorker);
        fServer.SetErrorLogger(&fLogger);
        fServer.SetMaxConnections(1);
        fServer.SetMachineRegistrationDelay(0);
        // Guesses and account creations are never slowed: every input reaches the requests.
        fServer.GuessThrottle()->SetSettings({.FreeFailures = INT_MAX});
        fServer.AccountCreationThrottle()->SetSettings({.FreeFailures = INT_MAX});
        // A tail that may be the end of a message is handed on at the next turn of the loop.
        Slot()->Reader()->SetQuietTime(0);
        Slot()->Reader()->SetStallTime(0);
    }

    TZRVServerClientConnection* Slot() const { return fServer.GetConnection(1); }
    void RunPending() const { ::RunPending(fWorker); }

    // A workstation connects and finishes its handshake as a real one does.
    void Connect() {
        TZRVServerClientConnection* slot = Slot();
        slot->Handler_OnClientConnect();
        slot->Receive(Encoded(
            {c_msgid_ClientConnection, c_msgreason_ClientHandshake, "Mcn_MID=1", "Mcn_Ram=0", "Mcn_MNm=PC01",
             "Mcn_Cpu=", "Mcn_OSm=", "Mcn_Geo=", "Mcn_LUN=", "Mcn_Gam_Games_OwnerID=0",
             "Mcn_Gam_Games_Count=0", "Mcn_App_Applications_OwnerID=0", "Mcn_App_Applications_Count=0"}));
        slot->Receive(
            Encoded({c_msgid_ClientConnection, c_msgreason_ClientReady, "ReadyValue=-1", "ShutdownState=0"}));
        RunPending();
        Check(slot->Connected() && slot->Ready(), "the handshake did not finish");
    }

    // The workstation goes as when its socket closes.
    void Disconnect() {
        if (Slot()->Connected())
            Slot()->Handler_OnClientDisconnect();
        RunPending();
    }

private:
    void AddCustomers() {
        TZRVUserAccount account;
        account.SetAccountName(QStringLiteral("caissier"));
        account.SetAccountPassword(c_Password);
        account.SetActive(true);
        account.SetCredit(3600);
        account.SetDaysAllowed(-1);
        account.Group()->SetGroupID(1);
        account.SecretQuestion()->SetQuestion(QStringLiteral("Ville natale ?"));
        account.SetSecretAnswer(QStringLiteral("Douala"));
        Check(fDb.AddAccount(&account), "the account is not added");

        TZRVUserTicket ticket;
        ticket.SetCode(QStringLiteral("AB12CD34"));
        ticket.SetCredit(3600);
        ticket.SetDaysAllowed(30);
        ticket.SetHourFormulaName(QStringLiteral("Default"));
        ticket.Group()->SetGroupName(QStringLiteral("Default"));
        Check(fDb.AddTicket(&ticket, account.AccountID(), false), "the ticket is not added");
        auto stored = fDb.ReadTicket(uint32_t(fDb.TicketExists(ticket.Code())));
        Check(stored != nullptr, "the ticket does not read back");
        stored->SetActive(true);
        stored->SetActivationDate(Now());
        Check(fDb.UpdateTicket(stored.get()), "the ticket is not sold");
    }

    QTemporaryDir fDir;
    TZRVErrorLogger fLogger;
    TZRVDataBase fDb;
    TZRVDataBaseWorker fWorker;
    TZRVServerConnection fServer;
};

QCoreApplication* g_App = nullptr;
TFuzzServer* g_Server = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* aArgc, char*** aArgv) {
    g_App = new QCoreApplication(*aArgc, *aArgv);
    g_Server = new TFuzzServer;
    // Gone before Qt's own globals (registered while the server was made), the temporary folder
    // with them.
    std::atexit([] {
        delete g_Server;
        delete g_App;
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
    g_Server->Connect();
    g_Server->Slot()->Receive(QByteArrayView(aData, qsizetype(aSize)));
    g_Server->RunPending();
    g_Server->Disconnect();
    return 0;
}
