// zrvlockshot FOLDER: the pictures of the lock screen kept with the documentation. It runs the
// workstation program's start-up on the X display it is given (run it under xvfb-run) with the
// desktop session's backend, and the server in the same process on a database of its own, waits
// until the workstation is ready, then saves the whole screen in French and in English as
// FOLDER/lock-screen-fr.png and FOLDER/lock-screen-en.png.
#include "Client.h"
#include "Popup.h"

#include "KLocalizerOnFly.h"
#include "ZRVServerConfig.h"
#include "ZRVServerHost.h"
#include "platform/ZRVPlatform.h"
#include "platform/x11/ZRVX11Platform.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int c_WaitMs = 30000;

// Runs the events until aDone holds or the time is up; whether it holds.
template <class F> bool RunUntil(F aDone, int aTimeoutMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (aDone())
            loop.quit();
    });
    poll.start(50);
    QTimer::singleShot(aTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return aDone();
}

void RunFor(int aMs) {
    RunUntil([] { return false; }, aMs);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "usage: xvfb-run -s '-screen 0 1024x768x24' zrvlockshot FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    // Settings, data and the single-instance lock in a folder of the run's own.
    QTemporaryDir dir;
    for (const char* variable : {"ZRV_REGISTRY_DIR", "ZRV_DATA_DIR", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME"})
        qputenv(variable, (dir.path() + u'/' + QLatin1String(variable)).toLocal8Bit());
    PrepareApplication();
    QApplication app(argc, argv);

    TZRVServerConfig server;
    server.SetOthers_CompanyName(QStringLiteral("Cybercafé du Port"));
    server.SetOthers_CompanyAddress(QStringLiteral("12 quai des Brumes, Dakar"));
    TZRVServeOptions options;
    options.DataBase = dir.filePath(QStringLiteral("cafe.db"));
    options.LogFile = dir.filePath(QStringLiteral("server.lgf"));
    options.Port = 0;
    options.DiscoveryPort = 0;
    QTextStream out(stdout);
    TZRVServerHost host(options, out);
    host.Start();
    TZRVClientConfig config;
    config.SetServerAddress(QStringLiteral("127.0.0.1"));
    config.SetServerPort(host.Server()->ServerPort());

    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (auto platform = CreateX11Platform(x11 ? x11->connection() : nullptr))
        SetPlatform(std::move(platform));
    TZRVStartOptions start;
    start.ExeName = QCoreApplication::applicationFilePath();
    TZRVClientProgram program({}, start);
    if (program.Start() >= 0 || !RunUntil([] { return frmMain->ZRVClientConnection->Ready(); }, c_WaitMs)) {
        std::fprintf(stderr, "zrvlockshot: the workstation did not get ready\n");
        return 1;
    }
    for (const char* language : {"fr", "en"}) {
        TKLocalizerOnFly::SwitchToExt(QLatin1String(language));
        RunFor(1500);
        ResetPopups();
        RunFor(300);
        const QString file =
            QDir(folder).filePath(QStringLiteral("lock-screen-%1.png").arg(QLatin1String(language)));
        if (!QGuiApplication::primaryScreen()->grabWindow(0).save(file)) {
            std::fprintf(stderr, "zrvlockshot: cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return 0;
}
