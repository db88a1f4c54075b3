#include "ZRVServerClaims.h"

#include "ZRVDataBaseWorker.h"
#include "ZRVServerConnection.h"
#include "ZRVServerUserConnection.h"

#include <QSysInfo>
#include <QTimer>

TZRVServerClaims::TZRVServerClaims(TZRVCustomServerConnection* aServer)
    : QObject(aServer), fServer(aServer), fTimer(new QTimer(this)) {
    fTimer->setInterval(c_DefaultRenewInterval);
    connect(fTimer, &QTimer::timeout, this, &TZRVServerClaims::Renew);
}

int TZRVServerClaims::RenewInterval() const {
    return fTimer->interval();
}

void TZRVServerClaims::SetRenewInterval(int aMilliseconds) {
    fTimer->setInterval(std::max(aMilliseconds, 1));
}

void TZRVServerClaims::Start() {
    if (fIdentity.Name.isEmpty())
        fIdentity.Name = DefaultName(fServer->ServerPort());
    fTimer->start();
}

void TZRVServerClaims::Stop() {
    fTimer->stop();
}

QString TZRVServerClaims::DefaultName(int aPort) {
    return QSysInfo::machineHostName() + u':' + QString::number(aPort);
}

QStringList TZRVServerClaims::RunningSessions() const {
    QStringList tokens;
    for (int i = 1; i <= fServer->MaxConnections(); ++i) {
        const TZRVServerClientConnection* c = fServer->GetConnection(uint8_t(i));
        if (c && c->Connected() && c->UserConnection()->Connected())
            tokens << c->UserConnection()->SessionToken();
    }
    return tokens;
}

void TZRVServerClaims::Renew() {
    TZRVDataBaseWorker* db = fServer->DataBase();
    const QStringList tokens = RunningSessions();
    if (!db || tokens.isEmpty())
        return;
    db->Post(
        this, [name = fIdentity.Name, tokens](TZRVDataBase& aDb) { return aDb.RenewClaims(name, tokens); },
        [this](const TZRVDataBaseOutcome<int>& aOutcome) {
            if (!aOutcome.Ok())
                fServer->LogError(aOutcome.Error, QStringLiteral("ZRVServerClaims"),
                                  QStringLiteral("TZRVServerClaims.Renew"),
                                  QStringLiteral("try again later"));
        });
}
