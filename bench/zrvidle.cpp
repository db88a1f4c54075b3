// zrvidle: what the workstation program costs while it waits. It runs the program's forms (the code
// of `Client`, in an ordinary window on the offscreen display unless a display is given) against
// a zrv2server of its own, and prints the CPU time and resident memory of the program and every
// process it starts, over a time locked and over a time of a running session counting down,
// beside the same figures for an empty Qt Widgets program measured in the same run.
//
//   zrvidle [--seconds N] [--server PATH] [--browser]
//
// --browser shows the lock screen's advertisement page, so that the web engine's processes count.

#include "Client.h"
#include "ClientForm.h"
#include "MainForm.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

struct TUsage {
    double CpuSeconds = 0;
    double RssMegabytes = 0;
    int Processes = 0;
};

// The fields of /proc/<pid>/stat after the command name; empty when the process is gone.
QStringList StatFields(qint64 aPid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(aPid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString stat = QString::fromLatin1(file.readAll());
    return stat.mid(stat.lastIndexOf(u')') + 2).split(u' ');
}

// aRoot and every process below it, apart from aLeftOut and its own.
QList<qint64> Tree(qint64 aRoot, qint64 aLeftOut) {
    QHash<qint64, QList<qint64>> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        const QStringList fields = number ? StatFields(pid) : QStringList();
        if (fields.size() > 1)
            children[fields[1].toLongLong()] << pid;
    }
    QList<qint64> tree = {aRoot};
    for (qsizetype i = 0; i < tree.size(); ++i)
        for (qint64 child : children.value(tree[i]))
            if (child != aLeftOut)
                tree << child;
    return tree;
}

TUsage Usage(qint64 aRoot, qint64 aLeftOut = 0) {
    const double tick = double(sysconf(_SC_CLK_TCK));
    const double page = double(sysconf(_SC_PAGESIZE));
    TUsage usage;
    for (qint64 pid : Tree(aRoot, aLeftOut)) {
        const QStringList fields = StatFields(pid);
        if (fields.size() < 22)
            continue;
        usage.CpuSeconds += (fields[11].toDouble() + fields[12].toDouble()) / tick;
        usage.RssMegabytes += fields[21].toDouble() * page / (1024 * 1024);
        ++usage.Processes;
    }
    return usage;
}

void RunFor(int aMs) {
    QEventLoop loop;
    QTimer::singleShot(aMs, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunUntil(const std::function<bool()>& aCondition, int aTimeoutMs) {
    for (int waited = 0; waited < aTimeoutMs && !aCondition(); waited += 20)
        RunFor(20);
    return aCondition();
}

// The cost of aRoot's tree over aSeconds, the event loop running meanwhile.
TUsage Measure(qint64 aRoot, int aSeconds, qint64 aLeftOut = 0) {
    const TUsage before = Usage(aRoot, aLeftOut);
    RunFor(aSeconds * 1000);
    TUsage after = Usage(aRoot, aLeftOut);
    after.CpuSeconds -= before.CpuSeconds;
    return after;
}

void Print(const char* aWhat, const TUsage& aUsage, int aSeconds, const TUsage& aBaseline) {
    std::printf("%-32s %8.2f s %9.3f %% %9.1f MB %6d", aWhat, aUsage.CpuSeconds,
                100.0 * aUsage.CpuSeconds / aSeconds, aUsage.RssMegabytes, aUsage.Processes);
    if (&aUsage != &aBaseline)
        std::printf("   %+.2f s CPU, %+.1f MB beside the empty program",
                    aUsage.CpuSeconds - aBaseline.CpuSeconds, aUsage.RssMegabytes - aBaseline.RssMegabytes);
    std::printf("\n");
}

// The empty Qt Widgets program: one window, the event loop, nothing else.
int Baseline(int aSeconds) {
    QWidget window;
    window.show();
    QTimer::singleShot(aSeconds * 1000, qApp, &QCoreApplication::quit);
    return QApplication::exec();
}

class TServer {
public:
    TServer(const QString& aProgram, const QString& aDataBase) : fProgram(aProgram), fDataBase(aDataBase) {}
    ~TServer() {
        fServe.terminate();
        fServe.waitForFinished(5000);
    }
    // A sold ticket of aCredit seconds; empty when it could not be made.
    QString Ticket(int aCredit) {
        Run({QStringLiteral("account"), QStringLiteral("create"), QStringLiteral("gerant"),
             QStringLiteral("--password"), QStringLiteral("gerant")});
        return Run({QStringLiteral("ticket"), QStringLiteral("generate"), QStringLiteral("--owner"),
                    QStringLiteral("gerant"), QStringLiteral("--credit"), QString::number(aCredit),
                    QStringLiteral("--sold")})
            .trimmed();
    }
    // Serves on a free port; the port, or 0 when the server does not answer there.
    int Serve() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        fServe.start(fProgram,
                     {QStringLiteral("serve"), QStringLiteral("--database"), fDataBase,
                      QStringLiteral("--port"), QString::number(port), QStringLiteral("--discovery-port"),
                      QStringLiteral("0"), QStringLiteral("--http"), QStringLiteral("off")});
        const bool up = RunUntil(
            [&] {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, port);
                return socket.waitForConnected(100);
            },
            10000);
        return up ? port : 0;
    }
    qint64 Pid() const { return fServe.processId(); }

private:
    QString Run(const QStringList& aArguments) {
        QProcess command;
        command.start(fProgram, aArguments + QStringList({QStringLiteral("--database"), fDataBase}));
        command.waitForFinished(10000);
        return QString::fromUtf8(command.readAllStandardOutput());
    }

    QString fProgram;
    QString fDataBase;
    QProcess fServe;
};

} // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    QString server = QStringLiteral(ZRV_SERVER_EXE);
    bool browser = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc)
            seconds = std::max(1, atoi(argv[++i]));
        else if (arg == "--server" && i + 1 < argc)
            server = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--browser")
            browser = true;
        else if (arg == "--baseline" && i + 1 < argc) {
            QApplication app(argc, argv);
            return Baseline(atoi(argv[++i]));
        }
    }
    QTemporaryDir dir;
    for (const char* name : {"ZRV_REGISTRY_DIR", "ZRV_DATA_DIR", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME"})
        qputenv(name, dir.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    PrepareApplication();
    QApplication app(argc, argv);
    std::printf("zrvidle: %d s per measure, on the %s display\n", seconds,
                qPrintable(QGuiApplication::platformName()));
    std::printf("%-32s %10s %11s %12s %6s\n", "", "CPU", "one core", "resident", "procs");

    QProcess empty;
    empty.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--baseline"), QString::number(seconds + 2)});
    empty.waitForStarted();
    RunFor(1000);
    const TUsage baseline = Measure(empty.processId(), seconds);
    Print("empty Qt Widgets program", baseline, seconds, baseline);
    empty.waitForFinished(5000);

    TServer host(server, dir.filePath(QStringLiteral("cafe.db")));
    const QString ticket = host.Ticket(seconds + 3600);
    const int port = host.Serve();
    if (ticket.isEmpty() || port == 0) {
        std::fprintf(stderr, "zrvidle: the server %s did not start\n", qPrintable(server));
        return 1;
    }
    TZRVClientConfig config;
    config.SetServerAddress(QStringLiteral("127.0.0.1"));
    config.SetServerPort(port);
    TZRVStartOptions options;
    options.ExeName = QCoreApplication::applicationFilePath();
    options.Windowed = true;
    TZRVClientProgram program(browser ? QStringList{QStringLiteral("showbrowser")} : QStringList(), options);
    if (program.Start() != -1 || !RunUntil([] { return frmMain->ZRVClientConnection->Ready(); }, 20000)) {
        std::fprintf(stderr, "zrvidle: the program did not reach the server\n");
        return 1;
    }
    RunFor(2000);
    Print("Client locked", Measure(getpid(), seconds, host.Pid()), seconds, baseline);

    frmClient->LabeledEditTicketCode->setText(ticket);
    frmClient->ButtonOpenTicket->click();
    RunUntil([] { return frmClient->PanelUserConnected->isVisible(); }, 10000);
    frmClient->ButtonContinueSession->click();
    if (!RunUntil([] { return frmMain->ZRVClientConnection->UserConnection()->Session()->Openned(); },
                  10000)) {
        std::fprintf(stderr, "zrvidle: the session did not open\n");
        return 1;
    }
    RunFor(2000);
    Print("Client in session, counting down", Measure(getpid(), seconds, host.Pid()), seconds, baseline);
    std::printf("target: under 0.5 %% of one core\n");
    return 0;
}
