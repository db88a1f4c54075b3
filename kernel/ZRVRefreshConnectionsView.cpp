#include "ZRVRefreshConnectionsView.h"

#include "ZRVServerConnection.h"
#include "ZRVUserAccount.h"
#include "ZRVUserSession.h"
#include "ZRVUserTicket.h"

#include <QPersistentModelIndex>
#include <QScopeGuard>
#include <QStandardItemModel>
#include <QTimer>

#include <array>
#include <optional>

using namespace Qt::StringLiterals;

// =============================================================================================
// The list view

void TZRVListView::CheckRow(int aRow) const {
    if (aRow < 0 || aRow >= Count())
        throw EZRVError(u"List index out of bounds ("_s + QString::number(aRow) + u')');
}

void TZRVListView::CheckSubItem(int aIndex) {
    if (aIndex < 0 || aIndex >= c_SubItemCount)
        throw EZRVError(u"Sub-item index out of bounds ("_s + QString::number(aIndex) + u')');
}

void TZRVListView::Delete(int aRow) {
    CheckRow(aRow);
    DeleteRow(aRow);
}

QString TZRVListView::Caption(int aRow) const {
    CheckRow(aRow);
    return Text(aRow, 0);
}

void TZRVListView::SetCaption(int aRow, const QString& aText) {
    CheckRow(aRow);
    SetText(aRow, 0, aText);
}

QString TZRVListView::SubItem(int aRow, int aIndex) const {
    CheckRow(aRow);
    CheckSubItem(aIndex);
    return Text(aRow, aIndex + 1);
}

void TZRVListView::SetSubItem(int aRow, int aIndex, const QString& aText) {
    CheckRow(aRow);
    CheckSubItem(aIndex);
    SetText(aRow, aIndex + 1, aText);
}

int TZRVListView::ImageIndex(int aRow) const {
    CheckRow(aRow);
    return Value(aRow, rvImageIndex).toInt();
}

void TZRVListView::SetImageIndex(int aRow, int aIndex) {
    CheckRow(aRow);
    SetValue(aRow, rvImageIndex, aIndex);
}

QVariant TZRVListView::Data(int aRow) const {
    CheckRow(aRow);
    return Value(aRow, rvData);
}

void TZRVListView::SetData(int aRow, const QVariant& aData) {
    CheckRow(aRow);
    SetValue(aRow, rvData, aData);
}

QVariant TZRVListView::Handle(int aRow) const {
    CheckRow(aRow);
    return RowHandle(aRow);
}

// ----- over an item model

TZRVItemModelListView::TZRVItemModelListView(QStandardItemModel* aModel)
    : fOwnModel(aModel ? nullptr : new QStandardItemModel(0, 1 + c_SubItemCount)),
      fModel(aModel ? aModel : fOwnModel.get()) {
    if (fModel->columnCount() < 1 + c_SubItemCount)
        fModel->setColumnCount(1 + c_SubItemCount);
}

TZRVItemModelListView::~TZRVItemModelListView() = default;

int TZRVItemModelListView::Count() const {
    return fModel->rowCount();
}

int TZRVItemModelListView::Add() {
    QList<QStandardItem*> row;
    for (int column = 0; column <= c_SubItemCount; ++column)
        row << new QStandardItem();
    fModel->appendRow(row);
    return fModel->rowCount() - 1;
}

void TZRVItemModelListView::Clear() {
    fModel->removeRows(0, fModel->rowCount());
}

int TZRVItemModelListView::RowOf(const QVariant& aHandle) const {
    const auto index = aHandle.value<QPersistentModelIndex>();
    return index.isValid() && index.model() == fModel ? index.row() : -1;
}

QString TZRVItemModelListView::Text(int aRow, int aColumn) const {
    return fModel->index(aRow, aColumn).data(Qt::DisplayRole).toString();
}

void TZRVItemModelListView::SetText(int aRow, int aColumn, const QString& aText) {
    fModel->setData(fModel->index(aRow, aColumn), aText, Qt::DisplayRole);
}

int TZRVItemModelListView::Role(TZRVRowValue aValue) {
    return aValue == rvImageIndex ? c_ImageIndexRole : c_DataRole;
}

QVariant TZRVItemModelListView::Value(int aRow, TZRVRowValue aValue) const {
    return fModel->index(aRow, 0).data(Role(aValue));
}

void TZRVItemModelListView::SetValue(int aRow, TZRVRowValue aWhich, const QVariant& aValue) {
    fModel->setData(fModel->index(aRow, 0), aValue, Role(aWhich));
}

QVariant TZRVItemModelListView::RowHandle(int aRow) const {
    return QVariant::fromValue(QPersistentModelIndex(fModel->index(aRow, 0)));
}

void TZRVItemModelListView::DeleteRow(int aRow) {
    fModel->removeRow(aRow);
}

// =============================================================================================
// The connections view

namespace {

enum TZRVConnectionImage { ciSessionOpen, ciSessionClosed, ciNoCustomer, ciShutDown };
constexpr int c_RebindPeriod = 60;

TZRVServerConnection* Checked(TZRVListView* View, TZRVServerConnection* Server) {
    if (!View)
        throw EZRVError(u"Objet vue liste invalide"_s);
    if (!Server)
        throw EZRVError(u"Objet serveur invalide"_s);
    return Server;
}

// Sub-items 1, 2, 3 and 6 of a session's kind; nothing for a kind outside the four.
std::optional<std::array<QString, 4>> KindColumns(const TZRVUserSession& aSession) {
    const TZRVUserAccount& account = *aSession.Account();
    const TZRVUserTicket& ticket = *aSession.Ticket();
    switch (aSession.SessionType()) {
    case stAccount:
        return std::array{account.AccountName(), QString::number(account.AccountID()),
                          u"Compte ["_s + account.Group()->GroupName() + u']',
                          FormatCredit(account.CreditTotal())};
    case stTicket:
        return std::array{ticket.Code(), QString::number(ticket.TicketID()),
                          u"Ticket ["_s + ticket.Group()->GroupName() + u']', QString()};
    case stLocalAccount:
        return std::array{account.AccountName(), QString(), u"Compte local"_s,
                          FormatCredit(account.CreditTotal())};
    case stNone:
        return std::array{QString(), QString(), u"Aucun"_s, QString()};
    }
    return std::nullopt;
}

// Runs a partial refresh; a missing row ends it silently.
template <class F> void Guarded(F&& aWork) {
    try {
        aWork();
    } catch (const EZRVError&) {
    }
}

} // namespace

TZRVCustomRefreshConnectionsView::TZRVCustomRefreshConnectionsView(TZRVListView* View,
                                                                   TZRVServerConnection* Server,
                                                                   bool CreateSuspended)
    : QObject(Checked(View, Server)), fView(View), fSCnn(Server) {
    if (!CreateSuspended)
        Resume();
}

void TZRVCustomRefreshConnectionsView::Resume() {
    QTimer::singleShot(0, this, &TZRVCustomRefreshConnectionsView::Execute);
}

void TZRVCustomRefreshConnectionsView::Execute() {
    if (fView && fSCnn)
        RefreshView();
    deleteLater();
}

std::vector<TZRVServerClientConnection*> TZRVCustomRefreshConnectionsView::ConnectedSlots() const {
    std::vector<TZRVServerClientConnection*> result;
    const int count = fSCnn->GetConnectionsCount();
    for (int k = 1; k <= count; ++k)
        if (TZRVServerClientConnection* slot = fSCnn->GetActiveConnections(uint8_t(k)))
            result.push_back(slot);
    return result;
}

TZRVUserSession* TZRVCustomRefreshConnectionsView::CustomerSession(const TZRVServerClientConnection& aSlot) {
    const TZRVServerUserConnection* user = aSlot.UserConnection();
    return user && user->Connected() ? user->Session() : nullptr;
}

void TZRVCustomRefreshConnectionsView::WriteSession(int aRow, const TZRVUserSession& aSession) {
    fView->SetImageIndex(aRow, aSession.Openned() ? ciSessionOpen : ciSessionClosed);
    fView->SetSubItem(aRow, 4, aSession.Openned() ? u"Active"_s : u"Inactive"_s);
    fView->SetSubItem(aRow, 7,
                      aSession.StartDateTime() == 0 ? QString() : DateTimeToStr(aSession.StartDateTime()));
    if (const auto columns = KindColumns(aSession)) {
        const int subItems[] = {1, 2, 3, 6};
        for (size_t i = 0; i < columns->size(); ++i)
            fView->SetSubItem(aRow, subItems[i], (*columns)[i]);
    }
}

void TZRVCustomRefreshConnectionsView::WriteCredit(int aRow, const TZRVUserSession& aSession) {
    fView->SetSubItem(aRow, 5, FormatCredit(aSession.Credit()->CreditValue()));
}

void TZRVCustomRefreshConnectionsView::WriteNoCustomer(int aRow) {
    fView->SetImageIndex(aRow, ciNoCustomer);
    for (int i = 1; i < TZRVListView::c_SubItemCount; ++i)
        fView->SetSubItem(aRow, i, QString());
}

void TZRVCustomRefreshConnectionsView::WriteWorkstation(int aRow, const TZRVServerClientConnection& aSlot) {
    fView->SetCaption(aRow, aSlot.RemoteHost());
    fView->SetSubItem(aRow, 0, aSlot.RemoteAddress());
}

bool TZRVCustomRefreshConnectionsView::KeepRows(int aCount) {
    const bool deleting = fView->Count() > aCount;
    for (int row = fView->Count() - 1; row >= aCount; --row)
        fView->Delete(row);
    return deleting;
}

// ----- the whole list

bool TZRVRefreshConnectionsView::BindByPosition(const std::vector<TZRVServerClientConnection*>& aConnected,
                                                bool aData) {
    try {
        for (size_t k = 0; k < aConnected.size(); ++k) {
            aConnected[k]->SetListItem(fView->Handle(int(k)));
            if (aData)
                fView->SetData(int(k), QVariant::fromValue<QObject*>(aConnected[k]));
        }
        return true;
    } catch (const EZRVError&) {
        return false;
    }
}

void TZRVRefreshConnectionsView::WriteRow(int aRow, const TZRVServerClientConnection& aSlot) {
    WriteWorkstation(aRow, aSlot);
    if (const TZRVUserSession* session = CustomerSession(aSlot)) {
        WriteSession(aRow, *session);
        WriteCredit(aRow, *session);
    } else {
        WriteNoCustomer(aRow);
        if (aSlot.ShuttedDown())
            fView->SetImageIndex(aRow, ciShutDown);
    }
}

void TZRVRefreshConnectionsView::RefreshView() {
    fView->BeginUpdate();
    const auto finally = qScopeGuard([this] {
        fView->EndUpdate();
        fSCnn->SetTag(fSCnn->Tag() + 1);
        if (fSCnn->Tag() >= c_RebindPeriod) {
            fSCnn->SetTag(0);
            fView->SetTag(fView->Tag() | 1);
        }
    });
    try {
        const auto connected = ConnectedSlots();
        if ((fView->Tag() & 1) && BindByPosition(connected, true))
            fView->SetTag(fView->Tag() & ~1);
        // A slot not bound to a row yet waits for the next binding.
        for (const TZRVServerClientConnection* slot : connected)
            if (const int row = fView->RowOf(slot->ListItem()); row >= 0)
                WriteRow(row, *slot);
        if (KeepRows(int(connected.size())))
            BindByPosition(connected, false);
    } catch (const EZRVError&) {
        // A row went missing: the next refresh starts again.
    }
}

// ----- parts of the list

void TZRVRefreshConnectionsView_UserCnn::RefreshView() {
    Guarded([this] {
        int row = 0;
        for (const TZRVServerClientConnection* slot : ConnectedSlots()) {
            if (const TZRVUserSession* session = CustomerSession(*slot))
                WriteSession(row, *session);
            else
                WriteNoCustomer(row);
            ++row;
        }
    });
}

void TZRVRefreshConnectionsView_ClientCnn::RefreshView() {
    Guarded([this] {
        const auto connected = ConnectedSlots();
        for (size_t row = 0; row < connected.size(); ++row) {
            WriteWorkstation(int(row), *connected[row]);
            WriteNoCustomer(int(row));
            if (connected[row]->ShuttedDown())
                fView->SetImageIndex(int(row), ciShutDown);
        }
        KeepRows(int(connected.size()));
    });
}

void TZRVRefreshConnectionsView_Credits::RefreshView() {
    Guarded([this] {
        int row = 0;
        for (const TZRVServerClientConnection* slot : ConnectedSlots()) {
            const TZRVUserSession* session = CustomerSession(*slot);
            if (!session)
                continue;
            WriteCredit(row, *session);
            if (session->SessionType() == stAccount)
                fView->SetSubItem(row, 6, FormatCredit(session->Account()->CreditTotal()));
            ++row;
        }
    });
}
