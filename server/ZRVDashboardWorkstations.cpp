#include "ZRVDashboardWorkstations.h"

#include "ZRVRefreshConnectionsView.h"
#include "ZRVServerConnection.h"
#include "ZRVUserSession.h"

#include <QJsonObject>

int TZRVPlainListView::Add() {
    TRow row;
    row.Serial = ++fSerial;
    fRows.push_back(std::move(row));
    return Count() - 1;
}

int TZRVPlainListView::RowOf(const QVariant& aHandle) const {
    bool ok = false;
    const qulonglong serial = aHandle.toULongLong(&ok);
    for (size_t i = 0; ok && i < fRows.size(); ++i)
        if (fRows[i].Serial == serial)
            return int(i);
    return -1;
}

QVariant TZRVPlainListView::Value(int aRow, TZRVRowValue aValue) const {
    const TRow& row = fRows[size_t(aRow)];
    return aValue == rvImageIndex ? QVariant(row.Image) : row.Data;
}

void TZRVPlainListView::SetValue(int aRow, TZRVRowValue aWhich, const QVariant& aValue) {
    TRow& row = fRows[size_t(aRow)];
    if (aWhich == rvImageIndex)
        row.Image = aValue.toInt();
    else
        row.Data = aValue;
}

namespace {

int SlotNumber(const TZRVServerConnection& aServer, const TZRVServerClientConnection* aSlot) {
    for (int k = 1; k <= aServer.MaxConnections(); ++k)
        if (aServer.GetConnection(uint8_t(k)) == aSlot)
            return k;
    return 0;
}

const TZRVUserSession* CustomerSession(const TZRVServerClientConnection& aSlot) {
    const TZRVServerUserConnection* user = aSlot.UserConnection();
    return user && user->Connected() ? user->Session() : nullptr;
}

// "asleep", "in-session", "ready" or "connected".
QString State(const TZRVServerClientConnection& aSlot, const TZRVUserSession* aSession) {
    if (aSlot.ShuttedDown())
        return QStringLiteral("asleep");
    if (aSession && aSession->Openned())
        return QStringLiteral("in-session");
    return aSlot.Ready() ? QStringLiteral("ready") : QStringLiteral("connected");
}

QJsonArray Applications(const TZRVServerClientConnection& aSlot) {
    QJsonArray result;
    const TStringList& names = aSlot.AppsNames();
    const TStringList& handles = aSlot.AppsHandles();
    for (int i = 0; i < names.Count() && i < handles.Count(); ++i)
        result.append(QJsonObject{{"name", names[i]}, {"handle", handles[i]}});
    return result;
}

QJsonObject Tile(const TZRVServerConnection& aServer, TZRVPlainListView& aView, int aRow) {
    const auto* slot = qobject_cast<const TZRVServerClientConnection*>(aView.Data(aRow).value<QObject*>());
    const TZRVUserSession* session = slot ? CustomerSession(*slot) : nullptr;
    QJsonObject tile{{"name", aView.Caption(aRow)},        {"address", aView.SubItem(aRow, 0)},
                     {"customer", aView.SubItem(aRow, 1)}, {"kind", aView.SubItem(aRow, 3)},
                     {"session", aView.SubItem(aRow, 4)},  {"credit", aView.SubItem(aRow, 5)},
                     {"used", aView.SubItem(aRow, 6)},     {"start", aView.SubItem(aRow, 7)}};
    if (!slot)
        return tile;
    tile.insert("slot", SlotNumber(aServer, slot));
    tile.insert("state", State(*slot, session));
    tile.insert("applications", Applications(*slot));
    if (session) {
        tile.insert("creditSeconds", qint64(session->Credit()->CreditValue()));
        tile.insert("countingDown", session->Openned() && !session->Credit()->Incremental());
    }
    return tile;
}

} // namespace

QJsonArray ZRVWorkstationsJson(TZRVServerConnection& aServer, TZRVPlainListView& aView) {
    // Every row is bound by position again, so that each refresh shows the table as it is now.
    while (aView.Count() < aServer.GetConnectionsCount())
        aView.Add();
    aView.SetTag(aView.Tag() | 1);
    TZRVRefreshConnectionsView(&aView, &aServer, true).RefreshView();
    QJsonArray result;
    for (int row = 0; row < aView.Count(); ++row)
        result.append(Tile(aServer, aView, row));
    return result;
}
