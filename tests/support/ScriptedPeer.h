#pragma once
// A scripted protocol peer for tests: a TCP listener on 127.0.0.1 (port 0) that takes one
// connection, collects the message bodies it receives and sends what the test tells it to.

#include "ZRVCommon.h"
#include "ZRVCrypt.h"
#include "ZRVMessage.h"
#include "support/EventLoop.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace zrvtest {

class ScriptedPeer : public QObject {
    Q_OBJECT
public:
    ScriptedPeer();

    quint16 Port() const { return fServer.serverPort(); }
    bool HasClient() const { return fClient && fClient->state() == QAbstractSocket::ConnectedState; }
    // Waits for the connection to arrive.
    bool WaitForClient(int aTimeoutMs = c_EventTimeoutMs);

    // Sends a message made of aLines (each "Name=Value"), framed as the system frames it.
    void Send(const QStringList& aLines);
    // Sends raw bytes (to test framing and garbage).
    void SendRaw(const QByteArray& aBytes);
    void CloseClient();

    const QStringList& Received() const { return fReceived; }
    // The received bodies whose MessageReason matches (without regard to case).
    QList<TStringList> ReceivedWithReason(const QString& aReason) const;
    // Waits until a body with that reason has arrived, and returns the last one.
    bool WaitForReason(const QString& aReason, TStringList* aMessage = nullptr,
                       int aTimeoutMs = c_EventTimeoutMs);
    void ClearReceived() { fReceived.clear(); }

private:
    QTcpServer fServer;
    QPointer<QTcpSocket> fClient;
    TZRVMessageReader fReader;
    TZRVCrypt fCrypt;
    QStringList fReceived;
};

// Builds a message body from lines: every line followed by CR LF.
QString Body(const QStringList& aLines);

} // namespace zrvtest
