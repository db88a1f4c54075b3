#pragma once
// A small HTTP/1.1 server on 127.0.0.1 (port chosen by the system) for the download tests: it
// serves fixed answers by request target, redirects, slow bodies sent in timed pieces (the
// connection closed after them), and broken bodies cut short. Unknown targets get 404.

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

namespace zrvtest {

class HttpTestServer : public QObject {
public:
    HttpTestServer();

    quint16 Port() const { return fServer.serverPort(); }
    // "http://127.0.0.1:<port>" followed by aTarget ("/ads/a.gif").
    QString Url(const QString& aTarget) const;

    // aTarget is the path, with its query when the answer is for that query only.
    void AddFile(const QString& aTarget, const QByteArray& aBody, int aStatus = 200);
    void AddRedirect(const QString& aTarget, const QString& aLocation, int aStatus = 302);
    // The body in pieces of aChunkSize bytes, one every aIntervalMs.
    void AddSlow(const QString& aTarget, const QByteArray& aBody, int aChunkSize, int aIntervalMs);
    // Announces the whole body but sends only its first aSentBytes, then closes the connection.
    void AddBroken(const QString& aTarget, const QByteArray& aBody, int aSentBytes);

    // The targets asked for, in order.
    const QStringList& Requests() const { return fRequests; }
    int RequestCount(const QString& aTarget) const { return int(fRequests.count(aTarget)); }

private:
    enum class Mode { Whole, Slow, Broken };
    struct Answer {
        int Status = 200;
        QByteArray Body;
        QByteArray ExtraHeaders;
        Mode How = Mode::Whole;
        int Size = 0;     // the piece size (slow) or the bytes sent (broken)
        int Interval = 0; // between pieces (slow)
    };

    void OnConnection();
    void OnReadable(QTcpSocket* aSocket);
    void Respond(QTcpSocket* aSocket, const QString& aTarget);
    void SendSlowly(QTcpSocket* aSocket, const QByteArray& aBody, int aChunkSize, int aIntervalMs);

    QTcpServer fServer;
    QHash<QString, Answer> fAnswers;
    QStringList fRequests;
};

} // namespace zrvtest
