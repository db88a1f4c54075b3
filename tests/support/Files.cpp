#include "Files.h"

#include <QFile>

namespace zrvtest {

bool WriteFile(const QString& aPath, const QByteArray& aBytes) {
    QFile file(aPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(aBytes) == aBytes.size();
}

QByteArray ReadFile(const QString& aPath) {
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace zrvtest
