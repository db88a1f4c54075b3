#pragma once
// The command line's tables: rows of text printed in columns.

#include <QStringList>
#include <QTextStream>

// Prints rows of cells in left-justified columns two spaces apart; the first row is the header.
void PrintTable(QTextStream& aOut, const QList<QStringList>& aRows);
