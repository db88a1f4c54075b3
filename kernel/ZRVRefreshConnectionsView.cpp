#include "ZRVRefreshConnectionsView.h"

#include "ZRVServerConnection.h"
#include "ZRVUserAccount.h"
#include "ZRVUserSession.h"
#include "ZRVUserTicket.h"

#include <QScopeGuard>
#include <QTimer>

#include <array>
#include <optional>

using namespace Qt::StringLiterals;

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
