#include "ZRVHttpGate.h"

#include "ZRVCommon.h"

#include <QPointer>
#include <QSslSocket>
#include <QTimer>

#include <optional>

namespace {

// What the gate answers itself, before closing the connection.
QByteArray Refusal(int aStatus, const char* aReason) {
    return QByteArrayLiteral("HTTP/1.1 ") + QByteArray::number(aStatus) + ' ' + aReason +
           QByteArrayLiteral("\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
}

// The gate of one connection: it follows the requests' heads and bodies in the bytes as they come,
// before the HTTP layer reads them (it is the first to hear readyRead).
class TConnectionGate : public QObject {
public:
    TConnectionGate(QTcpSocket* aSocket, const TZRVHttpLimits& aLimits)
        : QObject(aSocket), fSocket(aSocket), fLimits(aLimits) {
        // The HTTP layer keeps a request in the socket's buffer until it is whole: no more than one
        // request's worth is read from the network meanwhile.
        aSocket->setReadBufferSize(aLimits.MaxHead + aLimits.MaxBody + 4096);
        fReading = connect(aSocket, &QIODevice::readyRead, this, &TConnectionGate::Read);
        connect(aSocket, &QAbstractSocket::disconnected, aSocket, &QObject::deleteLater);
        fIdle.setSingleShot(true);
        fIdle.setInterval(aLimits.IdleMSecs);
        connect(&fIdle, &QTimer::timeout, this, &TConnectionGate::Drop);
        fIdle.start();
    }

private:
    void Read() {
        fIdle.start();
        const QByteArray bytes = fSocket->peek(fSocket->bytesAvailable());
        qsizetype pos = 0;
        while (pos < bytes.size()) {
            if (fBodyLeft > 0) {
                const qsizetype taken = qsizetype(std::min<qint64>(fBodyLeft, bytes.size() - pos));
                fBodyLeft -= taken;
                pos += taken;
                continue;
            }
            const qsizetype before = fHead.size();
            fHead += bytes.mid(pos);
            const qsizetype end = fHead.indexOf("\r\n\r\n");
            // No head holds a NUL byte, and the HTTP layer would wait on such a request for ever.
            if (QByteArrayView(fHead).first(end < 0 ? fHead.size() : end).contains('\0'))
                return Refuse(Refusal(400, "Bad Request"));
            if (end < 0) {
                if (fHead.size() > fLimits.MaxHead)
                    return Refuse(Refusal(431, "Request Header Fields Too Large"));
                break;
            }
            pos += end + 4 - before;
            const QByteArray head = fHead.left(end);
            fHead.clear();
            if (head.size() > fLimits.MaxHead)
                return Refuse(Refusal(431, "Request Header Fields Too Large"));
            if (const QByteArray refusal = Weigh(head); !refusal.isEmpty())
                return Refuse(refusal);
        }
        // On a request it cannot parse, the HTTP layer cuts every connection of the socket's signals
        // and leaves the socket open: it is closed here.
        QTimer::singleShot(0, this, [this] {
            if (!fReading)
                Drop();
        });
    }

    // Sets the body awaited after aHead; the refusal of the request, or nothing.
    QByteArray Weigh(const QByteArray& aHead) {
        bool lengthSeen = false;
        for (const QByteArray& line : aHead.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon < 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "transfer-encoding")
                return Refusal(411, "Length Required");
            if (name != "content-length")
                continue;
            bool ok = false;
            const qint64 length = value.toLongLong(&ok);
            if (!ok || length < 0 || (lengthSeen && length != fBodyLeft))
                return Refusal(400, "Bad Request");
            if (length > fLimits.MaxBody)
                return Refusal(413, "Payload Too Large");
            lengthSeen = true;
            fBodyLeft = length;
        }
        return {};
    }

    void Refuse(const QByteArray& aAnswer) {
        // Nobody reads this connection any more, and little more is taken from the network.
        QObject::disconnect(fSocket, &QIODevice::readyRead, nullptr, nullptr);
        fSocket->setReadBufferSize(1);
        fSocket->write(aAnswer);
        fSocket->disconnectFromHost();
        fIdle.setInterval(std::min(fLimits.IdleMSecs, 5000));
        fIdle.start();
    }

    void Drop() {
        fSocket->abort();
        fSocket->deleteLater();
    }

    QTcpSocket* fSocket;
    TZRVHttpLimits fLimits;
    QMetaObject::Connection fReading;
    QTimer fIdle{this};
    QByteArray fHead;
    qint64 fBodyLeft = 0;
};

// A listening server whose connections pass the gate (and the TLS handshake) before the HTTP layer
// takes them.
class TGatedServer : public QTcpServer {
public:
    TGatedServer(const TZRVHttpLimits& aLimits, const QSslConfiguration* aTls, QObject* aOwner)
        : QTcpServer(aOwner), fLimits(aLimits), fTls(aTls ? std::optional(*aTls) : std::nullopt) {}

protected:
    void incomingConnection(qintptr aDescriptor) override {
        QTcpSocket* socket = fTls ? new QSslSocket(this) : new QTcpSocket(this);
        if (!socket->setSocketDescriptor(aDescriptor) || fOpen >= fLimits.MaxConnections) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        ++fOpen;
        connect(socket, &QObject::destroyed, this, [this] { --fOpen; });
        auto* tls = qobject_cast<QSslSocket*>(socket);
        if (!tls)
            return Admit(socket);
        // The HTTP layer takes the connection once it is encrypted; a handshake that fails or
        // lingers ends it.
        tls->setSslConfiguration(*fTls);
        connect(tls, &QSslSocket::encrypted, this, [this, tls] {
            Admit(tls);
            emit newConnection();
        });
        connect(tls, &QAbstractSocket::disconnected, tls, &QObject::deleteLater);
        connect(tls, &QAbstractSocket::errorOccurred, tls, [tls] {
            if (!tls->isEncrypted())
                tls->deleteLater();
        });
        QTimer::singleShot(fLimits.IdleMSecs, tls, [tls] {
            if (!tls->isEncrypted())
                tls->deleteLater();
        });
        tls->startServerEncryption();
    }

private:
    void Admit(QTcpSocket* aSocket) {
        new TConnectionGate(aSocket, fLimits);
        addPendingConnection(aSocket);
    }

    TZRVHttpLimits fLimits;
    std::optional<QSslConfiguration> fTls;
    int fOpen = 0;
};

} // namespace

QTcpServer* ZRVListenHttp(const QHostAddress& aAddress, quint16 aPort, const TZRVHttpLimits& aLimits,
                          const QSslConfiguration* aSsl, QObject* aOwner) {
    auto* server = new TGatedServer(aLimits, aSsl, aOwner);
    if (!server->listen(aAddress, aPort)) {
        const QString reason = server->errorString();
        delete server;
        throw EZRVError(QStringLiteral("Unable to serve the dashboard on %1 port %2: %3")
                            .arg(aAddress.toString())
                            .arg(aPort)
                            .arg(reason));
    }
    return server;
}
