// The settings store in a temporary folder: what a read and a durable write cost. A read is set
// against opening, reading and closing a small file; a write, which commits to the disk before it
// returns, against writing a small file and syncing it to the disk.
#include "Bench.h"
#include "platform/ZRVRegistry.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int c_Reads = 2000;
constexpr int c_Writes = 200;
const QString c_Key = QStringLiteral("Software\\Bench\\Client");

// Writes a few bytes to aFile and waits until they are on the disk.
void WriteAndSync(const QString& aFile) {
    QFile file(aFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write("ServerAddress=192.168.1.10\n");
    file.flush();
    ::fdatasync(file.handle());
}

QByteArray ReadFile(const QString& aFile) {
    QFile file(aFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

ZRV_BENCHMARK(settings_store) {
    QTemporaryDir dir;
    qputenv("ZRV_REGISTRY_DIR", dir.path().toUtf8());
    const QString plain = dir.filePath(QStringLiteral("plain.txt"));
    TZRVRegistry reg;
    try {
        if (!reg.OpenKey(c_Key, true)) {
            std::printf("cannot open the settings key\n");
            return;
        }
        int n = 0;
        const double write = zrvbench::SecondsPerCall(c_Writes, [&] {
            reg.WriteString(QStringLiteral("ServerAddress"), QStringLiteral("192.168.1.%1").arg(++n % 250));
        });
        const double bareWrite = zrvbench::SecondsPerCall(c_Writes, [&] { WriteAndSync(plain); });
        zrvbench::PrintRatio("write a string value", write, "write and sync a small file", bareWrite);

        qsizetype seen = 0;
        const double read = zrvbench::SecondsPerCall(
            c_Reads, [&] { seen += reg.ReadString(QStringLiteral("ServerAddress")).size(); });
        const double bareRead = zrvbench::SecondsPerCall(c_Reads, [&] { seen += ReadFile(plain).size(); });
        zrvbench::PrintRatio("read a string value", read, "open, read, close a small file", bareRead);

        const double open = zrvbench::SecondsPerCall(c_Reads, [&] {
            TZRVRegistry other;
            seen += other.OpenKeyReadOnly(c_Key) ? 1 : 0;
        });
        zrvbench::PrintRatio("open a key read-only", open, "open, read, close a small file", bareRead);
        if (seen == 0)
            std::printf("nothing was read\n");
    } catch (const EZRVError& e) {
        std::printf("%s\n", qPrintable(e.Message()));
    }
    qunsetenv("ZRV_REGISTRY_DIR");
}
