#include "HttpTestServer.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace zrvtest {

namespace {

constexpr qsizetype c_MaxRequest = 64 * 1024;

QByteArray Reason(int aStatus) {
    switch (aStatus) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

QByteArray Head(int aStatus, qsizetype aLength, const QByteArray& aExtraHeaders, bool aClose) {
    return "HTTP/1.1 " + QByteArray::number(aStatus) + ' ' + Reason(aStatus) +
           "\r\nContent-Length: " + QByteArray::number(aLength) + "\r\n" +
           (aClose ? "Connection: close\r\n" : "") + aExtraHeaders + "\r\n";
}

// Closes the connection once everything written has gone out.
void CloseWhenSent(QTcpSocket* aSocket) {
    if (aSocket->bytesToWrite() == 0)
        aSocket->disconnectFromHost();
    else
        QObject::connect(aSocket, &QTcpSocket::bytesWritten, aSocket, [aSocket] {
            if (aSocket->bytesToWrite() == 0)
                aSocket->disconnectFromHost();
        });
}

} // namespace

HttpTestServer::HttpTestServer() {
    fServer.listen(QHostAddress::LocalHost, 0);
    connect(&fServer, &QTcpServer::newConnection, this, &HttpTestServer::OnConnection);
}

QString HttpTestServer::Url(const QString& aTarget) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(Port()).arg(aTarget);
}

void HttpTestServer::AddFile(const QString& aTarget, const QByteArray& aBody, int aStatus) {
    fAnswers.insert(aTarget, {aStatus, aBody, {}, Mode::Whole, 0, 0});
}

void HttpTestServer::AddRedirect(const QString& aTarget, const QString& aLocation, int aStatus) {
    fAnswers.insert(aTarget,
                    {aStatus, "moved", "Location: " + aLocation.toUtf8() + "\r\n", Mode::Whole, 0, 0});
}

void HttpTestServer::AddSlow(const QString& aTarget, const QByteArray& aBody, int aChunkSize,
                             int aIntervalMs) {
    fAnswers.insert(aTarget, {200, aBody, {}, Mode::Slow, aChunkSize, aIntervalMs});
}

void HttpTestServer::AddBroken(const QString& aTarget, const QByteArray& aBody, int aSentBytes) {
    fAnswers.insert(aTarget, {200, aBody, {}, Mode::Broken, aSentBytes, 0});
}

void HttpTestServer::OnConnection() {
    while (QTcpSocket* socket = fServer.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadable(socket); });
    }
}

void HttpTestServer::OnReadable(QTcpSocket* aSocket) {
    // Each request (a GET has no body) is answered once its headers are complete; connections
    // stay open for the next request unless the answer says otherwise.
    while (aSocket->isOpen()) {
        const QByteArray pending = aSocket->peek(c_MaxRequest);
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0) {
            if (pending.size() >= c_MaxRequest)
                aSocket->abort();
            return;
        }
        const QByteArray request = aSocket->read(end + 4);
        const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
        Respond(aSocket, requestLine.size() == 3 ? QString::fromUtf8(requestLine[1]) : QString());
    }
}

void HttpTestServer::Respond(QTcpSocket* aSocket, const QString& aTarget) {
    fRequests << aTarget;

    const QString path = aTarget.left(aTarget.indexOf(u'?'));
    const Answer answer =
        fAnswers.value(aTarget, fAnswers.value(path, {404, "no such file", {}, Mode::Whole, 0, 0}));
    aSocket->write(Head(answer.Status, answer.Body.size(), answer.ExtraHeaders, answer.How != Mode::Whole));
    switch (answer.How) {
    case Mode::Whole:
        aSocket->write(answer.Body);
        break;
    case Mode::Slow:
        SendSlowly(aSocket, answer.Body, answer.Size, answer.Interval);
        break;
    case Mode::Broken:
        aSocket->write(answer.Body.left(answer.Size));
        aSocket->flush();
        aSocket->close();
        break;
    }
}

void HttpTestServer::SendSlowly(QTcpSocket* aSocket, const QByteArray& aBody, int aChunkSize,
                                int aIntervalMs) {
    auto sent = std::make_shared<qsizetype>(0);
    auto* timer = new QTimer(aSocket);
    connect(timer, &QTimer::timeout, aSocket, [=] {
        aSocket->write(aBody.mid(*sent, aChunkSize));
        *sent += aChunkSize;
        if (*sent >= aBody.size()) {
            timer->stop();
            CloseWhenSent(aSocket);
        }
    });
    timer->start(aIntervalMs);
}

} // namespace zrvtest
