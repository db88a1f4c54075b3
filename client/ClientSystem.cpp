#include "ClientSystem.h"

#include "ZRVClientConfig.h"
#include "ZRVFunctions.h"
#include "platform/ZRVPlatform.h"
#include "platform/ZRVRegistry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace ZRVClientSystem {

namespace {

const QString c_OwnEntry = QStringLiteral("zrv2_client");
constexpr int c_MaxStartPages = 25;

// A desktop session starts its startup programs itself; only a session whose shell is this
// program needs them started.
bool StartsItsOwnPrograms() {
    return Platform().Restrictions().ShellRunning();
}

void Launch(const QString& aCommand) {
    QStringList parts = QProcess::splitCommand(aCommand);
    if (!parts.isEmpty()) {
        const QString program = parts.takeFirst();
        Platform().Launcher().Start(program, parts);
    }
}

void RunKey(TZRVRootKey aRoot) {
    if (StartsItsOwnPrograms())
        return;
    TZRVRegistry reg(aRoot);
    if (!reg.OpenKeyReadOnly(c_RunAtStartupKey))
        return;
    for (const QString& name : reg.GetValueNames()) {
        if (name.compare(c_OwnEntry, Qt::CaseInsensitive) == 0)
            continue;
        try {
            Launch(reg.ReadString(name));
        } catch (const std::exception&) {
            // A value that cannot be read is passed over like a program that cannot start.
        }
    }
}

// The command of a desktop entry file; empty when the entry is hidden or has none.
QString AutostartCommand(const QString& aFile) {
    QFile file(aFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    bool inEntry = false;
    QString exec;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'['))
            inEntry = line == QStringLiteral("[Desktop Entry]");
        else if (inEntry && line.startsWith(QStringLiteral("Hidden=")))
            if (line.mid(7).compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
                return QString();
        if (inEntry && line.startsWith(QStringLiteral("Exec=")))
            exec = line.mid(5);
    }
    // Field codes (%f, %u, ...) stand for files the session has none of here.
    static const QRegularExpression fieldCode(QStringLiteral("%[fFuUdDnNickvm]"));
    return exec.remove(fieldCode).replace(QStringLiteral("%%"), QStringLiteral("%")).trimmed();
}

void RunAutostartFolder(const QString& aFolder, const QStringList& aOverridden) {
    if (StartsItsOwnPrograms())
        return;
    const QDir folder(aFolder);
    for (const QString& name : folder.entryList({QStringLiteral("*.desktop")}, QDir::Files)) {
        if (name == c_OwnEntry + QStringLiteral(".desktop") || aOverridden.contains(name))
            continue;
        const QString command = AutostartCommand(folder.filePath(name));
        if (!command.isEmpty())
            Launch(command);
    }
}

QString UserAutostartFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

bool ClassIn(const QString& aClass, const QStringList& aClasses) {
    return aClasses.contains(aClass) || aClass.contains(QStringLiteral("tfrmavantbrowser"));
}

// The window's caption shows aFolder or a folder below it.
bool ShowsFolder(const QString& aCaption, const QString& aFolder) {
    const qsizetype at = aCaption.indexOf(aFolder);
    if (at < 0)
        return false;
    const qsizetype end = at + aFolder.size();
    return end == aCaption.size() || aCaption[end] == u'/' || aCaption[end].isSpace();
}

} // namespace

void LM_Run() {
    RunKey(TZRVRootKey::HKEY_LOCAL_MACHINE);
}

void CU_Run() {
    RunKey(TZRVRootKey::HKEY_CURRENT_USER);
}

void AllUsersStartUp() {
    // An entry of the user's own folder replaces the system's entry of the same name.
    const QStringList overridden =
        QDir(UserAutostartFolder()).entryList({QStringLiteral("*.desktop")}, QDir::Files);
    const QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts))
        RunAutostartFolder(dir + QStringLiteral("/autostart"), overridden);
}

void UserStartUp() {
    RunAutostartFolder(UserAutostartFolder(), {});
}

int CloseNavigators() {
    static const QStringList browsers = {c_IEFrame,
                                         c_FirefoxClass,
                                         c_GoogleChrome,
                                         c_Operaclass,
                                         c_MozillaClass,
                                         QStringLiteral("navigator"),
                                         QStringLiteral("firefox"),
                                         QStringLiteral("firefox-esr"),
                                         QStringLiteral("chromium"),
                                         QStringLiteral("google-chrome"),
                                         QStringLiteral("epiphany"),
                                         QStringLiteral("falkon")};
    IZRVWindows& windows = Platform().Windows();
    QList<TZRVWindowInfo> list;
    if (!windows.TopLevelWindows(list))
        return 0;
    int asked = 0;
    for (const TZRVWindowInfo& window : list)
        if (ClassIn(window.ClassName, browsers) && windows.RequestClose(window.Handle))
            ++asked;
    return asked;
}

bool OpenUrl(const QString& aUrl) {
    return Platform().Launcher().Open(aUrl);
}

bool GetIEHistoryList(QStringList& aList) {
    aList.clear();
    try {
        TZRVRegistry reg(TZRVRootKey::HKEY_CURRENT_USER);
        if (!reg.OpenKeyReadOnly(c_IEUrlsKey))
            return true;
        for (int i = 1; i <= c_MaxStartPages; ++i) {
            const QString name = QStringLiteral("url%1").arg(i);
            if (!reg.ValueExists(name) || reg.ReadString(name).isEmpty())
                break;
            aList.append(reg.ReadString(name));
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void RememberStartPage(const QString& aUrl) {
    QStringList pages;
    GetIEHistoryList(pages);
    pages.removeAll(aUrl);
    pages.prepend(aUrl);
    TZRVRegistry reg(TZRVRootKey::HKEY_CURRENT_USER);
    if (!reg.OpenKey(c_IEUrlsKey, true))
        return;
    for (int i = 0; i < c_MaxStartPages; ++i) {
        const QString name = QStringLiteral("url%1").arg(i + 1);
        if (i < pages.size())
            reg.WriteString(name, pages[i]);
        else
            reg.DeleteValue(name);
    }
}

int KillLockedFolders(const TZRVClientConfig& aConfig) {
    static const QStringList fileManagers = {
        c_CabinetWClass,          QStringLiteral("nautilus"), QStringLiteral("org.gnome.nautilus"),
        QStringLiteral("thunar"), QStringLiteral("pcmanfm"),  QStringLiteral("pcmanfm-qt"),
        QStringLiteral("nemo"),   QStringLiteral("caja"),     QStringLiteral("dolphin")};
    // The folders standing for the program files, the system and the Windows folders.
    QStringList locked;
    if (aConfig.WRLockProgramFilesFolder())
        locked << QStringLiteral("/opt") << QStringLiteral("/usr/local");
    if (aConfig.WRLockSystemFolder())
        locked << QStringLiteral("/usr/lib") << QStringLiteral("/usr/bin") << QStringLiteral("/usr/sbin");
    if (aConfig.WRLockWindowsFolder())
        locked << QStringLiteral("/etc") << QStringLiteral("/boot");
    if (locked.isEmpty())
        return 0;
    IZRVWindows& windows = Platform().Windows();
    QList<TZRVWindowInfo> list;
    if (!windows.TopLevelWindows(list))
        return 0;
    int closed = 0;
    for (const TZRVWindowInfo& window : list) {
        if (!fileManagers.contains(window.ClassName))
            continue;
        const bool shows = std::any_of(locked.cbegin(), locked.cend(), [&](const QString& folder) {
            return ShowsFolder(window.Caption, folder);
        });
        if (shows && windows.RequestClose(window.Handle))
            ++closed;
    }
    return closed;
}

} // namespace ZRVClientSystem
