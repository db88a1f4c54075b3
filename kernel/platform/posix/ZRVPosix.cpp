#include "ZRVPosix.h"

#include <QFile>
#include <QProcess>
#include <QSysInfo>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
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

} // namespace

QString TZRVPosixMachineFacts::HostName() {
    return QSysInfo::machineHostName();
}

QString TZRVPosixMachineFacts::UserName() {
    const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size_t(size > 0 ? size : 16384));
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return QString();
    return QString::fromLocal8Bit(found->pw_name);
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

bool TZRVProcessLauncher::Start(const QString& aProgram, const QStringList& aArguments) {
    return !aProgram.isEmpty() && QProcess::startDetached(aProgram, aArguments);
}

bool TZRVProcessLauncher::Open(const QString& aTarget) {
    return !aTarget.isEmpty() && QProcess::startDetached(QStringLiteral("xdg-open"), {aTarget});
}
