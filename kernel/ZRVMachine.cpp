#include "ZRVMachine.h"

#include <QFile>
#include <QSysInfo>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define ZRV_HAS_TSC 1
#endif

namespace {

const QString c_KeyMachineID = QStringLiteral("Mcn_MID");
const QString c_KeyRam = QStringLiteral("Mcn_Ram");
const QString c_KeyMachineName = QStringLiteral("Mcn_MNm");
const QString c_KeyCpu = QStringLiteral("Mcn_Cpu");
const QString c_KeyOSystem = QStringLiteral("Mcn_OSm");
const QString c_KeyGeography = QStringLiteral("Mcn_Geo");
const QString c_KeyLoggedUserName = QStringLiteral("Mcn_LUN");
const QString c_GamesPrefix = QStringLiteral("Mcn_Gam_");
const QString c_ApplicationsPrefix = QStringLiteral("Mcn_App_");

constexpr int c_MaxMachineNameLength = 15;
constexpr int c_MaxUserNameLength = 127;
// os-release is a few hundred bytes; anything past this is not read.
constexpr qint64 c_MaxOsReleaseSize = 64 * 1024;

// The processor clock in MHz from the time-stamp counter against the monotonic clock over 100 ms,
// or -1 without a time-stamp counter.
int MeasureCpuMhz() {
#ifdef ZRV_HAS_TSC
    using Clock = std::chrono::steady_clock;
    std::this_thread::yield();
    const auto t0 = Clock::now();
    const unsigned long long c0 = __rdtsc();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto t1 = Clock::now();
    const unsigned long long c1 = __rdtsc();
    const double micros = std::chrono::duration<double, std::micro>(t1 - t0).count();
    if (micros <= 0 || c1 <= c0)
        return -1;
    return int(std::lround(double(c1 - c0) / micros));
#else
    return -1;
#endif
}

// The value of PRETTY_NAME in os-release text, its quotes and backslash escapes removed.
QString PrettyName(const QString& aOsRelease) {
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

QString ReadPrettyName() {
    QFile file(QStringLiteral("/etc/os-release"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return PrettyName(QString::fromUtf8(file.read(c_MaxOsReleaseSize)));
}

QString KernelRelease() {
    utsname names{};
    if (uname(&names) != 0)
        return QString();
    return QString::fromLocal8Bit(names.release);
}

} // namespace

TZRVCustomMachine::TZRVCustomMachine()
    : fMachineName(GetMachinename()), fLoggedUserName(GetLoggedUserName()),
      fGames(std::make_unique<TZRVGames>()), fApplications(std::make_unique<TZRVApplications>()) {}

void TZRVCustomMachine::Copy(const TZRVCustomMachine* Source) {
    if (!Source || Source == this)
        return;
    fMachineID = Source->fMachineID;
    fRam = Source->fRam;
    fMachineName = Source->fMachineName;
    fCpu = Source->fCpu;
    fOSystem = Source->fOSystem;
    fGeography = Source->fGeography;
    fLoggedUserName = Source->fLoggedUserName;
    fGames->Copy(Source->fGames.get());
    fApplications->Copy(Source->fApplications.get());
}

void TZRVCustomMachine::LoadFromStringList(const TStringList& List) {
    if (List.IsEmpty())
        return;
    fMachineID = ReadUInt(List, c_KeyMachineID);
    fRam = ReadUInt(List, c_KeyRam);
    fMachineName = List.Values(c_KeyMachineName);
    fCpu = List.Values(c_KeyCpu);
    fOSystem = List.Values(c_KeyOSystem);
    fGeography = List.Values(c_KeyGeography);
    fLoggedUserName = List.Values(c_KeyLoggedUserName);
    fGames->LoadFromStringList(CollectPrefixed(List, c_GamesPrefix));
    fApplications->LoadFromStringList(CollectPrefixed(List, c_ApplicationsPrefix));
}

TStringList TZRVCustomMachine::SaveToStringList() const {
    TStringList L;
    L.Add(c_KeyMachineID, IntToStr(fMachineID));
    L.Add(c_KeyRam, IntToStr(fRam));
    L.Add(c_KeyMachineName, fMachineName);
    L.Add(c_KeyCpu, fCpu);
    L.Add(c_KeyOSystem, fOSystem);
    L.Add(c_KeyGeography, fGeography);
    L.Add(c_KeyLoggedUserName, fLoggedUserName);
    AddPrefixed(L, fGames->SaveToStringList(), c_GamesPrefix);
    AddPrefixed(L, fApplications->SaveToStringList(), c_ApplicationsPrefix);
    return L;
}

void TZRVCustomMachine::LoadFromBuffer(const QString& Buffer) {
    TStringList L;
    L.SetText(Buffer);
    LoadFromStringList(L);
}

QString TZRVCustomMachine::SaveToBuffer() const {
    return SaveToStringList().Text();
}

QString TZRVCustomMachine::GetMachinename() {
    return QSysInfo::machineHostName().left(c_MaxMachineNameLength);
}

QString TZRVCustomMachine::GetLoggedUserName() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size_t(size > 0 ? size : 16384));
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return QString();
    return QString::fromLocal8Bit(found->pw_name).left(c_MaxUserNameLength);
}

QString TZRVCustomMachine::GetCpu() {
    static const int mhz = MeasureCpuMhz();
    return QString::number(mhz) + QStringLiteral(" Mhz");
}

uint32_t TZRVCustomMachine::GetRam() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    const unsigned long long megabytes = (unsigned long long)pages * (unsigned long long)pageSize >> 20;
    return uint32_t(std::min<unsigned long long>(megabytes, UINT32_MAX));
}

QString TZRVCustomMachine::GetOSystem() {
    const QString prettyName = ReadPrettyName();
    const QString system = QStringLiteral("[Linux v") + KernelRelease() + u']';
    return prettyName.isEmpty() ? system : prettyName + u' ' + system;
}
