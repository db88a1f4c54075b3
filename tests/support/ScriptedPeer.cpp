#include "ScriptedPeer.h"

#include "EventLoop.h"

namespace zrvtest {

QString Body(const QStringList& aLines) {
    return TStringList(aLines).Text();
}

ScriptedPeer::ScriptedPeer() {
    fReader.SetQuietTime(2);
    fReader.SetOnBody([this](const QString& aBody) { fReceived.append(aBody); });
    fServer.listen(QHostAddress::LocalHost, 0);
    connect(&fServer, &QTcpServer::newConnection, this, [this] {
        QTcpSocket* socket = fServer.nextPendingConnection();
        if (fClient) { // one workstation at a time: a second one is refused
            socket->abort();
            socket->deleteLater();
            return;
        }
        fClient = socket;
        fReader.Clear();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { fReader.Feed(socket->readAll()); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    });
}

bool ScriptedPeer::WaitForClient(int aTimeoutMs) {
    return WaitUntil([this] { return HasClient(); }, aTimeoutMs);
}

void ScriptedPeer::Send(const QStringList& aLines) {
    SendRaw(EncodeMessage(Body(aLines), fCrypt));
}

void ScriptedPeer::SendRaw(const QByteArray& aBytes) {
    if (fClient)
        fClient->write(aBytes);
}

void ScriptedPeer::CloseClient() {
    if (fClient)
        fClient->disconnectFromHost();
}

QList<TStringList> ScriptedPeer::ReceivedWithReason(const QString& aReason) const {
    QList<TStringList> result;
    for (const QString& body : fReceived) {
        TStringList L;
        L.SetText(body);
        if (L.Values(c_MessageReason).compare(aReason, Qt::CaseInsensitive) == 0)
            result.append(L);
    }
    return result;
}

bool ScriptedPeer::WaitForReason(const QString& aReason, TStringList* aMessage, int aTimeoutMs) {
    const bool found = WaitUntil([&] { return !ReceivedWithReason(aReason).isEmpty(); }, aTimeoutMs);
    if (found && aMessage)
        *aMessage = ReceivedWithReason(aReason).last();
    return found;
}

} // namespace zrvtest
