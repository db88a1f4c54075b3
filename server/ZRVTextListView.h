#pragma once
// The list view of the command line: rows of text kept in memory and printed as a table.

#include "ZRVListView.h"

#include <QTextStream>

#include <list>

class TZRVTextListView : public TZRVListView {
public:
    int Count() const override { return int(fRows.size()); }
    int Add() override;
    void Clear() override { fRows.clear(); }
    int RowOf(const QVariant& aHandle) const override;

    // The rows under aHeader, each row's caption then its first aHeader.size() - 1 sub-items.
    void Print(QTextStream& aOut, const QStringList& aHeader) const;

protected:
    QString Text(int aRow, int aColumn) const override { return At(aRow).Texts[aColumn]; }
    void SetText(int aRow, int aColumn, const QString& aText) override { At(aRow).Texts[aColumn] = aText; }
    QVariant Value(int aRow, TZRVRowValue aValue) const override;
    void SetValue(int aRow, TZRVRowValue aWhich, const QVariant& aValue) override;
    QVariant RowHandle(int aRow) const override { return At(aRow).Key; }
    void DeleteRow(int aRow) override;

private:
    struct TRow {
        quint64 Key = 0;
        QString Texts[1 + c_SubItemCount];
        int ImageIndex = 0;
        QVariant Data;
    };
    TRow& At(int aRow) { return *std::next(fRows.begin(), aRow); }
    const TRow& At(int aRow) const { return *std::next(fRows.begin(), aRow); }

    std::list<TRow> fRows;
    quint64 fNextKey = 1;
};

// Prints rows of cells in left-justified columns two spaces apart; the first row is the header.
void PrintTable(QTextStream& aOut, const QList<QStringList>& aRows);
