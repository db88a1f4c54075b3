#pragma once
// One workstation program per desktop session: the first start holds a lock file named after the
// program's title and listens on a local socket of the same name; a later start finds the lock
// held and sends the first one the wake-up message over that socket instead of running.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <functional>
#include <memory>

class TZRVSingleInstance : public QObject {
    Q_OBJECT
public:
    // The message a later start sends: the number of the window message it was, then its
    // parameter.
    static constexpr int c_WakeUpMessage = 0x81F9;

    // aName: the program's title; aFolder: where the lock and the socket live (empty: the user's
    // runtime folder, else the temporary folder).
    explicit TZRVSingleInstance(const QString& aName, const QString& aFolder = QString(),
                                QObject* aOwner = nullptr);
    ~TZRVSingleInstance() override;

    // Takes the lock, waiting aWaitMs at most; true for the first start, which then listens.
    bool TryFirst(int aWaitMs);
    // Sends the wake-up message with aWParam to the first start, waiting aTimeoutMs at most (the
    // sending start is about to end and runs no event loop); whether it was delivered.
    bool SendWakeUp(int aWParam, int aTimeoutMs) const;

    bool First() const { return fServer != nullptr; }
    QString LockFile() const { return fBase + QStringLiteral(".lock"); }
    QString SocketName() const { return fBase + QStringLiteral(".socket"); }

    // Called with the message's parameter when a later start sends the wake-up message.
    void SetOnWakeUp(std::function<void(int aWParam)> aEvent) { fOnWakeUp = std::move(aEvent); }

private:
    void Listen();
    void ReadMessage(class QLocalSocket* aSocket);

    QString fBase;
    QLockFile fLock;
    QLocalServer* fServer = nullptr;
    std::function<void(int)> fOnWakeUp;
};
