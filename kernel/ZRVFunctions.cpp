#include "ZRVFunctions.h"

#include "ZRVListView.h"
#include "platform/ZRVRegistry.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSaveFile>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

struct THourFormulaFields {
    int16_t StartDay, StartHour, EndDay, EndHour;
};

THourFormulaFields Decode(int32_t aHourFormula) {
    THourFormulaFields f{};
    TZRVHourFormulaData::DecodeValue(aHourFormula, f.StartDay, f.StartHour, f.EndDay, f.EndHour);
    return f;
}

// Two decimal digits of a credit text; signs and spaces are not digits.
uint32_t CreditPart(const QString& aText, qsizetype aAt) {
    const QString part = aText.mid(aAt, 2);
    if (!std::all_of(part.begin(), part.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(part));
    return uint32_t(part.toUInt());
}

} // namespace

int NValue(const QString& aText) {
    try {
        return StrToInt(aText);
    } catch (const EConvertError&) {
        return 0;
    }
}

QString CreditFormatted(uint32_t aSeconds) {
    return FormatCredit(aSeconds);
}

uint32_t UnformatCredit(const QString& aText) {
    if (aText.size() != 9)
        return 0;
    return CreditPart(aText, 0) * 3600 + CreditPart(aText, 3) * 60 + CreditPart(aText, 6);
}

int GetStartDay(int32_t aHourFormula) {
    return Decode(aHourFormula).StartDay;
}

int GetStartHour(int32_t aHourFormula) {
    return Decode(aHourFormula).StartHour;
}

int GetEndDay(int32_t aHourFormula) {
    return Decode(aHourFormula).EndDay;
}

int GetEndHour(int32_t aHourFormula) {
    return Decode(aHourFormula).EndHour;
}

QString GetLastDirectory(const QString& aPath) {
    const qsizetype at = std::max(aPath.lastIndexOf(u'\\'), aPath.lastIndexOf(u'/'));
    return aPath.mid(at + 1);
}

bool IsBrowserClass(const QString& aClassName) {
    static const QStringList windows = {c_IEFrame,      c_MozillaClass, c_FirefoxClass,
                                        c_GoogleChrome, c_Operaclass,   c_AvantBrowserUnicodeClass};
    return windows.contains(aClassName) || aClassName.contains(c_AvantBrowserClass) ||
           c_LinuxBrowserClasses.contains(aClassName);
}

bool IsFileManagerClass(const QString& aClassName) {
    return aClassName == c_CabinetWClass || c_LinuxFileManagerClasses.contains(aClassName);
}

// ---------------------------------------------------------------------------------------------
// Ending the session

TZRVSessionEnd SessionEndOf(TZRVWinExitFlags aFlags) {
    if (aFlags & c_EWX_REBOOT)
        return TZRVSessionEnd::Reboot;
    if (aFlags & (c_EWX_SHUTDOWN | c_EWX_POWEROFF))
        return TZRVSessionEnd::PowerOff;
    return TZRVSessionEnd::LogOff;
}

bool SetPrivilege(const QString& aName, bool) {
    return aName.compare(c_SeShutdownPrivilege, Qt::CaseInsensitive) == 0;
}

void WinExit(TZRVWinExitFlags aFlags, QObject* aContext, std::function<void(bool)> aDone) {
    if (!SetPrivilege(c_SeShutdownPrivilege, true))
        return AnswerLater(aContext, std::move(aDone), false);
    Platform().Session().End(SessionEndOf(aFlags), aFlags & c_EWX_FORCE, aContext, std::move(aDone));
    SetPrivilege(c_SeShutdownPrivilege, false);
}

// ---------------------------------------------------------------------------------------------
// Windows, keys, the desktop

bool ForceForegroundWindow(TZRVWindowHandle aWindow) {
    return Platform().Desktop().ForceForeground(aWindow);
}

void MinimizeForegroundWindow(TZRVWindowHandle aWindow) {
    Platform().Desktop().MinimizeForeground(aWindow);
}

bool CtrlDown() {
    return Platform().Desktop().ModifierDown(Qt::ControlModifier);
}

bool ShiftDown() {
    return Platform().Desktop().ModifierDown(Qt::ShiftModifier);
}

bool AltDown() {
    return Platform().Desktop().ModifierDown(Qt::AltModifier);
}

bool ShowDesktop(const QString& aFolder) {
    if (aFolder.isEmpty() || !QFileInfo(aFolder).isDir())
        return false;
    IZRVDesktop& desktop = Platform().Desktop();
    return desktop.ShowDesktop(!desktop.ShowingDesktop());
}

namespace {

// The tools of each applet, in the order they are looked for.
const QHash<QString, QStringList>& ControlPanelTools() {
    static const QHash<QString, QStringList> tools = {
        {QStringLiteral("appwiz.cpl"), {"synaptic-pkexec", "gnome-software", "plasma-discover"}},
        {QStringLiteral("desk.cpl"),
         {"xfce4-display-settings", "lxrandr", "arandr", "gnome-control-center display"}},
        {QStringLiteral("intl.cpl"), {"gnome-control-center region", "lxqt-config-locale"}},
        {QStringLiteral("joy.cpl"), {"jstest-gtk"}},
        {QStringLiteral("main.cpl"), {"xfce4-mouse-settings", "lxinput", "gnome-control-center mouse"}},
        {QStringLiteral("mmsys.cpl"), {"pavucontrol", "gnome-control-center sound"}},
        {QStringLiteral("ncpa.cpl"), {"nm-connection-editor", "gnome-control-center network"}},
        {QStringLiteral("nusrmgr.cpl"), {"gnome-control-center user-accounts", "users-admin"}},
        {QStringLiteral("powercfg.cpl"), {"xfce4-power-manager-settings", "gnome-control-center power"}},
        {QStringLiteral("sysdm.cpl"), {"gnome-control-center info-overview", "xfce4-about", "hardinfo"}},
        {QStringLiteral("timedate.cpl"), {"gnome-control-center datetime", "time-admin"}},
    };
    return tools;
}

} // namespace

QStringList ControlPanelCommand(const QString& aAppletFile) {
    for (const QString& tool : ControlPanelTools().value(aAppletFile.toLower())) {
        const QStringList command = tool.split(u' ');
        if (!QStandardPaths::findExecutable(command.first()).isEmpty())
            return command;
    }
    return QStringList();
}

namespace {

// Asks every top-level window whose class aMatch accepts to close; how many were asked.
int CloseWindows(const std::function<bool(const QString&)>& aMatch) {
    IZRVWindows& windows = Platform().Windows();
    QList<TZRVWindowInfo> all;
    windows.TopLevelWindows(all, wfClassName);
    int asked = 0;
    for (const TZRVWindowInfo& w : all)
        if (aMatch(w.ClassName) && windows.RequestClose(w.Handle))
            ++asked;
    return asked;
}

} // namespace

int CloseAllNavigators() {
    return CloseWindows(IsBrowserClass);
}

int CloseAllInternetExplorer() {
    return CloseWindows([](const QString& aClass) { return aClass == c_IEFrame; });
}

int CloseAllExplorer() {
    return CloseWindows(IsFileManagerClass);
}

bool OpenUrl(const QString& aUrl, bool aUseBrowser) {
    IZRVLauncher& launcher = Platform().Launcher();
    return aUseBrowser ? launcher.Start(QStringLiteral("x-www-browser"), {aUrl}) : launcher.Open(aUrl);
}

namespace {

const QString c_UrlValue = QStringLiteral("url");

QStringList TypedUrls(TZRVRegistry& aStore) {
    QStringList urls;
    for (int i = 1; i <= c_MaxTypedUrls * 4; ++i) {
        const QString name = c_UrlValue + QString::number(i);
        if (!aStore.ValueExists(name) || aStore.GetDataType(name) != TZRVRegDataType::rdString)
            break;
        const QString url = aStore.ReadString(name);
        if (url.isEmpty())
            break;
        urls.append(url);
    }
    return urls;
}

} // namespace

bool GetIEHistoryList(QStringList* aList) {
    if (!aList)
        return false;
    aList->clear();
    TZRVRegistry store(TZRVRootKey::HKEY_CURRENT_USER);
    try {
        if (store.OpenKeyReadOnly(c_IEUrlsKey))
            *aList = TypedUrls(store);
        return true;
    } catch (const EZRVError&) {
        return false;
    }
}

bool AddIEHistoryUrl(const QString& aUrl, int aMax) {
    if (aUrl.trimmed().isEmpty())
        return false;
    TZRVRegistry store(TZRVRootKey::HKEY_CURRENT_USER);
    try {
        if (!store.OpenKey(c_IEUrlsKey, true))
            return false;
        QStringList urls = TypedUrls(store);
        const QStringList before = urls;
        urls.removeAll(aUrl);
        urls.prepend(aUrl);
        urls = urls.mid(0, std::max(aMax, 1));
        // Only the places that change are written.
        for (qsizetype i = 0; i < urls.size(); ++i)
            if (urls[i] != before.value(i))
                store.WriteString(c_UrlValue + QString::number(i + 1), urls[i]);
        // Nothing stays behind the kept ones, to come back when the list grows again.
        for (const QString& name : store.GetValueNames()) {
            bool number = false;
            const int place =
                name.startsWith(c_UrlValue, Qt::CaseInsensitive) ? name.mid(3).toInt(&number) : 0;
            if (number && place > urls.size())
                store.DeleteValue(name);
        }
        return true;
    } catch (const EZRVError&) {
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Folders

namespace {

const QString c_ProgramFilesDir = QStringLiteral("ProgramFilesDir");

// aFolder when it exists; otherwise the fallback, or an error naming the folder.
QString ExistingFolder(const QString& aFolder, const QString* aFallback) {
    if (!aFolder.isEmpty() && QFileInfo(aFolder).isDir())
        return aFolder;
    if (aFallback)
        return *aFallback;
    throw EZRVError(QStringLiteral("The folder \"%1\" does not exist").arg(aFolder));
}

QString ProgramFiles() {
    TZRVRegistry store;
    try {
        if (store.OpenKeyReadOnly(c_CurrentVersionKey) && store.ValueExists(c_ProgramFilesDir))
            return store.ReadString(c_ProgramFilesDir);
    } catch (const EZRVError&) {
    }
    return QStringLiteral("/usr");
}

} // namespace

QString GetWindowsDir() {
    return ExistingFolder(QStringLiteral("/etc"), nullptr);
}

QString GetWindowsDir(const QString& aFallback) {
    return ExistingFolder(QStringLiteral("/etc"), &aFallback);
}

QString GetSystemDir() {
    return ExistingFolder(QStringLiteral("/usr/bin"), nullptr);
}

QString GetSystemDir(const QString& aFallback) {
    return ExistingFolder(QStringLiteral("/usr/bin"), &aFallback);
}

QString GetProgramFilesDir() {
    return ExistingFolder(ProgramFiles(), nullptr);
}

QString GetProgramFilesDir(const QString& aFallback) {
    return ExistingFolder(ProgramFiles(), &aFallback);
}

// ---------------------------------------------------------------------------------------------
// Startup programs

namespace {

// An autostart entry's text is small; a larger file is not one.
constexpr qint64 c_MaxEntrySize = 64 * 1024;

QStringList CurrentDesktops() {
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
}

void StartCommand(const QStringList& aCommand) {
    if (!aCommand.isEmpty())
        Platform().Launcher().Start(aCommand.first(), aCommand.mid(1));
}

void RunValues(TZRVRootKey aRoot) {
    if (!ClientIsTheShell())
        return;
    TZRVRegistry store(aRoot);
    try {
        if (!store.OpenKeyReadOnly(c_RunKey))
            return;
        for (const QString& name : store.GetValueNames())
            if (store.GetDataType(name) == TZRVRegDataType::rdString)
                StartCommand(QProcess::splitCommand(store.ReadString(name)));
    } catch (const EZRVError&) {
    }
}

QString UserAutostart() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart");
}

QStringList SystemAutostart() {
    QStringList folders;
    const QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts))
        folders.append(dir + QStringLiteral("/autostart"));
    return folders;
}

QStringList Entries(const QString& aFolder) {
    return QDir(aFolder).entryList({QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable, QDir::Name);
}

void StartEntry(const QString& aFile) {
    QFile file(aFile);
    if (file.open(QIODevice::ReadOnly) && file.size() <= c_MaxEntrySize)
        StartCommand(AutostartCommand(QString::fromUtf8(file.readAll()), CurrentDesktops()));
}

// The value of a desktop entry with its escapes (\s \n \t \r \\) read; other backslashes stay for
// the Exec value's own quoting.
QString Unescaped(const QString& aValue) {
    static const QHash<QChar, QChar> escapes = {
        {u's', u' '}, {u'n', u'\n'}, {u't', u'\t'}, {u'r', u'\r'}, {u'\\', u'\\'}};
    QString text;
    for (qsizetype i = 0; i < aValue.size(); ++i) {
        const auto escape = i + 1 < aValue.size() && aValue[i] == u'\\' ? escapes.constFind(aValue[i + 1])
                                                                        : escapes.constEnd();
        if (escape == escapes.constEnd()) {
            text += aValue[i];
        } else {
            text += *escape;
            ++i;
        }
    }
    return text;
}

// The words of an Exec value: quoted words keep their spaces (with \" \` \$ \\ inside), field
// codes (%f, %U, ...) are dropped and %% is a percent sign.
QStringList ExecWords(const QString& aExec) {
    QStringList words;
    QString word;
    bool quoted = false, inWord = false;
    for (qsizetype i = 0; i < aExec.size(); ++i) {
        const QChar c = aExec[i];
        if (quoted && c == u'\\' && i + 1 < aExec.size()) {
            word += aExec[++i];
        } else if (c == u'"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == u' ' || c == u'\t')) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    QStringList command;
    for (const QString& w : words) {
        if (w.size() == 2 && w[0] == u'%' && w[1] != u'%')
            continue;
        command.append(QString(w).replace(QStringLiteral("%%"), QStringLiteral("%")));
    }
    return command;
}

QStringList List(const QString& aValue) {
    return aValue.split(u';', Qt::SkipEmptyParts);
}

bool Intersects(const QStringList& aOne, const QStringList& aOther) {
    return std::any_of(aOne.begin(), aOne.end(), [&](const QString& s) { return aOther.contains(s); });
}

} // namespace

bool ClientIsTheShell() {
    return CurrentDesktops().contains(c_SessionDesktopName);
}

QStringList AutostartCommand(const QString& aEntry, const QStringList& aDesktops) {
    QHash<QString, QString> keys;
    bool inEntry = false;
    for (const QString& raw : aEntry.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'['))
            inEntry = line == u"[Desktop Entry]";
        const qsizetype equals = line.indexOf(u'=');
        if (!inEntry || line.startsWith(u'#') || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!keys.contains(key))
            keys.insert(key, Unescaped(line.mid(equals + 1).trimmed()));
    }
    const auto isTrue = [&keys](const char* aKey) { return keys.value(QLatin1String(aKey)) == u"true"; };
    const QString type = keys.value(QStringLiteral("Type"), QStringLiteral("Application"));
    const QString tryExec = keys.value(QStringLiteral("TryExec"));
    if (type != u"Application" || isTrue("Hidden") ||
        keys.value(QStringLiteral("X-GNOME-Autostart-enabled")) == u"false" ||
        (keys.contains(QStringLiteral("OnlyShowIn")) &&
         !Intersects(List(keys.value(QStringLiteral("OnlyShowIn"))), aDesktops)) ||
        Intersects(List(keys.value(QStringLiteral("NotShowIn"))), aDesktops) ||
        (!tryExec.isEmpty() && QStandardPaths::findExecutable(tryExec).isEmpty() &&
         !QFileInfo(tryExec).isExecutable()))
        return QStringList();
    return ExecWords(keys.value(QStringLiteral("Exec")));
}

void LM_Run() {
    RunValues(TZRVRootKey::HKEY_LOCAL_MACHINE);
}

void CU_Run() {
    RunValues(TZRVRootKey::HKEY_CURRENT_USER);
}

void AllUsersStartUp() {
    if (!ClientIsTheShell())
        return;
    // The user's entry of a name replaces the system's, and the first system folder wins.
    const QStringList users = Entries(UserAutostart());
    QSet<QString> seen(users.begin(), users.end());
    for (const QString& folder : SystemAutostart())
        for (const QString& name : Entries(folder)) {
            if (seen.contains(name))
                continue;
            seen.insert(name);
            StartEntry(folder + u'/' + name);
        }
}

void UserStartUp() {
    if (!ClientIsTheShell())
        return;
    for (const QString& name : Entries(UserAutostart()))
        StartEntry(UserAutostart() + u'/' + name);
}

// ---------------------------------------------------------------------------------------------
// List-view files

namespace {

void CheckListViewArguments(const TZRVListView* aListView, const QString& aFileName) {
    if (!aListView)
        throw EZRVError(QStringLiteral("Objet vue liste absent"));
    if (aFileName.isEmpty())
        throw EZRVError(QStringLiteral("Nom de fichier absent"));
}

// One row as the files hold it.
struct TListRow {
    QString Caption;
    QStringList SubItems;
    int ImageIndex = 0;
};

void ReplaceRows(TZRVListView& aListView, const QList<TListRow>& aRows) {
    aListView.BeginUpdate();
    aListView.Clear();
    for (const TListRow& row : aRows) {
        const int at = aListView.Add();
        aListView.SetCaption(at, row.Caption);
        aListView.SetImageIndex(at, row.ImageIndex);
        for (int i = 0; i < std::min<int>(int(row.SubItems.size()), TZRVListView::c_SubItemCount); ++i)
            aListView.SetSubItem(at, i, row.SubItems[i]);
    }
    aListView.EndUpdate();
}

const QByteArray c_LvfMagic("L\0V\0F\0", 6);

void PutText(QDataStream& aOut, const QString& aText) {
    const QString text = aText.left(0xFFFF);
    aOut << quint16(text.size());
    for (QChar c : text)
        aOut << quint16(c.unicode());
}

QString TakeText(QDataStream& aIn) {
    quint16 length = 0;
    aIn >> length;
    QString text;
    for (quint16 i = 0; i < length && aIn.status() == QDataStream::Ok; ++i) {
        quint16 c = 0;
        aIn >> c;
        text += QChar(c);
    }
    return text;
}

} // namespace

void SaveListViewItems(TZRVListView* aListView, const QString& aFileName, bool aFlag) {
    CheckListViewArguments(aListView, aFileName);
    QSettings ini(aFileName, QSettings::IniFormat);
    ini.clear();
    for (int row = 0; row < aListView->Count(); ++row) {
        ini.beginGroup(QString::number(row));
        ini.setValue(QStringLiteral("0"), aListView->Caption(row));
        for (int i = 0; i < TZRVListView::c_SubItemCount; ++i)
            ini.setValue(QString::number(i + 1), aListView->SubItem(row, i));
        ini.endGroup();
    }
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw EZRVError(QStringLiteral("Cannot write \"%1\"").arg(aFileName));
    if (aFlag)
        aListView->SetVisible(true);
}

void LoadListViewItems(TZRVListView* aListView, const QString& aFileName, bool aFlag) {
    CheckListViewArguments(aListView, aFileName);
    QSettings ini(aFileName, QSettings::IniFormat);
    QList<TListRow> rows;
    // Rows are the sections named 0, 1, 2 ... in turn.
    for (int row = 0; ini.childGroups().contains(QString::number(row)); ++row) {
        ini.beginGroup(QString::number(row));
        TListRow r;
        r.Caption = ini.value(QStringLiteral("0")).toString();
        for (int i = 0; i < TZRVListView::c_SubItemCount; ++i)
            r.SubItems.append(ini.value(QString::number(i + 1)).toString());
        ini.endGroup();
        rows.append(r);
    }
    ReplaceRows(*aListView, rows);
    if (aFlag)
        aListView->SetVisible(true);
}

void SauverListViewDansFichier(TZRVListView* aListView, const QString& aFileName) {
    CheckListViewArguments(aListView, aFileName);
    QSaveFile file(aFileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EZRVError(QStringLiteral("Cannot write \"%1\"").arg(aFileName));
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData(c_LvfMagic.constData(), int(c_LvfMagic.size()));
    const int rows = std::min(aListView->Count(), 0xFFFF);
    out << quint16(rows);
    for (int row = 0; row < rows; ++row) {
        out << quint16(TZRVListView::c_SubItemCount) << qint32(aListView->ImageIndex(row));
        PutText(out, aListView->Caption(row));
        for (int i = 0; i < TZRVListView::c_SubItemCount; ++i)
            PutText(out, aListView->SubItem(row, i));
    }
    if (out.status() != QDataStream::Ok || !file.commit())
        throw EZRVError(QStringLiteral("Cannot write \"%1\"").arg(aFileName));
}

void ChargerListViewDuFichier(TZRVListView* aListView, const QString& aFileName) {
    CheckListViewArguments(aListView, aFileName);
    QFile file(aFileName);
    if (!file.exists())
        throw EZRVError(QStringLiteral("Le fichier \"%1\" n'existe pas!").arg(aFileName));
    const QString wrong = QStringLiteral("\"%1\" n'est pas un fichier de vue liste correct!").arg(aFileName);
    if (!file.open(QIODevice::ReadOnly) || file.read(c_LvfMagic.size()) != c_LvfMagic)
        throw EZRVError(wrong);
    QDataStream in(&file);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 count = 0;
    in >> count;
    QList<TListRow> rows;
    for (quint16 row = 0; row < count && in.status() == QDataStream::Ok; ++row) {
        quint16 subItems = 0;
        qint32 image = 0;
        in >> subItems >> image;
        TListRow r;
        r.ImageIndex = image;
        r.Caption = TakeText(in);
        for (quint16 i = 0; i < subItems && in.status() == QDataStream::Ok; ++i)
            r.SubItems.append(TakeText(in));
        rows.append(r);
    }
    // A file cut short is not read at all.
    if (in.status() != QDataStream::Ok)
        throw EZRVError(wrong);
    ReplaceRows(*aListView, rows);
}
