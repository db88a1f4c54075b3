#pragma once
// A server's claims on the accounts and tickets of its sessions, among the servers sharing one
// database (the cafés of a chain): the name its claims carry, and their renewal while the sessions
// run, so that a claim whose server went silent (stopped by force, cut off) is released after a
// few minutes, and one whose session's workstation never came back after a restart too.

#include "ZRVDataBase.h"

#include <QObject>

class QTimer;
class TZRVCustomServerConnection;

class TZRVServerClaims : public QObject {
public:
    static constexpr int c_DefaultRenewInterval = 60000;

    explicit TZRVServerClaims(TZRVCustomServerConnection* aServer);

    // The server's name among those sharing the database, and how long their claims hold without
    // renewal. Without a name set, Start names it after the host and the port listened on.
    const TZRVServerIdentity& Identity() const { return fIdentity; }
    void SetName(const QString& aName) { fIdentity.Name = aName; }
    void SetSilence(int aSeconds) { fIdentity.Silence = std::max(aSeconds, 1); }
    // Milliseconds between two renewals; well below the silence.
    int RenewInterval() const;
    void SetRenewInterval(int aMilliseconds);

    // Names the server when it has no name yet and renews the claims every interval from now on.
    void Start();
    void Stop();
    // Renews at once the claims of the sessions that run, on the server's database worker.
    void Renew();
    // The host's name and the port: the name of a server nobody named.
    static QString DefaultName(int aPort);

private:
    QStringList RunningSessions() const;

    TZRVCustomServerConnection* fServer;
    QTimer* fTimer;
    TZRVServerIdentity fIdentity;
};
