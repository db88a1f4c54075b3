#pragma once
// What every Linux backend shares, desktop or not: the machine's facts and program launching.

#include "platform/ZRVPlatform.h"

class TZRVPosixMachineFacts : public IZRVMachineFacts {
public:
    QString HostName() override;
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

// Programs started detached; documents and addresses opened through xdg-open.
class TZRVProcessLauncher : public IZRVLauncher {
public:
    bool Start(const QString& aProgram, const QStringList& aArguments) override;
    bool Open(const QString& aTarget) override;
};
