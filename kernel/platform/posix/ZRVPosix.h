#pragma once
// What every Linux backend shares, desktop or not: the machine's facts and program launching.

#include "platform/ZRVPlatform.h"

#include <functional>

class TZRVPosixMachineFacts : public IZRVMachineFacts {
public:
    QString HostName() override;
    // Looked up once per process: the server makes several machine records, each starting from
    // it, for every workstation's login.
    QString UserName() override;
    // From the kernel's processor description, read once per process.
    int CpuMhz() override;
    uint32_t RamMegabytes() override;
    QString OSystem() override;

    // The processor clock in a /proc/cpuinfo text (its first "cpu MHz" line, rounded); -1 without one.
    static int CpuMhzIn(const QByteArray& aCpuInfo);
    // PRETTY_NAME of an os-release text, its quotes and backslash escapes removed; empty without one.
    static QString PrettyName(const QString& aOsRelease);
};

// A process of this machine as the kernel shows it.
struct TZRVProcessInfo {
    // Since the machine started, in clock ticks: with the number, it tells a process from a later
    // one that got the same number.
    quint64 StartTime = 0;
    uint32_t UserID = 0;
};

// False when there is no such living process (one that ended but was not collected yet is not).
bool ProcessInfo(qint64 aProcessID, TZRVProcessInfo& aInfo);
// The fields of a /proc/<pid>/stat text; false when it is not one, or the process ended.
bool ParseProcessStat(const QByteArray& aStat, quint64& aStartTime);

// Gives a living process aTimeoutMs to end, watching it on timers, then kills it. aDone is called
// later on the event loop (never once aContext is gone) with 1 when it ended by itself, 2 when it
// was killed, 0 when it was not there or could not be killed. Never our own process (0).
void AwaitOrKill(qint64 aProcessID, int aTimeoutMs, QObject* aContext,
                 std::function<void(int aResult)> aDone);

// Programs started detached; documents and addresses opened through xdg-open.
class TZRVProcessLauncher : public IZRVLauncher {
public:
    bool Start(const QString& aProgram, const QStringList& aArguments) override;
    bool Open(const QString& aTarget) override;
};
