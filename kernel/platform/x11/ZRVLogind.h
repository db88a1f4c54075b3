#pragma once
// Ending the session and blocking its end through systemd-logind (org.freedesktop.login1) over
// D-Bus. Every call is asynchronous: the answers come back on the event loop. Log-off terminates
// the session our process belongs to; reboot and power-off are asked for only when logind says
// the caller may do them without a password ("yes"), and never interactively. The block is a
// logind "block" inhibitor on shutdown, held as long as we keep its file descriptor.

#include "platform/ZRVPlatform.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>

class QDBusPendingCall;

class TZRVLogindSession : public QObject, public IZRVSession {
    Q_OBJECT
public:
    // Talks to logind on aBus (the system bus in the product; a private bus in the tests).
    explicit TZRVLogindSession(const QDBusConnection& aBus, QObject* aParent = nullptr);

    void End(TZRVSessionEnd aHow, bool aForce, QObject* aContext,
             std::function<void(bool aEnded)> aDone) override;
    void SetEndBlocked(bool aBlocked, const QString& aWhy) override;
    bool EndBlocked() const override { return fInhibitor.isValid(); }

    static inline const QString c_Service = QStringLiteral("org.freedesktop.login1");
    static inline const QString c_Path = QStringLiteral("/org/freedesktop/login1");
    static inline const QString c_Manager = QStringLiteral("org.freedesktop.login1.Manager");
    static inline const QString c_Session = QStringLiteral("org.freedesktop.login1.Session");

private:
    using TReply = std::function<void(const QDBusPendingCall& aCall)>;
    // Calls aMethod of the manager and hands its answer to aReply on the event loop.
    void CallManager(const QString& aMethod, const QList<QVariant>& aArguments, TReply aReply);
    void Watch(const QDBusPendingCall& aCall, TReply aReply);
    void LogOff(std::function<void(bool)> aDone);
    void Shutdown(TZRVSessionEnd aHow, std::function<void(bool)> aDone);

    QDBusConnection fBus;
    QDBusUnixFileDescriptor fInhibitor;
    // The last wish: a grant that arrives after the block was lifted is dropped.
    bool fWantBlocked = false;
    bool fInhibitPending = false;
};
