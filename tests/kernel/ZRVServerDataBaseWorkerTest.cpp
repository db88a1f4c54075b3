// The server's database work runs on its worker: while another process holds the database file,
// the event loop goes on serving the other workstations at once; the waiting request is answered
// once the lock goes, or refused when it could not start in time; each workstation's answers come
// in the order of its requests, and a ticket logged in at two workstations at once goes to one.

#include "ZRVServerTestFixture.h"

#include <QElapsedTimer>

using namespace zrvtest;

namespace {

class ServerDataBaseWorker : public ServerTest {
protected:
    void SetUp() override {
        // The worker waits for the lock longer than any of these tests holds it.
        fDb.SetBusyTimeout(c_BusyTimeout);
        ServerTest::SetUp();
        AddTicket("TICKET01");
        AddTicket("TICKET02");
    }

    std::unique_ptr<RawPeer> Ready(const QString& aMachine) {
        auto peer = std::make_unique<RawPeer>(Port());
        EXPECT_TRUE(peer->MakeReady(aMachine));
        EXPECT_TRUE(DataBaseSettled()); // its machine registered
        peer->ClearReceived();
        return peer;
    }
    static void AskTicket(RawPeer& aPeer, const QString& aCode) {
        aPeer.Send({c_msgid_UserConnection, c_msgreason_GetTicket, "TicketCode=" + aCode});
    }
    // The milliseconds the server takes to echo the peer's ping; -1 when it never does.
    static qint64 PingDelay(RawPeer& aPeer) {
        QElapsedTimer timer;
        timer.start();
        aPeer.Send({c_msgid_ClientConnection, c_msgreason_ClientPing, "Mark=echo"});
        const bool echoed = WaitUntil([&] {
            return std::any_of(aPeer.Received().begin(), aPeer.Received().end(),
                               [](const QString& aBody) { return aBody.contains("Mark=echo"); });
        });
        return echoed ? timer.elapsed() : -1;
    }
    // The reasons of the user-level answers the peer received, in order.
    static QStringList Answers(const RawPeer& aPeer) {
        QStringList reasons;
        for (const QString& body : aPeer.Received()) {
            TStringList message;
            message.SetText(body);
            if (!body.contains("Mark=echo"))
                reasons << message.Values(c_MessageReason);
        }
        return reasons;
    }
    static TStringList Answer(const RawPeer& aPeer, const QString& aReason) {
        for (const QString& body : aPeer.Received()) {
            TStringList message;
            message.SetText(body);
            if (message.Values(c_MessageReason) == aReason)
                return message;
        }
        return TStringList();
    }

    static constexpr int c_BusyTimeout = 20000;
};

TEST_F(ServerDataBaseWorker, ALockedDataBaseDelaysNoOtherWorkstationsPing) {
    auto first = Ready("PC01");
    auto second = Ready("PC02");
    Lock();
    AskTicket(*first, "TICKET01");
    first->Send({c_msgid_ClientConnection, c_msgreason_GetSecretQuestionsList});

    const qint64 delay = PingDelay(*second);
    RecordProperty("PingDelayMs", int(delay));
    ASSERT_GE(delay, 0);
    EXPECT_LT(delay, 500); // the worker waits up to 20 s for the lock; the event loop does not
    RunEventsFor(50);
    EXPECT_TRUE(Answers(*first).isEmpty()); // the login still waits for the database

    Unlock();
    ASSERT_TRUE(WaitUntil([&] { return Answers(*first).size() == 2; }));
    EXPECT_EQ(Answers(*first), QStringList({c_GET_TICKET, c_GET_SECRETQUESTIONS_LIST}));
    EXPECT_EQ(Answer(*first, c_GET_TICKET).Values("Found"), "-1");
    EXPECT_TRUE(Slot(1)->UserConnection()->Connected());
}

TEST_F(ServerDataBaseWorker, ALoginThatCannotStartInTimeIsRefused) {
    fWorker->SetDeadline(100);
    auto first = Ready("PC01");
    auto second = Ready("PC02");
    Lock();
    AskTicket(*first, "TICKET01");  // in hand, waiting for the lock
    AskTicket(*second, "TICKET02"); // behind it, past its deadline when its turn comes
    RunEventsFor(200);
    Unlock();
    ASSERT_TRUE(WaitUntil([&] { return !Answers(*first).isEmpty() && !Answers(*second).isEmpty(); }));
    EXPECT_EQ(Answer(*first, c_GET_TICKET).Values("Found"), "-1");
    const TStringList refused = Answer(*second, c_GET_TICKET);
    EXPECT_EQ(refused.Values("Found"), "0");
    EXPECT_EQ(refused.Values("Message"), "Base de données non ouverte");
    EXPECT_FALSE(Slot(2)->UserConnection()->Connected());
    EXPECT_EQ(fServer->DuplicatedTicket("TICKET02"), 0); // nothing holds the refused ticket
}

TEST_F(ServerDataBaseWorker, OneTicketAskedAtTwoWorkstationsAtOnceGoesToOne) {
    auto first = Ready("PC01");
    auto second = Ready("PC02");
    Lock(); // both requests wait together
    AskTicket(*first, "TICKET01");
    AskTicket(*second, "ticket01");
    RunEventsFor(50);
    Unlock();
    ASSERT_TRUE(WaitUntil([&] { return !Answers(*first).isEmpty() && !Answers(*second).isEmpty(); }));
    QStringList outcomes = {Answer(*first, c_GET_TICKET).Values("Message"),
                            Answer(*second, c_GET_TICKET).Values("Message")};
    outcomes.sort();
    EXPECT_EQ(outcomes, QStringList({"Ticket en cours d'utilisation", "Ticket trouvé"}));
    EXPECT_EQ(fServer->DuplicatedTicket("TICKET01"), 1);
    ASSERT_TRUE(DataBaseSettled());
    QSqlQuery sessions = fDb.OpenQuery(QStringLiteral("SELECT COUNT(*) FROM tblSessions"));
    ASSERT_TRUE(sessions.next());
    EXPECT_EQ(sessions.value(0).toInt(), 1);
}

} // namespace
