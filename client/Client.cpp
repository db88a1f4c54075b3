#include "Client.h"

#include "AddCreditForm.h"
#include "ClientForm.h"
#include "ClientSystem.h"
#include "ConfigForm.h"
#include "PrjConst.h"
#include "SingleInstance.h"
#include "SplashScreenForm.h"
#include "TaskbarForm.h"

#include "KLocalizerOnFly.h"

#include "platform/ZRVRegistry.h"

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

using namespace PrjConst;

namespace {

constexpr int c_GaugeMax = 8;

bool SameText(const QString& aLeft, const QString& aRight) {
    return aLeft.compare(aRight, Qt::CaseInsensitive) == 0;
}

// The write end of the pipe the quit signals are turned into events through.
int g_SignalPipe[2] = {-1, -1};

extern "C" void QuitSignalHandler(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_SignalPipe[0], &byte, 1);
}

} // namespace

bool InstallClient(quintptr hWnd, const QString& ExeName) {
    Q_UNUSED(hWnd);
    Q_UNUSED(ExeName);
    try {
        TZRVRegistry reg(TZRVRootKey::HKEY_LOCAL_MACHINE);
        if (!reg.OpenKey(ZRVClientConfig::c_MAINKEY, true))
            return false;
        reg.WriteInteger(QStringLiteral("Setup"), 1);
        return true;
    } catch (const ERegistryException&) {
        return false;
    }
}

bool UnInstallClient() {
    TZRVClientConfig config;
    return config.Uninstall();
}

// ---------------------------------------------------------------------------------------------
// TZRVClientProgram

TZRVClientProgram::TZRVClientProgram(QStringList aArguments, TZRVStartOptions aOptions,
                                     QString aInstanceFolder)
    : fArguments(std::move(aArguments)), fOptions(std::move(aOptions)),
      fInstance(
          std::make_unique<TZRVSingleInstance>(QString::fromLatin1(c_ApplicationTitle), aInstanceFolder)) {}

TZRVClientProgram::~TZRVClientProgram() {
    fClient.reset();
    fTaskBar.reset();
    fAddCredit.reset();
    fMain.reset();
    if (fSignalNotifier) {
        for (int signal : {SIGTERM, SIGINT, SIGHUP})
            std::signal(signal, SIG_DFL);
        delete fSignalNotifier;
        ::close(g_SignalPipe[0]);
        ::close(g_SignalPipe[1]);
        g_SignalPipe[0] = g_SignalPipe[1] = -1;
    }
}

int TZRVClientProgram::Start() {
    TKLocalizerOnFly::InitReg(QString(), QString());
    QGuiApplication::setApplicationDisplayName(QString::fromLatin1(c_ApplicationTitle));
    QGuiApplication::setQuitOnLastWindowClosed(false);
    const QString first = fArguments.value(0);
    if (SameText(first, QStringLiteral("clINSTALL"))) {
        InstallClient(0, fOptions.ExeName);
    } else if (SameText(first, QStringLiteral("clUNINSTALL"))) {
        UnInstallClient();
        return 0;
    }

    TfrmSplashScreen splash(*fInstance, first, fOptions.ExeName);
    if (!splash.FirstInstance())
        return 0;
    fInstance->SetOnWakeUp([](int aWParam) {
        if (frmMain)
            frmMain->WakeUpMessage(aWParam);
    });
    splash.Gauge->setMaximum(c_GaugeMax);
    splash.show();
    CreateForms(splash);
    RunStartupPrograms(splash);
    splash.Gauge->setValue(c_GaugeMax);
    splash.ShowStep(c_LoadingDone);

    const bool visible =
        !SameText(first, QStringLiteral("REGISTRYRUN")) || fMain->ZRVClientConfig->AutoLaunch();
    fClient->setVisible(visible);
    fMain->ZRVClientConnection->SetShuttedDown(!fClient->isVisible());
    ConnectSessionManager();
    QObject::connect(fMain.get(), &TfrmMain::Terminating, qApp, &QCoreApplication::quit);
    return -1;
}

void TZRVClientProgram::CreateForms(TfrmSplashScreen& aSplash) {
    aSplash.ShowStep(c_LoadingMain);
    fMain = std::make_unique<TfrmMain>(fOptions);
    aSplash.Gauge->setValue(1);
    aSplash.ShowStep(c_LoadingAddCredit);
    fAddCredit = std::make_unique<TfrmAddCredit>();
    for (int position = 2; position <= 5; ++position)
        aSplash.Gauge->setValue(position);
    aSplash.ShowStep(c_LoadingTaskBar);
    fTaskBar = std::make_unique<TfrmTaskBar>(fOptions.Windowed);
    fTaskBar->OnConfig = [] { TfrmConfig::Execute(frmTaskBar); };
    aSplash.Gauge->setValue(6);
    aSplash.ShowStep(c_LoadingClient);
    fClient = std::make_unique<TfrmClient>(fArguments, fOptions.Windowed);
    aSplash.Gauge->setValue(7);
}

void TZRVClientProgram::RunStartupPrograms(TfrmSplashScreen& aSplash) {
    // Trying the program on one's own desktop starts nothing of that desktop's.
    if (fOptions.Windowed || !SameText(fMain->ZRVLockWindows->ShellProcess(), fOptions.ExeName))
        return;
    aSplash.ShowStep(c_LoadingStartupPrograms);
    ZRVClientSystem::LM_Run();
    aSplash.repaint();
    ZRVClientSystem::AllUsersStartUp();
    aSplash.repaint();
    ZRVClientSystem::CU_Run();
    aSplash.repaint();
    ZRVClientSystem::UserStartUp();
}

// The session manager's end-of-session request is answered as the program would answer it.
void TZRVClientProgram::ConnectSessionManager() {
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, fMain.get(), [](QSessionManager& aManager) {
        bool cancel = false;
        if (frmMain)
            frmMain->EndSessionRequested(cancel);
        if (cancel && aManager.allowsInteraction())
            aManager.cancel();
    });
}

void TZRVClientProgram::CatchQuitSignals() {
    if (fSignalNotifier || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_SignalPipe) != 0)
        return;
    fSignalNotifier = new QSocketNotifier(g_SignalPipe[1], QSocketNotifier::Read);
    QObject::connect(fSignalNotifier, &QSocketNotifier::activated, [] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(g_SignalPipe[1], &byte, 1);
        if (frmMain)
            frmMain->QuitRequested();
    });
    struct sigaction action = {};
    action.sa_handler = QuitSignalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool TakeServerOption(QStringList& aArguments) {
    const qsizetype at = aArguments.indexOf(QStringLiteral("--server"));
    if (at < 0)
        return true;
    const QString value = aArguments.value(at + 1);
    aArguments.remove(at, std::min<qsizetype>(2, aArguments.size() - at));
    const qsizetype colon = value.lastIndexOf(u':');
    const QString host = colon < 0 ? value : value.left(colon);
    bool ok = true;
    const int port =
        colon < 0 ? TZRVCustomClientConnection::c_DefaultServerPort : value.mid(colon + 1).toInt(&ok);
    if (host.isEmpty() || !ok || port <= 0 || port > 65535)
        return false;
    TZRVClientConfig config;
    config.SetServerAddress(host);
    config.SetServerPort(port);
    return true;
}

void PrepareApplication() {
#ifdef ZRV_WITH_WEBENGINE
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}

int ClientMain(const QStringList& aArguments, bool aWindowed) {
    TZRVStartOptions options;
    options.ExeName = QCoreApplication::applicationFilePath();
    options.Windowed = aWindowed;
    TZRVClientProgram program(aArguments, options);
    const int code = program.Start();
    if (code >= 0)
        return code;
    program.CatchQuitSignals();
    return QApplication::exec();
}
