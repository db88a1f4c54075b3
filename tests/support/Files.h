#pragma once
// Whole-file helpers for tests.

#include <QByteArray>
#include <QString>

namespace zrvtest {

// Creates or replaces aPath with aBytes; false when it cannot be written.
bool WriteFile(const QString& aPath, const QByteArray& aBytes);
// The file's bytes; empty when it cannot be read.
QByteArray ReadFile(const QString& aPath);

} // namespace zrvtest
