#include "ZRVTextListView.h"

int TZRVTextListView::Add() {
    fRows.push_back(TRow{fNextKey++, {}, 0, {}});
    return Count() - 1;
}

int TZRVTextListView::RowOf(const QVariant& aHandle) const {
    int row = 0;
    for (const TRow& r : fRows) {
        if (aHandle.canConvert<quint64>() && r.Key == aHandle.toULongLong())
            return row;
        ++row;
    }
    return -1;
}

QVariant TZRVTextListView::Value(int aRow, TZRVRowValue aValue) const {
    const TRow& row = At(aRow);
    return aValue == rvImageIndex ? QVariant(row.ImageIndex) : row.Data;
}

void TZRVTextListView::SetValue(int aRow, TZRVRowValue aWhich, const QVariant& aValue) {
    TRow& row = At(aRow);
    if (aWhich == rvImageIndex)
        row.ImageIndex = aValue.toInt();
    else
        row.Data = aValue;
}

void TZRVTextListView::DeleteRow(int aRow) {
    fRows.erase(std::next(fRows.begin(), aRow));
}

void TZRVTextListView::Print(QTextStream& aOut, const QStringList& aHeader) const {
    QList<QStringList> rows = {aHeader};
    for (const TRow& r : fRows)
        rows << QStringList(std::begin(r.Texts),
                            std::begin(r.Texts) + std::min<qsizetype>(aHeader.size(), 9));
    PrintTable(aOut, rows);
}

void PrintTable(QTextStream& aOut, const QList<QStringList>& aRows) {
    QList<qsizetype> widths;
    for (const QStringList& row : aRows)
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (widths.size() <= i)
                widths.append(0);
            widths[i] = std::max(widths[i], row[i].size());
        }
    for (const QStringList& row : aRows) {
        QStringList cells;
        for (qsizetype i = 0; i < row.size(); ++i)
            cells << (i + 1 < row.size() ? row[i].leftJustified(widths[i]) : row[i]);
        aOut << cells.join(QStringLiteral("  ")) << Qt::endl;
    }
}
