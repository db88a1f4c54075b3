#pragma once
// The refreshes that write the listener's connected workstations into a list view.

#include "ZRVListView.h"

#include <QPointer>

class TZRVServerClientConnection;
class TZRVServerConnection;
class TZRVUserSession;

// One refresh of a connections list from the listener's table, run later on the event loop: the
// object is created by the host, runs RefreshView once and deletes itself. It is a child of the
// listener and does nothing when the list or the listener is gone by then.
//
// Rows: caption the workstation's host name; sub-items: 0 address, 1 account name or ticket code,
// 2 account or ticket ID, 3 kind of session, 4 "Active" / "Inactive", 5 credit, 6 the account's
// time used, 7 session start. Images: 0 open session, 1 session not open, 2 no customer, 3 client
// module shut down.
class TZRVCustomRefreshConnectionsView : public QObject {
    Q_OBJECT
public:
    // Raises "Objet vue liste invalide" or "Objet serveur invalide" for a missing list or listener.
    TZRVCustomRefreshConnectionsView(TZRVListView* View, TZRVServerConnection* Server, bool CreateSuspended);

    // Schedules the refresh of a suspended object.
    void Resume();
    // The refresh itself, at once. A missing row ends it silently.
    virtual void RefreshView() = 0;

protected:
    // The slots with a workstation, in slot order.
    std::vector<TZRVServerClientConnection*> ConnectedSlots() const;
    // The session of the slot's customer, or nothing when no customer is logged in there.
    static TZRVUserSession* CustomerSession(const TZRVServerClientConnection& aSlot);
    // Sub-items 4 and 7 and the image of a customer's session, and its kind's sub-items 1, 2, 3, 6.
    void WriteSession(int aRow, const TZRVUserSession& aSession);
    void WriteCredit(int aRow, const TZRVUserSession& aSession);
    // Image 2 and sub-items 1 ... 7 emptied.
    void WriteNoCustomer(int aRow);
    void WriteWorkstation(int aRow, const TZRVServerClientConnection& aSlot);
    // Deletes the rows from the last one down to aCount; whether any was deleted.
    bool KeepRows(int aCount);

    QPointer<TZRVListView> fView;
    QPointer<TZRVServerConnection> fSCnn;

private:
    void Execute();
};

// The whole list: every connected workstation at its bound row, rows beyond them removed. Every
// 60th refresh asks the next one to bind all rows again by position.
class TZRVRefreshConnectionsView : public TZRVCustomRefreshConnectionsView {
    Q_OBJECT
public:
    using TZRVCustomRefreshConnectionsView::TZRVCustomRefreshConnectionsView;
    void RefreshView() override;

private:
    // Binds each slot to the row at its position: the slot's ListItem and, with aData, the row's
    // user data. False when a row is missing.
    bool BindByPosition(const std::vector<TZRVServerClientConnection*>& aConnected, bool aData);
    void WriteRow(int aRow, const TZRVServerClientConnection& aSlot);
};

// The customer columns of each workstation's row, by position.
class TZRVRefreshConnectionsView_UserCnn : public TZRVCustomRefreshConnectionsView {
    Q_OBJECT
public:
    using TZRVCustomRefreshConnectionsView::TZRVCustomRefreshConnectionsView;
    void RefreshView() override;
};

// The workstations alone, without customers, by position; rows beyond them removed.
class TZRVRefreshConnectionsView_ClientCnn : public TZRVCustomRefreshConnectionsView {
    Q_OBJECT
public:
    using TZRVCustomRefreshConnectionsView::TZRVCustomRefreshConnectionsView;
    void RefreshView() override;
};

// The credits of the workstations with a customer, the n-th of them in row n.
class TZRVRefreshConnectionsView_Credits : public TZRVCustomRefreshConnectionsView {
    Q_OBJECT
public:
    using TZRVCustomRefreshConnectionsView::TZRVCustomRefreshConnectionsView;
    void RefreshView() override;
};
