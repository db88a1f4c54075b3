#include "ZRVPosix.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSysInfo>

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// /proc/cpuinfo and os-release are a few kilobytes; anything past this is not read.
constexpr qint64 c_MaxSystemFileSize = 256 * 1024;

QByteArray ReadSystemFile(const QString& aPath) {
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(c_MaxSystemFileSize);
}

QString KernelRelease() {
    utsname names{};
    if (uname(&names) != 0)
        return QString();
    return QString::fromLocal8Bit(names.release);
}

QString LookUpUserName() {
    const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size_t(size > 0 ? size : 16384));
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return QString();
    return QString::fromLocal8Bit(found->pw_name);
}

} // namespace

QString TZRVPosixMachineFacts::HostName() {
    return QSysInfo::machineHostName();
}

QString TZRVPosixMachineFacts::UserName() {
    static const QString name = LookUpUserName();
    return name;
}

int TZRVPosixMachineFacts::CpuMhzIn(const QByteArray& aCpuInfo) {
    for (const QByteArray& line : aCpuInfo.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed() != "cpu MHz")
            continue;
        bool ok = false;
        const double mhz = line.mid(colon + 1).trimmed().toDouble(&ok);
        return ok && mhz >= 1 && mhz < 1e6 ? int(std::lround(mhz)) : -1;
    }
    return -1;
}

int TZRVPosixMachineFacts::CpuMhz() {
    static const int mhz = CpuMhzIn(ReadSystemFile(QStringLiteral("/proc/cpuinfo")));
    return mhz;
}

uint32_t TZRVPosixMachineFacts::RamMegabytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    const unsigned long long megabytes = (unsigned long long)pages * (unsigned long long)pageSize >> 20;
    return uint32_t(std::min<unsigned long long>(megabytes, UINT32_MAX));
}

QString TZRVPosixMachineFacts::PrettyName(const QString& aOsRelease) {
    static const QString key = QStringLiteral("PRETTY_NAME=");
    for (const QString& line : aOsRelease.split(u'\n')) {
        if (!line.startsWith(key))
            continue;
        QString value = line.mid(key.size()).trimmed();
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        QString result;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] == u'\\' && i + 1 < value.size())
                ++i;
            result += value[i];
        }
        return result;
    }
    return QString();
}

QString TZRVPosixMachineFacts::OSystem() {
    const QString prettyName =
        PrettyName(QString::fromUtf8(ReadSystemFile(QStringLiteral("/etc/os-release"))));
    const QString system = QStringLiteral("[Linux v") + KernelRelease() + u']';
    return prettyName.isEmpty() ? system : prettyName + u' ' + system;
}

bool ParseProcessStat(const QByteArray& aStat, quint64& aStartTime) {
    // "pid (name) state ppid ..." where the name may hold spaces and parentheses.
    const qsizetype nameEnd = aStat.lastIndexOf(')');
    if (nameEnd < 0)
        return false;
    const QList<QByteArray> fields = aStat.mid(nameEnd + 2).split(' ');
    // The state, then the start time as the twentieth field after it.
    if (fields.size() < 20 || fields[0].isEmpty() || fields[0][0] == 'Z' || fields[0][0] == 'X')
        return false;
    bool ok = false;
    aStartTime = fields[19].toULongLong(&ok);
    return ok;
}

bool ProcessInfo(qint64 aProcessID, TZRVProcessInfo& aInfo) {
    if (aProcessID <= 0 || aProcessID > std::numeric_limits<pid_t>::max())
        return false;
    const QByteArray folder = "/proc/" + QByteArray::number(aProcessID);
    struct stat status {};
    if (stat(folder.constData(), &status) != 0)
        return false;
    aInfo.UserID = status.st_uid;
    return ParseProcessStat(ReadSystemFile(QString::fromLatin1(folder + "/stat")), aInfo.StartTime);
}

namespace {

// How often a process that was asked to end is looked at.
constexpr int c_ProcessWatchMs = 10;

bool SameProcess(qint64 aProcessID, quint64 aStartTime) {
    TZRVProcessInfo now;
    return ProcessInfo(aProcessID, now) && now.StartTime == aStartTime;
}

} // namespace

void AwaitOrKill(qint64 aProcessID, int aTimeoutMs, QObject* aContext,
                 std::function<void(int aResult)> aDone) {
    TZRVProcessInfo process;
    if (aProcessID == QCoreApplication::applicationPid() || !ProcessInfo(aProcessID, process))
        return AnswerLater(aContext, std::move(aDone), 0);
    auto* watch = new QTimer(aContext ? aContext : QCoreApplication::instance());
    const QDeadlineTimer deadline(std::max(aTimeoutMs, 0));
    QObject::connect(watch, &QTimer::timeout, [=] {
        int result = -1;
        if (!SameProcess(aProcessID, process.StartTime))
            result = 1;
        else if (deadline.hasExpired())
            result = ::kill(pid_t(aProcessID), SIGKILL) == 0 ? 2 : 0;
        if (result < 0)
            return;
        watch->deleteLater();
        if (aDone)
            aDone(result);
    });
    watch->start(c_ProcessWatchMs);
}

bool TZRVProcessLauncher::Start(const QString& aProgram, const QStringList& aArguments) {
    return !aProgram.isEmpty() && QProcess::startDetached(aProgram, aArguments);
}

bool TZRVProcessLauncher::Open(const QString& aTarget) {
    return !aTarget.isEmpty() && QProcess::startDetached(QStringLiteral("xdg-open"), {aTarget});
}
