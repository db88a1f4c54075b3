#include "ZRVSetupLib.h"

#include "ZRVClientConfig.h"

#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTimer>
#include <QUdpSocket>

namespace {

// Longer datagrams are not answers; a host name is at most this long.
constexpr qint64 c_MaxAnswer = 512;
constexpr qsizetype c_MaxHostName = 255;

// One search: asks until the first valid answer or the time-out, reports once and goes.
class TZRVServerFinder : public QObject {
public:
    TZRVServerFinder(QObject* aContext, TZRVFindServerEvent aDone, const TZRVFindServerOptions& aOptions)
        : QObject(aContext ? aContext : QCoreApplication::instance()), fDone(std::move(aDone)),
          fAddresses(aOptions.Addresses.isEmpty() ? LANBroadcastAddresses() : aOptions.Addresses),
          fPort(aOptions.Port) {
        connect(&fSocket, &QUdpSocket::readyRead, this, &TZRVServerFinder::ReadAnswers);
        connect(&fRepeat, &QTimer::timeout, this, &TZRVServerFinder::Ask);
        if (!fSocket.bind(QHostAddress::AnyIPv4, 0)) {
            QTimer::singleShot(0, this, [this] { Finish({}); });
            return;
        }
        fRepeat.start(aOptions.RepeatMs);
        QTimer::singleShot(aOptions.TimeoutMs, this, [this] { Finish({}); });
        Ask();
    }

private:
    void Ask() {
        for (const QHostAddress& address : std::as_const(fAddresses))
            fSocket.writeDatagram(c_FindServerQuestion, address, fPort);
    }

    void ReadAnswers() {
        while (fSocket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = fSocket.receiveDatagram(c_MaxAnswer + 1);
            TZRVFoundServer server;
            if (datagram.data().size() > c_MaxAnswer || !ReadServerAnswer(datagram.data(), server))
                continue;
            server.Address = datagram.senderAddress().toString();
            return Finish(server);
        }
    }

    void Finish(const TZRVFoundServer& aServer) {
        if (fFinished)
            return;
        fFinished = true;
        fRepeat.stop();
        fSocket.close();
        deleteLater();
        if (fDone)
            fDone(aServer);
    }

    TZRVFindServerEvent fDone;
    QList<QHostAddress> fAddresses;
    quint16 fPort;
    QUdpSocket fSocket;
    QTimer fRepeat;
    bool fFinished = false;
};

} // namespace

QList<QHostAddress> LANBroadcastAddresses() {
    QList<QHostAddress> addresses;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces) {
        const auto flags = i.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::CanBroadcast) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : i.addressEntries())
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && !entry.broadcast().isNull() &&
                !addresses.contains(entry.broadcast()))
                addresses << entry.broadcast();
    }
    if (addresses.isEmpty())
        addresses << QHostAddress(QHostAddress::Broadcast);
    return addresses;
}

bool ReadServerAnswer(const QByteArray& aAnswer, TZRVFoundServer& aServer) {
    const QString text = QString::fromUtf8(aAnswer);
    const qsizetype colon = text.lastIndexOf(u':');
    bool ok = false;
    const int port = colon > 0 ? QStringView(text).mid(colon + 1).toInt(&ok) : 0;
    if (!ok || port < 1 || port > 65535 || colon > c_MaxHostName)
        return false;
    aServer.Found = true;
    aServer.HostName = text.left(colon);
    aServer.Port = port;
    return true;
}

void FindServer(QObject* aContext, TZRVFindServerEvent aDone, const TZRVFindServerOptions& aOptions) {
    new TZRVServerFinder(aContext, std::move(aDone), aOptions);
}

void DoClientSetup(TZRVClientConfig* aConfig, const QString& aExeName, TZRVFindServerEvent aDone,
                   const TZRVFindServerOptions& aOptions) {
    aConfig->SetExeName(aExeName);
    FindServer(
        aConfig,
        [aConfig, aDone = std::move(aDone)](const TZRVFoundServer& aServer) {
            if (aServer.Found) {
                aConfig->SetServerAddress(aServer.Address);
                aConfig->SetServerPort(aServer.Port);
            }
            if (aDone)
                aDone(aServer);
        },
        aOptions);
}
