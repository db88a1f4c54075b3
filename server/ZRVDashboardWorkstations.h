#pragma once
// The workstations as the operator's web page shows them: the kernel's connections view written
// into a list of plain rows, and each row with what the page adds to it (the slot, its state, the
// credit in seconds, the running applications).

#include "ZRVListView.h"

#include <QJsonArray>

#include <vector>

class TZRVServerConnection;

// The list view of plain rows behind the page's workstations.
class TZRVPlainListView : public TZRVListView {
public:
    int Count() const override { return int(fRows.size()); }
    int Add() override;
    void Clear() override { fRows.clear(); }
    int RowOf(const QVariant& aHandle) const override;

protected:
    QString Text(int aRow, int aColumn) const override { return fRows[size_t(aRow)].Texts[size_t(aColumn)]; }
    void SetText(int aRow, int aColumn, const QString& aText) override {
        fRows[size_t(aRow)].Texts[size_t(aColumn)] = aText;
    }
    QVariant Value(int aRow, TZRVRowValue aValue) const override;
    void SetValue(int aRow, TZRVRowValue aWhich, const QVariant& aValue) override;
    QVariant RowHandle(int aRow) const override { return fRows[size_t(aRow)].Serial; }
    void DeleteRow(int aRow) override { fRows.erase(fRows.begin() + aRow); }

private:
    struct TRow {
        std::array<QString, c_SubItemCount + 1> Texts;
        int Image = -1;
        QVariant Data;
        qulonglong Serial = 0;
    };
    std::vector<TRow> fRows;
    qulonglong fSerial = 0;
};

// Refreshes aView from the listener and gives one object per connected workstation, in slot order.
QJsonArray ZRVWorkstationsJson(TZRVServerConnection& aServer, TZRVPlainListView& aView);
