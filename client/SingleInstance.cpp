#include "SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

#include <unistd.h>

namespace {

// A message is two numbers on one line; anything longer is not one of ours.
constexpr qint64 c_MaxMessage = 64;

QString DefaultFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    const QString folder = QDir::tempPath() + QStringLiteral("/zrv2-%1").arg(getuid());
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return folder;
}

} // namespace

TZRVSingleInstance::TZRVSingleInstance(const QString& aName, const QString& aFolder, QObject* aOwner)
    : QObject(aOwner), fBase((aFolder.isEmpty() ? DefaultFolder() : aFolder) + u'/' + aName),
      fLock(fBase + QStringLiteral(".lock")) {
    // A lock left by a start that was killed is taken over at once: its process is gone.
    fLock.setStaleLockTime(0);
}

TZRVSingleInstance::~TZRVSingleInstance() {
    if (fServer)
        fServer->close();
}

bool TZRVSingleInstance::TryFirst(int aWaitMs) {
    if (fServer)
        return true;
    if (!fLock.tryLock(aWaitMs))
        return false;
    Listen();
    return true;
}

void TZRVSingleInstance::Listen() {
    fServer = new QLocalServer(this);
    fServer->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock: a socket file still there was left by a start that was killed.
    QLocalServer::removeServer(SocketName());
    if (!fServer->listen(SocketName()))
        qWarning("zrv client: the wake-up socket %s cannot be opened: %s", qPrintable(SocketName()),
                 qPrintable(fServer->errorString()));
    connect(fServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = fServer->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadMessage(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

void TZRVSingleInstance::ReadMessage(QLocalSocket* aSocket) {
    if (!aSocket->canReadLine()) {
        if (aSocket->bytesAvailable() > c_MaxMessage)
            aSocket->abort();
        return;
    }
    const QList<QByteArray> parts = aSocket->readLine(c_MaxMessage).trimmed().split(' ');
    aSocket->disconnectFromServer();
    bool okMessage = false, okParameter = false;
    const int message = parts.value(0).toInt(&okMessage);
    const int parameter = parts.value(1).toInt(&okParameter);
    if (parts.size() == 2 && okMessage && okParameter && message == c_WakeUpMessage && fOnWakeUp)
        fOnWakeUp(parameter);
}

bool TZRVSingleInstance::SendWakeUp(int aWParam, int aTimeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(SocketName());
    if (!socket.waitForConnected(aTimeoutMs))
        return false;
    socket.write(QByteArray::number(c_WakeUpMessage) + ' ' + QByteArray::number(aWParam) + '\n');
    const bool sent = socket.waitForBytesWritten(aTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}
