#include "ZRVKiller.h"

#include "ZRVFunctions.h"

#include <QTimer>

#include <array>
#include <optional>

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
        IZRVWindows& windows = Platform().Windows();
        // The settings are read only when there is a file manager to judge.
        QList<TZRVWindowInfo> all;
        windows.TopLevelWindows(all, wfClassName | wfCaption | wfState);
        std::optional<std::array<bool, 3>> locked;
        for (const TZRVWindowInfo& w : all) {
            if (!IsFileManagerClass(w.ClassName) || !w.Visible || w.Caption.isEmpty())
                continue;
            const QString title = w.Caption.toUpper();
            if (c_KillerSpareTitles.contains(title))
                continue;
            if (!locked)
                locked = {fClientCfg->WRLockProgramFilesFolder(), fClientCfg->WRLockSystemFolder(),
                          fClientCfg->WRLockWindowsFolder()};
            for (size_t i = 0; i < locked->size(); ++i)
                if ((*locked)[i] && ShowsFolder(title, fExclusionList[qsizetype(i)])) {
                    asked += windows.RequestClose(w.Handle) ? 1 : 0;
                    break;
                }
        }
    } catch (const std::exception&) {
        // The killer runs again in a moment; nothing it met must reach the event loop.
    }
    return asked;
}
