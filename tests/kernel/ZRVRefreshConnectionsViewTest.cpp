// The connections list: the list over an item model, and each refresh on the slots of a real
// listener with real workstations (customers logged in by account and by ticket, a workstation
// whose client module is shut down).
#include "ZRVRefreshConnectionsView.h"
#include "gui/ZRVItemModelListView.h"

#include "ZRVServerTestFixture.h"
#include "ZRVUserSession.h"

#include <QStandardItemModel>

using namespace zrvtest;
using namespace Qt::StringLiterals;

namespace {

// ----- the list over an item model

TEST(ItemModelListView, RowsCarryTextsAnImageDataAndAHandleThatFollowsThem) {
    QStandardItemModel model;
    TZRVItemModelListView view(&model);
    EXPECT_EQ(model.columnCount(), 9);
    for (int i = 0; i < 3; ++i)
        view.SetCaption(view.Add(), u"row "_s + QString::number(i));
    view.SetSubItem(2, 7, u"last"_s);
    view.SetImageIndex(2, 3);
    view.SetData(2, 42);
    const QVariant handle = view.Handle(2);
    view.Delete(0);
    EXPECT_EQ(view.RowOf(handle), 1);
    EXPECT_EQ(view.Caption(1), u"row 2"_s);
    EXPECT_EQ(model.item(1, 8)->text(), u"last"_s);
    EXPECT_EQ(view.ImageIndex(1), 3);
    EXPECT_EQ(view.Data(1).toInt(), 42);
    view.Delete(1);
    EXPECT_EQ(view.RowOf(handle), -1);
    EXPECT_EQ(view.RowOf(QVariant()), -1);
    TZRVItemModelListView other;
    EXPECT_EQ(other.RowOf(view.Handle(0)), -1);
}

TEST(ItemModelListView, MissingRowsAndSubItemsAreRefused) {
    TZRVItemModelListView view;
    view.Add();
    const std::function<void()> calls[] = {
        [&] { view.Caption(1); },    [&] { view.SetCaption(-1, u"x"_s); },
        [&] { view.SubItem(0, 8); }, [&] { view.SetSubItem(0, -1, {}); },
        [&] { view.ImageIndex(1); }, [&] { view.Data(1); },
        [&] { view.Handle(1); },     [&] { view.Delete(1); },
    };
    for (const auto& call : calls)
        EXPECT_THROW(call(), EZRVError);
    EXPECT_EQ(view.Count(), 1);
}

// ----- the refreshes

struct TRow {
    QString Caption;
    QStringList SubItems;
    int Image = -1;
    bool operator==(const TRow&) const = default;
};

void PrintTo(const TRow& r, std::ostream* os) {
    *os << r.Caption.toStdString() << " [" << r.SubItems.join(u'|').toStdString() << "] image " << r.Image;
}

class ConnectionsView : public ServerTest {
protected:
    TRow Row(int aRow) {
        TRow r{fView.Caption(aRow), {}, fView.ImageIndex(aRow)};
        for (int i = 0; i < TZRVListView::c_SubItemCount; ++i)
            r.SubItems << fView.SubItem(aRow, i);
        return r;
    }
    void AddRows(int aCount) {
        for (int i = 0; i < aCount; ++i)
            fView.Add();
    }
    template <class T> void Refresh() { T(&fView, fServer.get(), true).RefreshView(); }
    // A full refresh that first binds every row by position.
    void Rebind() {
        fView.SetTag(fView.Tag() | 1);
        Refresh<TZRVRefreshConnectionsView>();
    }
    std::unique_ptr<Workstation> LogIn(const QString& aName, const QString& aAccount) {
        auto ws = Join(aName);
        ws->User().OpenAccount(aAccount, u"pw"_s);
        EXPECT_EQ(ws->Outcome(u"Open"_s), u"Open"_s) << aAccount.toStdString();
        return ws;
    }
    // A workstation that reports its client module asleep, with no customer.
    std::unique_ptr<RawPeer> ShutDownWorkstation(const QString& aName) {
        auto peer = std::make_unique<RawPeer>(Port());
        EXPECT_TRUE(peer->MakeReady(aName));
        peer->Send({c_msgid_ClientConnection, c_msgreason_ClientShutdownState, u"NewState=-1"_s});
        const uint8_t slot = fServer->GetConnectionsCount();
        EXPECT_TRUE(WaitUntil([&] { return Slot(slot) && Slot(slot)->ShuttedDown(); }));
        return peer;
    }

    TZRVItemModelListView fView;
};

QStringList SubItems(std::initializer_list<QString> aTexts) {
    return QStringList(aTexts);
}

TEST_F(ConnectionsView, AFullRefreshKeepsOneRowPerWorkstationBoundByPosition) {
    auto a = Join(u"PC01"_s);
    auto b = Join(u"PC02"_s);
    auto c = Join(u"PC03"_s);
    AddRows(5);
    Rebind();
    ASSERT_EQ(fView.Count(), 3);
    EXPECT_EQ(fView.Tag() & 1, 0);
    EXPECT_EQ(fServer->Tag(), 1);
    for (int k = 0; k < 3; ++k) {
        TZRVServerClientConnection* slot = fServer->GetActiveConnections(uint8_t(k + 1));
        EXPECT_EQ(fView.RowOf(slot->ListItem()), k);
        EXPECT_EQ(fView.Data(k).value<QObject*>(), slot);
        EXPECT_EQ(Row(k), (TRow{u"PC0"_s + QString::number(k + 1),
                                SubItems({u"127.0.0.1"_s, {}, {}, {}, {}, {}, {}, {}}), 2}));
    }
}

TEST_F(ConnectionsView, EachKindOfSessionFillsItsColumns) {
    const uint32_t alice = AddAccount(u"alice"_s, u"pw"_s);
    AddAccount(u"bob"_s, u"pw"_s);
    AddAccount(u"carol"_s, u"pw"_s);
    const uint32_t ticket = AddTicket(u"T0001"_s);
    fDb.ExecuteSQLAction(u"UPDATE tblGroups SET GroupName = 'Adultes'"_s);
    auto open = LogIn(u"PC01"_s, u"alice"_s);
    StartSession(*open, 1);
    ServerSession(1)->Account()->SetCreditTotal(5400);
    auto byTicket = Join(u"PC02"_s);
    byTicket->User().OpenTicket(u"T0001"_s);
    ASSERT_EQ(byTicket->Outcome(u"Open"_s), u"Open"_s);
    auto none = LogIn(u"PC03"_s, u"bob"_s);
    ServerSession(3)->SetSessionType(stNone);
    auto local = LogIn(u"PC04"_s, u"carol"_s);
    ServerSession(4)->SetSessionType(stLocalAccount);
    auto asleep = ShutDownWorkstation(u"PC05"_s);
    AddRows(5);

    Rebind();

    const QString ip = u"127.0.0.1"_s;
    const QString credit = u"01h00m00s"_s;
    const QString started = DateTimeToStr(ServerSession(1)->StartDateTime());
    ASSERT_FALSE(started.isEmpty());
    const TRow expected[] = {
        {u"PC01"_s,
         SubItems({ip, u"alice"_s, QString::number(alice), u"Compte [Adultes]"_s, u"Active"_s, credit,
                   u"01h30m00s"_s, started}),
         0},
        {u"PC02"_s,
         SubItems(
             {ip, u"T0001"_s, QString::number(ticket), u"Ticket [Adultes]"_s, u"Inactive"_s, credit, {}, {}}),
         1},
        {u"PC03"_s, SubItems({ip, {}, {}, u"Aucun"_s, u"Inactive"_s, credit, {}, {}}), 1},
        {u"PC04"_s,
         SubItems({ip, u"carol"_s, {}, u"Compte local"_s, u"Inactive"_s, credit, u"00h00m00s"_s, {}}), 1},
        {u"PC05"_s, SubItems({ip, {}, {}, {}, {}, {}, {}, {}}), 3},
    };
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(Row(k), expected[k]) << "row " << k;

    // The customer columns alone: the sleeping workstation shows no customer, not its sleep.
    Refresh<TZRVRefreshConnectionsView_UserCnn>();
    EXPECT_EQ(fView.ImageIndex(4), 2);
    EXPECT_EQ(Row(0), expected[0]);
    // The workstations alone: every customer column emptied, the sleep shown again.
    Refresh<TZRVRefreshConnectionsView_ClientCnn>();
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(Row(k),
                  (TRow{expected[k].Caption, SubItems({ip, {}, {}, {}, {}, {}, {}, {}}), k == 4 ? 3 : 2}));
}

TEST_F(ConnectionsView, TheCreditsGoToTheRowsOfTheWorkstationsWithACustomer) {
    AddAccount(u"alice"_s, u"pw"_s, true, 90);
    auto idle = Join(u"PC01"_s);
    auto busy = LogIn(u"PC02"_s, u"alice"_s);
    ServerSession(2)->Account()->SetCreditTotal(61);
    AddRows(2);
    Refresh<TZRVRefreshConnectionsView_Credits>();
    EXPECT_EQ(fView.SubItem(0, 5), u"00h01m30s"_s);
    EXPECT_EQ(fView.SubItem(0, 6), u"00h01m01s"_s);
    EXPECT_EQ(fView.SubItem(1, 5), QString());
}

TEST_F(ConnectionsView, EverySixtiethFullRefreshAsksForAFreshBinding) {
    auto ws = Join(u"PC01"_s);
    AddRows(1);
    fServer->SetTag(58);
    Refresh<TZRVRefreshConnectionsView>();
    EXPECT_EQ(fServer->Tag(), 59);
    EXPECT_EQ(fView.Tag() & 1, 0);
    EXPECT_EQ(fView.RowOf(Slot(1)->ListItem()), -1);
    EXPECT_EQ(fView.Caption(0), QString()); // an unbound slot waits for its row
    Refresh<TZRVRefreshConnectionsView>();
    EXPECT_EQ(fServer->Tag(), 0);
    EXPECT_EQ(fView.Tag() & 1, 1);
    Refresh<TZRVRefreshConnectionsView>();
    EXPECT_EQ(fView.Tag() & 1, 0);
    EXPECT_EQ(fView.RowOf(Slot(1)->ListItem()), 0);
    EXPECT_EQ(fView.Caption(0), u"PC01"_s);
}

TEST_F(ConnectionsView, TooFewRowsStopEveryRefreshSilently) {
    auto a = Join(u"PC01"_s);
    auto b = Join(u"PC02"_s);
    AddRows(1);
    Rebind();
    EXPECT_EQ(fView.Tag() & 1, 1);
    EXPECT_EQ(fView.Count(), 1);
    Refresh<TZRVRefreshConnectionsView_ClientCnn>();
    Refresh<TZRVRefreshConnectionsView_UserCnn>();
    EXPECT_EQ(fView.Count(), 1);
    EXPECT_EQ(fView.Caption(0), u"PC01"_s);
    EXPECT_EQ(fView.ImageIndex(0), 2);
}

TEST_F(ConnectionsView, ARefreshRunsLaterOnceAndGoes) {
    auto ws = Join(u"PC01"_s);
    AddRows(1);
    fView.SetTag(1);
    QPointer<TZRVCustomRefreshConnectionsView> refresh =
        new TZRVRefreshConnectionsView(&fView, fServer.get(), false);
    EXPECT_EQ(fView.Caption(0), QString());
    EXPECT_TRUE(WaitUntil([&] { return refresh.isNull(); }));
    EXPECT_EQ(fView.Caption(0), u"PC01"_s);

    QPointer<TZRVCustomRefreshConnectionsView> suspended =
        new TZRVRefreshConnectionsView_ClientCnn(&fView, fServer.get(), true);
    fView.SetCaption(0, u"stale"_s);
    RunDeferredCalls();
    EXPECT_EQ(fView.Caption(0), u"stale"_s);
    suspended->Resume();
    EXPECT_TRUE(WaitUntil([&] { return suspended.isNull(); }));
    EXPECT_EQ(fView.Caption(0), u"PC01"_s);

    // A list gone before the refresh runs is left alone.
    auto gone = std::make_unique<TZRVItemModelListView>();
    refresh = new TZRVRefreshConnectionsView(gone.get(), fServer.get(), false);
    gone.reset();
    EXPECT_TRUE(WaitUntil([&] { return refresh.isNull(); }));
}

TEST_F(ConnectionsView, AMissingListOrListenerIsRefused) {
    const auto refused = [&](TZRVListView* aView, TZRVServerConnection* aServer, const QString& aMessage) {
        try {
            TZRVRefreshConnectionsView_Credits(aView, aServer, true);
            ADD_FAILURE() << "accepted";
        } catch (const EZRVError& e) {
            EXPECT_EQ(e.Message(), aMessage);
        }
    };
    refused(nullptr, fServer.get(), u"Objet vue liste invalide"_s);
    refused(&fView, nullptr, u"Objet serveur invalide"_s);
    refused(nullptr, nullptr, u"Objet vue liste invalide"_s);
}

} // namespace
