#include "ZRVKiller.h"

#include "ZRVFunctions.h"

#include <QTimer>

TZRVKiller::TZRVKiller(bool aCreateSuspended, QObject* aOwner)
    : QObject(aOwner), fClientCfg(std::make_unique<TZRVClientConfig>()) {
    fExclusionList = {GetLastDirectory(GetProgramFilesDir(QStringLiteral("Program Files"))).toUpper(),
                      GetLastDirectory(GetSystemDir(QStringLiteral("System"))).toUpper(),
                      GetLastDirectory(GetWindowsDir(QStringLiteral("Windows"))).toUpper()};
    if (!aCreateSuspended)
        Start();
}

TZRVKiller::~TZRVKiller() = default;

void TZRVKiller::Start() {
    if (fStarted)
        return;
    fStarted = true;
    QTimer::singleShot(0, this, [this] {
        Execute();
        deleteLater();
    });
}

bool TZRVKiller::ShowsFolder(const QString& aTitle, const QString& aName) {
    if (aName.isEmpty())
        return false;
    for (qsizetype at = aTitle.indexOf(aName); at >= 0; at = aTitle.indexOf(aName, at + 1)) {
        const qsizetype after = at + aName.size();
        const bool startsWord = at == 0 || !aTitle[at - 1].isLetterOrNumber();
        const bool endsWord = after == aTitle.size() || !aTitle[after].isLetterOrNumber();
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

int TZRVKiller::Execute() {
    int asked = 0;
    try {
        const bool locked[] = {fClientCfg->WRLockProgramFilesFolder(), fClientCfg->WRLockSystemFolder(),
                               fClientCfg->WRLockWindowsFolder()};
        if (!(locked[0] || locked[1] || locked[2]))
            return 0;
        IZRVWindows& windows = Platform().Windows();
        // Classes first, for every window; the rest only for the file managers among them.
        QList<TZRVWindowInfo> all;
        windows.TopLevelWindows(all, wfClassName);
        for (const TZRVWindowInfo& listed : all) {
            TZRVWindowInfo w;
            if (!IsFileManagerClass(listed.ClassName) || !windows.WindowInfo(listed.Handle, w) ||
                !w.Visible || w.Caption.isEmpty())
                continue;
            const QString title = w.Caption.toUpper();
            if (c_KillerSpareTitles.contains(title))
                continue;
            for (int i = 0; i < 3; ++i)
                if (locked[i] && ShowsFolder(title, fExclusionList[i])) {
                    asked += windows.RequestClose(w.Handle) ? 1 : 0;
                    break;
                }
        }
    } catch (const std::exception&) {
        // The killer runs again in a moment; nothing it met must reach the event loop.
    }
    return asked;
}
