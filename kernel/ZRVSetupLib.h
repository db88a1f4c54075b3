#pragma once
// The workstation's setup: finding the café's server on the local networks, and the first setup
// of a new workstation that the install action runs. The server answers any datagram on its
// discovery port with "<host name>:<port>"; the search asks on the networks' broadcast addresses
// and takes the first valid answer. Everything runs on the event loop: the calls start the work,
// the result comes later through a callback.

#include "ZRVCommon.h"

#include <QHostAddress>
#include <QList>

class TZRVClientConfig;

inline constexpr quint16 c_DiscoveryPort = 12346;
inline constexpr int c_FindServerTimeout = 2000;
// The question is sent again this often while no answer came, in case a datagram was lost.
inline constexpr int c_FindServerRepeat = 500;
inline const QByteArray c_FindServerQuestion = QByteArrayLiteral("ZRV2_FIND_SERVER");

struct TZRVFoundServer {
    bool Found = false;
    // The address the answer came from, as text: what the workstation connects to.
    QString Address;
    // The name the server gave for itself.
    QString HostName;
    // The server's TCP port.
    int Port = 0;
};

struct TZRVFindServerOptions {
    // Where the question goes; empty: the broadcast addresses of this machine's networks.
    QList<QHostAddress> Addresses;
    quint16 Port = c_DiscoveryPort;
    int TimeoutMs = c_FindServerTimeout;
    int RepeatMs = c_FindServerRepeat;
};

using TZRVFindServerEvent = std::function<void(const TZRVFoundServer& aServer)>;

// The broadcast addresses of this machine's IPv4 networks that are up (loopback left out);
// 255.255.255.255 alone when there is none.
QList<QHostAddress> LANBroadcastAddresses();

// A server's answer "<host name>:<port>" read into aServer (not Address); false when it is not one.
bool ReadServerAnswer(const QByteArray& aAnswer, TZRVFoundServer& aServer);

// Asks on aOptions' addresses where the server is. aDone follows once, later on the event loop,
// with the first valid answer, or with Found false when none came within the time-out (or the
// question could not be sent). Nothing follows once aContext is gone.
void FindServer(QObject* aContext, TZRVFindServerEvent aDone, const TZRVFindServerOptions& aOptions = {});

// The first setup of a workstation: records aExeName as the client program, looks for the server
// and, when one answers, writes its address and port into aConfig. aDone (may be empty) follows
// with the search's result, the configuration already written. Nothing is written, and aDone does
// not follow, once aConfig is gone.
void DoClientSetup(TZRVClientConfig* aConfig, const QString& aExeName, TZRVFindServerEvent aDone,
                   const TZRVFindServerOptions& aOptions = {});
