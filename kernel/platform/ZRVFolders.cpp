#include "ZRVFolders.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString c_SystemFolder = QStringLiteral("/var/lib/zrv2");

bool CanWriteFolder(const QString& aFolder) {
    const QFileInfo folder(aFolder);
    if (folder.exists())
        return folder.isDir() && folder.isWritable();
    const QFileInfo parent(folder.absolutePath());
    return parent.isDir() && parent.isWritable();
}

} // namespace

QString ZRVUserFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/zrv2");
}

QString ZRVMachineFolder(const char* aVariable) {
    const QString configured = qEnvironmentVariable(aVariable);
    if (!configured.isEmpty())
        return configured;
    return CanWriteFolder(c_SystemFolder) ? c_SystemFolder : ZRVUserFolder();
}
