// Finding the server through its discovery port and the first setup of a workstation. Every
// question goes to 127.0.0.1 only.

#include "ZRVSetupLib.h"

#include "ZRVClientConfig.h"
#include "ZRVServerConnection.h"

#include "support/EventLoop.h"
#include "support/TempDirs.h"

#include <QHostInfo>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <optional>

using namespace zrvtest;

namespace {

const QHostAddress c_Local(QHostAddress::LocalHost);

// A discovery port that answers the first question with its scripted datagrams, in order (or
// keeps silent), and records the questions.
class ScriptedResponder {
public:
    explicit ScriptedResponder(QList<QByteArray> aAnswers) : fAnswers(std::move(aAnswers)) {
        fSocket.bind(c_Local, 0);
        QObject::connect(&fSocket, &QUdpSocket::readyRead, [this] {
            while (fSocket.hasPendingDatagrams()) {
                const QNetworkDatagram question = fSocket.receiveDatagram();
                fQuestions << question.data();
                for (const QByteArray& answer : std::exchange(fAnswers, {}))
                    fSocket.writeDatagram(answer, question.senderAddress(), quint16(question.senderPort()));
            }
        });
    }
    quint16 Port() const { return fSocket.localPort(); }
    const QList<QByteArray>& Questions() const { return fQuestions; }

private:
    QUdpSocket fSocket;
    QList<QByteArray> fAnswers;
    QList<QByteArray> fQuestions;
};

class FindServerTest : public ::testing::Test {
protected:
    void Find(quint16 aPort, int aTimeoutMs = 3000, QObject* aContext = nullptr,
              int aRepeatMs = c_FindServerRepeat) {
        FindServer(aContext, [this](const TZRVFoundServer& aServer) { fResult = aServer; },
                   {{c_Local}, aPort, aTimeoutMs, aRepeatMs});
    }
    bool WaitResult() {
        return WaitUntil([this] { return fResult.has_value(); }, 5000);
    }

    std::optional<TZRVFoundServer> fResult;
};

TEST_F(FindServerTest, FindsARealServerThroughItsDiscoveryPort) {
    TZRVServerConnection server;
    server.SetServerPort(0);
    server.SetDiscoveryPort(0);
    server.Open();
    Find(server.DiscoveryPort());
    EXPECT_FALSE(fResult.has_value()); // the answer comes later, on the event loop
    ASSERT_TRUE(WaitResult());
    EXPECT_TRUE(fResult->Found);
    EXPECT_EQ(fResult->Address, "127.0.0.1");
    EXPECT_EQ(fResult->HostName, QHostInfo::localHostName());
    EXPECT_EQ(fResult->Port, server.ServerPort());
}

TEST_F(FindServerTest, AnswersThatAreNotServersAreIgnored) {
    ScriptedResponder responder({"nonsense", "cafe:0", "cafe:70000", ":4242", "cafe:42x",
                                 QByteArray(600, 'a') + ":4242", "caisse-1:4242"});
    Find(responder.Port());
    ASSERT_TRUE(WaitResult());
    EXPECT_TRUE(fResult->Found);
    EXPECT_EQ(fResult->HostName, "caisse-1");
    EXPECT_EQ(fResult->Port, 4242);
    EXPECT_EQ(fResult->Address, "127.0.0.1");
}

TEST_F(FindServerTest, NoAnswerWithinTheTimeOutIsNotFound) {
    ScriptedResponder silent({});
    Find(silent.Port(), 200, nullptr, 20);
    ASSERT_TRUE(WaitResult());
    EXPECT_FALSE(fResult->Found);
    EXPECT_TRUE(fResult->Address.isEmpty());
    // The question was asked again while no answer came.
    ASSERT_GE(silent.Questions().size(), 2);
    EXPECT_EQ(silent.Questions().first(), c_FindServerQuestion);
    EXPECT_EQ(silent.Questions().last(), c_FindServerQuestion);
}

TEST_F(FindServerTest, NothingFollowsOnceTheContextIsGone) {
    ScriptedResponder silent({});
    auto* context = new QObject;
    Find(silent.Port(), 50, context);
    delete context;
    RunEventsFor(150);
    EXPECT_FALSE(fResult.has_value());
}

TEST(ServerAnswer, IsHostNameColonPort) {
    TZRVFoundServer server;
    EXPECT_TRUE(ReadServerAnswer("zrv-serveur:12345", server));
    EXPECT_EQ(server.HostName, "zrv-serveur");
    EXPECT_EQ(server.Port, 12345);
    EXPECT_TRUE(ReadServerAnswer("fe80::1:8000", server)); // the port follows the last colon
    EXPECT_EQ(server.HostName, "fe80::1");
    for (const char* wrong :
         {"", "serveur", "serveur:", ":12345", "serveur:0", "serveur:65536", "serveur:-1"})
        EXPECT_FALSE(ReadServerAnswer(wrong, server)) << wrong;
}

TEST(LANBroadcast, AddressesAreIPv4AndNeverLoopback) {
    const QList<QHostAddress> addresses = LANBroadcastAddresses();
    ASSERT_FALSE(addresses.isEmpty());
    for (const QHostAddress& a : addresses) {
        EXPECT_EQ(a.protocol(), QAbstractSocket::IPv4Protocol);
        EXPECT_FALSE(a.isLoopback()) << a.toString().toStdString();
    }
}

class ClientSetup : public ::testing::Test {
protected:
    TempRegistry fRegistry;
    TZRVClientConfig fConfig;
    std::optional<TZRVFoundServer> fResult;
};

TEST_F(ClientSetup, WritesTheProgramAndTheServerFound) {
    TZRVServerConnection server;
    server.SetServerPort(0);
    server.SetDiscoveryPort(0);
    server.Open();
    DoClientSetup(&fConfig, "/usr/bin/Client", [this](const TZRVFoundServer& aServer) { fResult = aServer; },
                  {{c_Local}, server.DiscoveryPort(), 3000});
    EXPECT_EQ(TZRVClientConfig().ExeName(), "/usr/bin/Client");
    ASSERT_TRUE(WaitUntil([this] { return fResult.has_value(); }, 5000));
    EXPECT_TRUE(fResult->Found);
    TZRVClientConfig stored;
    EXPECT_EQ(stored.ServerAddress(), "127.0.0.1");
    EXPECT_EQ(stored.ServerPort(), server.ServerPort());
}

TEST_F(ClientSetup, KeepsTheServerSettingsWhenNoneAnswers) {
    fConfig.SetServerAddress("caisse");
    fConfig.SetServerPort(4000);
    ScriptedResponder silent({});
    DoClientSetup(&fConfig, "/usr/bin/Client", [this](const TZRVFoundServer& aServer) { fResult = aServer; },
                  {{c_Local}, silent.Port(), 100});
    ASSERT_TRUE(WaitUntil([this] { return fResult.has_value(); }));
    EXPECT_FALSE(fResult->Found);
    EXPECT_EQ(fConfig.ServerAddress(), "caisse");
    EXPECT_EQ(fConfig.ServerPort(), 4000);
    EXPECT_EQ(fConfig.ExeName(), "/usr/bin/Client");
}

} // namespace
