#pragma once
// The headless host of the kernel's server side: it creates the error logger, the database, the
// listener and the hourly automatic jobs (daily credit, bonus, cleaning) in that order, serves the
// workstations, prints one line per workstation event and, when stopped (SIGINT, SIGTERM or Stop),
// logs every customer out so that every session is written back before it stops listening. The
// workstations' database work runs on the database worker, with a connection of its own.

#include "ZRVDataBase.h"
#include "ZRVDataBaseWorker.h"
#include "ZRVErrorLogger.h"
#include "ZRVServerConnection.h"
#include "ZRVServerInitialisations.h"

#include <QHash>
#include <QTextStream>

#include <memory>

class QSocketNotifier;

// What `serve` is told; a negative number takes the server settings' value.
struct TZRVServeOptions {
    QString DataBase;
    QString DataBasePassword;
    QString LogFile;
    int Port = -1;
    int MaxConnections = -1;
    int DiscoveryPort = TZRVCustomServerConnection::c_DefaultDiscoveryPort;
    // The name the server's claims carry on a database shared with other servers; empty: the
    // host's name and the port.
    QString ServerName;
    // Milliseconds between two checks of the automatic jobs; negative: an hour.
    int JobsInterval = -1;
};

class TZRVServerHost : public QObject {
    Q_OBJECT
public:
    TZRVServerHost(TZRVServeOptions aOptions, QTextStream& aOut, QObject* aOwner = nullptr);
    ~TZRVServerHost() override;

    // Opens the database (creating it on first run) and starts listening. Raises EZRVError.
    void Start();
    // Logs every customer out and stops listening; OnStopped once the database worker has been
    // through the sessions' write-backs.
    void Stop();
    // Turns SIGINT and SIGTERM into Stop, on the event loop. One host per process catches them.
    void CatchStopSignals();

    TZRVServerConnection* Server() const { return fServer.get(); }
    // The host's own connection, which opened (or created) the file; the serving never uses it.
    TZRVDataBase& DataBase() { return fDb; }
    TZRVDataBaseWorker& DataBaseWorker() { return fWorker; }
    // Runs aWork (the operator service's, for one) on the database worker, after the work posted
    // before; aDone gets its outcome on aContext's thread unless aContext has gone.
    template <class T>
    void RunOnDataBase(QObject* aContext, std::function<T(TZRVDataBase&)> aWork,
                       std::function<void(TZRVDataBaseOutcome<T>)> aDone) {
        fWorker.Post(aContext, std::move(aWork), std::move(aDone));
    }
    TZRVServerInitialisations& Jobs() { return fJobs; }
    void SetOnStopped(std::function<void()> aEvent) { fOnStopped = std::move(aEvent); }

private:
    void Configure();
    void AttachEvents();
    void Print(TZRVServerClientConnection* aConnection, const QString& aWhat);
    void UserConnectionOpen(TZRVServerClientConnection* aConnection);
    void UserConnectionStop(TZRVServerClientConnection* aConnection);
    static QString Customer(const TZRVServerClientConnection* aConnection);

    TZRVServeOptions fOptions;
    QTextStream& fOut;
    TZRVErrorLogger fLogger;
    TZRVDataBase fDb;
    TZRVDataBaseWorker fWorker;
    std::unique_ptr<TZRVServerConnection> fServer;
    TZRVServerInitialisations fJobs;
    // The customer logged in on each slot, for the logout line.
    QHash<const TZRVServerClientConnection*, QString> fCustomers;
    QSocketNotifier* fSignalNotifier = nullptr;
    std::function<void()> fOnStopped;
};
