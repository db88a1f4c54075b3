#pragma once
// The server program's report-style lists (the connected workstations, the till's operations)
// seen through a small list-view interface, so that a Qt item model or a text table can stand
// behind them, with one implementation over QStandardItemModel; and the refreshes that write the
// listener's connected workstations into such a list.

#include "ZRVCommon.h"

#include <QPointer>
#include <QVariant>

class QStandardItemModel;
class TZRVServerClientConnection;
class TZRVServerConnection;
class TZRVUserSession;

// Rows of a caption, eight sub-items, an image index and a user-data reference. A row that is not
// there raises EZRVError ("List index out of bounds"), so a refresh that runs out of rows stops.
class TZRVListView : public QObject {
    Q_OBJECT
public:
    static constexpr int c_SubItemCount = 8;

    virtual ~TZRVListView() = default;

    virtual int Count() const = 0;
    // Appends an empty row; its index.
    virtual int Add() = 0;
    void Delete(int aRow);
    virtual void Clear() = 0;

    QString Caption(int aRow) const;
    void SetCaption(int aRow, const QString& aText);
    // Sub-items 0 ... 7.
    QString SubItem(int aRow, int aIndex) const;
    void SetSubItem(int aRow, int aIndex, const QString& aText);
    int ImageIndex(int aRow) const;
    void SetImageIndex(int aRow, int aIndex);
    QVariant Data(int aRow) const;
    void SetData(int aRow, const QVariant& aData);
    // A reference to the row that follows it when rows before it are deleted, and the row's
    // present index (-1 once the row is gone).
    QVariant Handle(int aRow) const;
    virtual int RowOf(const QVariant& aHandle) const = 0;

    // Changes between the two belong together; they nest.
    void BeginUpdate() { ++fUpdating; }
    void EndUpdate() { fUpdating = std::max(fUpdating - 1, 0); }
    bool Updating() const { return fUpdating > 0; }
    virtual bool Visible() const { return fVisible; }
    virtual void SetVisible(bool aValue) { fVisible = aValue; }
    // A free number for the owner (the connections view keeps its rebinding request in bit 0).
    int Tag() const { return fTag; }
    void SetTag(int aValue) { fTag = aValue; }

protected:
    enum TZRVRowValue { rvImageIndex, rvData };

    // Columns: 0 the caption, 1 ... 8 the sub-items.
    virtual QString Text(int aRow, int aColumn) const = 0;
    virtual void SetText(int aRow, int aColumn, const QString& aText) = 0;
    virtual QVariant Value(int aRow, TZRVRowValue aValue) const = 0;
    virtual void SetValue(int aRow, TZRVRowValue aWhich, const QVariant& aValue) = 0;
    virtual QVariant RowHandle(int aRow) const = 0;
    virtual void DeleteRow(int aRow) = 0;

private:
    void CheckRow(int aRow) const;
    static void CheckSubItem(int aIndex);

    int fUpdating = 0;
    bool fVisible = true;
    int fTag = 0;
};

// The list over a QStandardItemModel: one model row per row, the caption in column 0 and the
// sub-items in columns 1 to 8; the image index and the user data are roles of column 0.
class TZRVItemModelListView : public TZRVListView {
public:
    static constexpr int c_ImageIndexRole = Qt::UserRole + 1;
    static constexpr int c_DataRole = Qt::UserRole + 2;

    // Uses aModel (not owned; widened to nine columns), or a model of its own when none is given.
    explicit TZRVItemModelListView(QStandardItemModel* aModel = nullptr);
    ~TZRVItemModelListView() override;

    QStandardItemModel* Model() const { return fModel; }
    int Count() const override;
    int Add() override;
    void Clear() override;
    int RowOf(const QVariant& aHandle) const override;

protected:
    QString Text(int aRow, int aColumn) const override;
    void SetText(int aRow, int aColumn, const QString& aText) override;
    QVariant Value(int aRow, TZRVRowValue aValue) const override;
    void SetValue(int aRow, TZRVRowValue aWhich, const QVariant& aValue) override;
    QVariant RowHandle(int aRow) const override;
    void DeleteRow(int aRow) override;

private:
    static int Role(TZRVRowValue aValue);

    std::unique_ptr<QStandardItemModel> fOwnModel;
    QStandardItemModel* fModel;
};

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
