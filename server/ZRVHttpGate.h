#pragma once
// The listening side of the operator's web page: the TCP (or TLS) server that hands connections to
// Qt HTTP Server, with a gate on every connection that reads the head of each request before the
// HTTP layer buffers its body. Qt HTTP Server keeps a whole body in memory before it looks at it;
// the gate refuses a request whose Content-Length passes the bound (413), one without a length
// that would stream (411), a head that never ends (431), and drops a connection the HTTP layer gave
// up on or that stays silent.

#include <QSslConfiguration>
#include <QTcpServer>

struct TZRVHttpLimits {
    // The largest request body.
    qint64 MaxBody = 64 * 1024;
    // The largest request line and headers.
    qint64 MaxHead = 16 * 1024;
    // A connection silent that long is closed.
    int IdleMSecs = 60000;
    // Connections open at once; more are closed at once.
    int MaxConnections = 64;
};

// A listening server for QAbstractHttpServer::bind: plain TCP, or TLS with aSsl. Raises EZRVError
// when it cannot listen.
QTcpServer* ZRVListenHttp(const QHostAddress& aAddress, quint16 aPort, const TZRVHttpLimits& aLimits,
                          const QSslConfiguration* aSsl, QObject* aOwner);
