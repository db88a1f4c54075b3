// Writes the seed corpus of the fuzzers (fuzz/corpus/<target>/<name>) from real messages and
// records, made by the kernel's own classes as a workstation and the server make them. Run once
// after the wire format changes, and commit what it writes:
//   build-fuzz/fuzz/zrvmakecorpus fuzz/corpus

#include "ZRVCrypt.h"
#include "ZRVMachine.h"
#include "ZRVMessage.h"
#include "ZRVServerConfig.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

QString Body(const TStringList& aList) {
    return aList.Text();
}

QByteArray Encoded(const TStringList& aList) {
    return EncodeMessage(Body(aList), TZRVCrypt());
}

TStringList Message(const QString& aId, const QString& aReason, const QStringList& aLines = {}) {
    TStringList list({aId, aReason});
    for (const QString& line : aLines)
        list.Add(line);
    return list;
}

TStringList MachineRecord() {
    TZRVMachine machine;
    machine.SetMachineName(QStringLiteral("PC01"));
    machine.SetRam(4096);
    machine.SetCpu(QStringLiteral("x86_64"));
    machine.SetOSystem(QStringLiteral("Debian 12"));
    machine.SetGeography(QStringLiteral("Salle 1"));
    for (const char* name : {"Solitaire", "Échecs"}) {
        auto game = std::make_unique<TZRVGame>();
        game->SetGameName(QString::fromUtf8(name));
        game->SetCommandLine(QStringLiteral("/usr/games/jeu"));
        machine.Games()->Add(std::move(game));
    }
    auto app = std::make_unique<TZRVApplication>();
    app->SetApplicationName(QStringLiteral("Navigateur"));
    app->SetCommandLine(QStringLiteral("firefox-esr"));
    machine.Applications()->Add(std::move(app));
    return machine.SaveToStringList();
}

TStringList AccountRecord() {
    TZRVUserAccount account;
    account.SetAccountName(QStringLiteral("alice"));
    account.SetAccountPassword(QStringLiteral("motdepasse"));
    account.SetFirstName(QStringLiteral("Alice"));
    account.SetEmail(QStringLiteral("alice@example.org"));
    account.SetCredit(3600);
    account.SetDaysAllowed(-1);
    account.SecretQuestion()->SetQuestion(QStringLiteral("Ville natale ?"));
    account.SetSecretAnswer(QStringLiteral("Douala"));
    return account.SaveToStringList();
}

TStringList TicketRecord() {
    TZRVUserTicket ticket;
    ticket.SetCode(QStringLiteral("AB12CD34"));
    ticket.SetCredit(3600);
    ticket.SetDaysAllowed(30);
    ticket.SetActive(true);
    ticket.SetHourFormulaName(QStringLiteral("Default"));
    return ticket.SaveToStringList();
}

TStringList ConfigRecord() {
    TZRVServerClientConfig config;
    config.SetUIOwnerName(QStringLiteral("Cyber Café du Port"));
    config.SetUIPhone(QStringLiteral("+237 600 00 00 00"));
    return config.SaveToStringList();
}

// What a workstation sends after its handshake, one message per seed, and a whole visit.
QList<QPair<QString, TStringList>> WorkstationMessages() {
    const QString client = c_msgid_ClientConnection;
    const QString user = c_msgid_UserConnection;
    TStringList created = AccountRecord();
    created.Add(user);
    created.Add(c_msgreason_CreateAccount);
    TStringList closed = Message(user, c_msgreason_UserConnectionClosed, {QStringLiteral("SessionType=2")});
    closed.AddStrings(TicketRecord());
    TStringList ready = Message(client, c_msgreason_ClientReady, {"ReadyValue=-1", "ShutdownState=0"});
    ready.AddStrings(ConfigRecord());
    TStringList handshake = Message(client, c_msgreason_ClientHandshake);
    handshake.AddStrings(MachineRecord());
    return {
        {"handshake", handshake},
        {"ready", ready},
        {"ping", Message(client, c_msgreason_ClientPing)},
        {"shutdown_state", Message(client, c_msgreason_ClientShutdownState, {"NewState=-1"})},
        {"info", Message(client, c_msgreason_InfoMessage, {QStringLiteral("INFOMESSAGE=Imprimante vide")})},
        {"apps", Message(client, c_msgreason_GetRunningApplicationsList,
                         {"Name1=Navigateur", "Handle1=4021", "Name2=Solitaire", "Handle2=4388"})},
        {"kill_result", Message(client, c_msgreason_TerminateApplication, {"Success=-1"})},
        {"config",
         [] {
             TStringList config = Message(c_msgid_ClientConnection, c_msgreason_GetConfigList);
             config.AddStrings(ConfigRecord());
             return config;
         }()},
        {"questions", Message(client, c_msgreason_GetSecretQuestionsList)},
        {"login_account",
         Message(user, c_msgreason_GetAccount, {"AccountName=caissier", "AccountPassword=secret"})},
        {"login_wrong",
         Message(user, c_msgreason_GetAccount, {"AccountName=caissier", "AccountPassword=faux"})},
        {"login_ticket", Message(user, c_msgreason_GetTicket, {"TicketCode=AB12CD34"})},
        {"reload", Message(user, c_msgreason_AddCredit, {"ReloadCode=ZX98YW76"})},
        {"create_account", created},
        {"retrieve_password",
         Message(user, c_msgreason_RetrievePassword,
                 {"AccountName=caissier", "SecretQuestion=Ville natale ?", "SecretAnswer=Douala"})},
        {"session_started", Message(user, c_msgreason_SessionStarted)},
        {"session_update", Message(user, c_msgreason_SessionUpdate, {"CreditValue=2999"})},
        {"session_restored",
         Message(user, c_msgreason_SessionUpdate,
                 {"CreditValue=2999", "SessionType=2", "SessionTypeID=1",
                  "SessionToken=0123456789abcdef0123456789abcdef", "", "SessionOpenned=-1"})},
        {"session_stopped", Message(user, c_msgreason_SessionStopped, {"CreditValue=2940"})},
        {"connection_closed", closed},
    };
}

bool Write(const QString& aFolder, const QString& aName, const QByteArray& aBytes) {
    if (!QDir().mkpath(aFolder))
        return false;
    QFile file(QDir(aFolder).filePath(aName));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(aBytes) == aBytes.size();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const auto folder = [&](const char* aTarget) { return root.filePath(QLatin1String(aTarget)); };
    bool written = true;
    QByteArray visit; // a whole visit: login, session, reports, logout, in one delivery
    for (const auto& [name, message] : WorkstationMessages()) {
        const QByteArray bytes = Encoded(message);
        const QByteArray body = ToWindows1252(Body(message));
        // First byte: the bound (framing) or the piece length (receive buffer); then what is read.
        written &= Write(folder("fuzz_server_connection"), name, bytes);
        written &= Write(folder("fuzz_framing"), name, QByteArray("\x40\x07") + body);
        written &= Write(folder("fuzz_receive_buffer"), name, QByteArray("\x05") + bytes + bytes);
        written &= Write(folder("fuzz_string_list"), name, QByteArray("\x01") + Body(message).toUtf8());
        if (name.startsWith(QLatin1String("login_t")) || name.startsWith(QLatin1String("session_")))
            visit += bytes;
    }
    written &= Write(folder("fuzz_server_connection"), QStringLiteral("visit"), visit);
    written &= Write(folder("fuzz_receive_buffer"), QStringLiteral("visit"), QByteArray("\x11") + visit);
    const QList<QPair<QString, TStringList>> records = {{"machine", MachineRecord()},
                                                        {"account", AccountRecord()},
                                                        {"ticket", TicketRecord()},
                                                        {"config", ConfigRecord()}};
    for (const auto& [name, record] : records)
        written &= Write(folder("fuzz_records"), name, Body(record).toLatin1());
    if (!written) {
        fprintf(stderr, "%s: could not write the corpus in %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
