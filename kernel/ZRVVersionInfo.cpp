#include "ZRVVersionInfo.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

bool IsOwnProgram(const QFileInfo& aFile) {
    if (!QCoreApplication::instance())
        return false;
    const QString own = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    return !own.isEmpty() && aFile.canonicalFilePath() == own;
}

} // namespace

void TZRVCustomVersionInfo::SetApp(const QString& FileName) {
    fApp = FileName;
    Setup();
}

void TZRVCustomVersionInfo::Setup() {
    const QFileInfo file(fApp);
    if (fApp.isEmpty() || !IsOwnProgram(file))
        return;
    fFileVersion = QStringLiteral(ZRV_VERSION);
    fProductVersion = QStringLiteral(ZRV_VERSION);
    fInternalName = file.completeBaseName();
    fOriginalFileName = file.fileName();
}
