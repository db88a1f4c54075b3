#include "ZRVLogind.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

#include <unistd.h>

TZRVLogindSession::TZRVLogindSession(const QDBusConnection& aBus, QObject* aParent)
    : QObject(aParent), fBus(aBus) {}

void TZRVLogindSession::Watch(const QDBusPendingCall& aCall, TReply aReply) {
    // A call that could not even be sent (no bus) is finished already: its answer comes later too.
    if (aCall.isFinished()) {
        QTimer::singleShot(0, this, [aCall, aReply = std::move(aReply)] { aReply(aCall); });
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(aCall, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, aReply = std::move(aReply)] {
        aReply(*watcher);
        // The answer goes at once: it may hold a descriptor (an inhibitor) that must close with ours.
        static_cast<QDBusPendingCall&>(*watcher) = QDBusPendingCall::fromCompletedCall(QDBusMessage());
        watcher->deleteLater();
    });
}

void TZRVLogindSession::CallManager(const QString& aMethod, const QList<QVariant>& aArguments,
                                    TReply aReply) {
    QDBusMessage call = QDBusMessage::createMethodCall(c_Service, c_Path, c_Manager, aMethod);
    call.setArguments(aArguments);
    Watch(fBus.asyncCall(call), std::move(aReply));
}

void TZRVLogindSession::End(TZRVSessionEnd aHow, bool aForce, QObject* aContext,
                            std::function<void(bool aEnded)> aDone) {
    // Our own block refuses an end without force, as it refuses the system's.
    if (fWantBlocked && !aForce)
        return AnswerLater(aContext, std::move(aDone), false);
    if (aForce)
        SetEndBlocked(false, QString());
    const QPointer<QObject> context = aContext;
    auto finish = [context, hasContext = aContext != nullptr, aDone = std::move(aDone)](bool aEnded) {
        if (aDone && (!hasContext || context))
            aDone(aEnded);
    };
    if (aHow == TZRVSessionEnd::LogOff)
        LogOff(std::move(finish));
    else
        Shutdown(aHow, std::move(finish));
}

// The session our own process belongs to is the one that ends.
void TZRVLogindSession::LogOff(std::function<void(bool)> aDone) {
    CallManager(QStringLiteral("GetSessionByPID"), {QVariant::fromValue(uint(getpid()))},
                [this, aDone](const QDBusPendingCall& aCall) {
                    const QDBusPendingReply<QDBusObjectPath> session = aCall;
                    if (session.isError())
                        return aDone(false);
                    const QDBusMessage terminate = QDBusMessage::createMethodCall(
                        c_Service, session.value().path(), c_Session, QStringLiteral("Terminate"));
                    Watch(fBus.asyncCall(terminate),
                          [aDone](const QDBusPendingCall& aTerminated) { aDone(!aTerminated.isError()); });
                });
}

void TZRVLogindSession::Shutdown(TZRVSessionEnd aHow, std::function<void(bool)> aDone) {
    const bool reboot = aHow == TZRVSessionEnd::Reboot;
    const QString method = reboot ? QStringLiteral("Reboot") : QStringLiteral("PowerOff");
    // "yes" only: "challenge" would need a password, which nobody is there to type.
    CallManager(QStringLiteral("Can") + method, {}, [this, method, aDone](const QDBusPendingCall& aCall) {
        const QDBusPendingReply<QString> allowed = aCall;
        if (allowed.isError() || allowed.value() != u"yes")
            return aDone(false);
        CallManager(method, {false},
                    [aDone](const QDBusPendingCall& aDoneCall) { aDone(!aDoneCall.isError()); });
    });
}

void TZRVLogindSession::SetEndBlocked(bool aBlocked, const QString& aWhy) {
    fWantBlocked = aBlocked;
    if (!aBlocked) {
        // Closing our descriptor ends the inhibitor.
        fInhibitor = QDBusUnixFileDescriptor();
        return;
    }
    if (EndBlocked() || fInhibitPending)
        return;
    fInhibitPending = true;
    CallManager(QStringLiteral("Inhibit"),
                {QStringLiteral("shutdown"), QStringLiteral("zrv2 client"), aWhy, QStringLiteral("block")},
                [this](const QDBusPendingCall& aCall) {
                    fInhibitPending = false;
                    const QDBusPendingReply<QDBusUnixFileDescriptor> inhibitor = aCall;
                    if (inhibitor.isError())
                        qCWarning(lcZRVPlatform).noquote()
                            << "The session manager refused to block the end of the session:"
                            << inhibitor.error().message();
                    else if (fWantBlocked)
                        fInhibitor = inhibitor.value();
                });
}
