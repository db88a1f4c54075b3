#include "FakeLogind.h"

#include "support/EventLoop.h"

#include <QDBusConnectionInterface>
#include <QDBusError>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace zrvtest {

namespace {

const QString c_ServiceConnection = QStringLiteral("zrvtest-logind");
const QString c_ClientConnection = QStringLiteral("zrvtest-client");

} // namespace

TFakeLogind::~TFakeLogind() {
    if (fInhibitor >= 0)
        ::close(fInhibitor);
}

bool TFakeLogind::Refused() {
    if (Refuse)
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Access denied"));
    return Refuse;
}

QString TFakeLogind::CanReboot() {
    Calls.append(QStringLiteral("CanReboot"));
    return Can;
}

QString TFakeLogind::CanPowerOff() {
    Calls.append(QStringLiteral("CanPowerOff"));
    return Can;
}

void TFakeLogind::Reboot(bool aInteractive) {
    Calls.append(QStringLiteral("Reboot(%1)").arg(aInteractive ? "true" : "false"));
    Refused();
}

void TFakeLogind::PowerOff(bool aInteractive) {
    Calls.append(QStringLiteral("PowerOff(%1)").arg(aInteractive ? "true" : "false"));
    Refused();
}

QDBusObjectPath TFakeLogind::GetSessionByPID(uint aPid) {
    Calls.append(QStringLiteral("GetSessionByPID(%1)").arg(aPid));
    return QDBusObjectPath(TPrivateBus::c_SessionPath);
}

QDBusUnixFileDescriptor TFakeLogind::Inhibit(const QString& aWhat, const QString&, const QString&,
                                             const QString& aMode) {
    Calls.append(QStringLiteral("Inhibit(%1,%2)").arg(aWhat, aMode));
    if (Refused())
        return QDBusUnixFileDescriptor();
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return QDBusUnixFileDescriptor();
    if (fInhibitor >= 0)
        ::close(fInhibitor);
    fInhibitor = ends[0];
    QDBusUnixFileDescriptor handed(ends[1]); // a copy goes to the caller
    ::close(ends[1]);
    return handed;
}

bool TFakeLogind::InhibitorHeld() const {
    if (fInhibitor < 0)
        return false;
    // The read end sees the end of the pipe once every copy of the other end is closed.
    pollfd p{fInhibitor, POLLIN, 0};
    return ::poll(&p, 1, 0) == 0;
}

void TFakeLogindSession::Terminate() {
    fManager.Calls.append(QStringLiteral("Terminate(%1)").arg(TPrivateBus::c_SessionPath));
    if (fManager.Refuse)
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Access denied"));
}

QDBusConnection TPrivateBus::Client() const {
    return QDBusConnection(c_ClientConnection);
}

TPrivateBus::TPrivateBus() {
    fDaemon.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1"), QStringLiteral("--address=unix:dir=") + fDir.path()});
    if (!WaitUntil([this] { return fDaemon.canReadLine() || fDaemon.state() == QProcess::NotRunning; },
                   10000) ||
        !fDaemon.canReadLine()) {
        fError = QStringLiteral("dbus-daemon did not start");
        return;
    }
    const QString address = QString::fromUtf8(fDaemon.readLine()).trimmed();
    QDBusConnection service = QDBusConnection::connectToBus(address, c_ServiceConnection);
    QDBusConnection::connectToBus(address, c_ClientConnection);
    if (!service.isConnected() || !Client().isConnected())
        fError = QStringLiteral("cannot connect to the private bus ") + address;
    else if (!service.registerObject(QStringLiteral("/org/freedesktop/login1"), &fLogind,
                                     QDBusConnection::ExportAllSlots))
        fError = QStringLiteral("cannot serve the fake logind");
    else if (!service.registerObject(c_SessionPath, &fSession, QDBusConnection::ExportAllSlots))
        fError = QStringLiteral("cannot serve the fake session");
    else if (!service.registerService(QStringLiteral("org.freedesktop.login1")))
        fError = QStringLiteral("cannot take the name of logind: ") + service.lastError().message();
}

TPrivateBus::~TPrivateBus() {
    QDBusConnection::disconnectFromBus(c_ClientConnection);
    QDBusConnection::disconnectFromBus(c_ServiceConnection);
    fDaemon.kill();
    fDaemon.waitForFinished(2000);
}

} // namespace zrvtest
