#include "ZRVTextTable.h"

#include <algorithm>

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
