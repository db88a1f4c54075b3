// The program's start: locked or asleep, its start entries, the single instance, the boot counter,
// the install and uninstall switches, and the quit requests it refuses.

#include "ClientTestFixture.h"

#include "SingleInstance.h"

#include "platform/ZRVRegistry.h"
#include "support/Files.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>

#include <csignal>

using namespace zrvtest;

namespace {

QString RunValue() {
    TZRVRegistry reg;
    if (!reg.OpenKeyReadOnly(c_RunAtStartupKey))
        return QString();
    return reg.ReadString(QStringLiteral("zrv2_client"));
}

QMessageBox* BootCountMessage() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QStringLiteral("BootCountMessage") && window->isVisible())
            return qobject_cast<QMessageBox*>(window);
    return nullptr;
}

using ClientStartup = ClientTest;

TEST_F(ClientStartup, StartsLockedAndHandshakesWithTheServer) {
    StartServer();
    AddSecretQuestion(QStringLiteral("Nom de votre chien ?"));
    StartClient();

    ASSERT_TRUE(frmClient->isVisible());
    EXPECT_FALSE(frmTaskBar->isVisible());
    EXPECT_FALSE(frmMain->isVisible());
    EXPECT_FALSE(frmMain->ZRVClientConnection->ShuttedDown());
    // Locked: everything taken away and the input held by the lock screen.
    const TZRVFakeRestrictions& restrictions = FakePlatform().FakeRestrictions();
    EXPECT_FALSE(restrictions.DesktopVisible());
    EXPECT_FALSE(restrictions.ShellTrayVisible());
    EXPECT_FALSE(restrictions.StartMenuEnabled());
    EXPECT_FALSE(restrictions.FastTaskSwitchEnabled());
    EXPECT_FALSE(restrictions.TaskManagerEnabled());
    EXPECT_EQ(FakePlatform().FakeDesktop().GrabbedBy(), TZRVWindowHandle(frmClient->winId()));
    // The desktop session may not end behind the program's back.
    EXPECT_TRUE(FakePlatform().FakeSession().EndBlocked());

    // Its start entries and the boot counter.
    EXPECT_EQ(RunValue(), QStringLiteral("/usr/bin/Client REGISTRYRUN"));
    const QByteArray autostart =
        ReadFile(fDir.filePath(QStringLiteral("config/autostart/zrv2_client.desktop")));
    EXPECT_TRUE(autostart.contains("Exec=\"/usr/bin/Client\" REGISTRYRUN\n")) << autostart.constData();
    EXPECT_TRUE(autostart.contains("NotShowIn=ZRV2;\n")); // our own session starts it itself
    EXPECT_EQ(frmMain->ZRVClientConfig->BootCount(), 1);
    EXPECT_EQ(frmMain->ZRVClientConfig->ExeName(), QStringLiteral("/usr/bin/Client"));

    ASSERT_TRUE(WaitReady());
    // The server's questions: the manager's own and the one added.
    EXPECT_TRUE(WaitUntil([] { return frmClient->ComboBoxSecretQuestion->count() == 2; }));
    EXPECT_GE(
        frmClient->ComboBoxRetrievePasswordSecretQuestions->findText(QStringLiteral("Nom de votre chien ?")),
        0);
    EXPECT_EQ(frmClient->ComboBoxRetrievePasswordSecretQuestions->currentIndex(), -1);
    EXPECT_EQ(frmClient->ShapeConnectState->Brush(), QColor(Qt::green));
    EXPECT_EQ(BackgroundColor(frmTaskBar->PanelTaskbar), WinColor(ZRVColor::SystemBackground));
    EXPECT_EQ(frmClient->PanelInfosCaption->text(), QStringLiteral("Café du port"));
    EXPECT_EQ(frmClient->LabelCompanyAddress->text(), QStringLiteral("12 quai des Brumes"));
    EXPECT_EQ(frmClient->LabelWorkstationName->text(), QStringLiteral("PC-TEST"));
    EXPECT_EQ(frmMain->ZRVClientConfig->UICompanyName(), QStringLiteral("Café du port"));
    EXPECT_EQ(Info(), QStringLiteral("Connection avec le serveur ouverte"));
    const TfrmPopup* ready =
        Notice(QStringLiteral("Connection avec le serveur établie et enregistrement réussi"));
    ASSERT_NE(ready, nullptr);
    EXPECT_EQ(ready->Infos().Title, QStringLiteral("Client tikora manager"));
    EXPECT_EQ(ready->Infos().FontSize, 12);
    EXPECT_TRUE(ready->Infos().FontBold);
    EXPECT_EQ(ready->Infos().FontColor, ZRVColor::Blue);
    EXPECT_EQ(ready->Infos().TimeOut, 10);
    EXPECT_EQ(ready->Infos().Buttons, 0);
}

TEST_F(ClientStartup, RegistryRunWithAutoLaunchOffStartsAsleepAndASecondStartWakesIt) {
    StartServer();
    TZRVClientConfig().SetAutoLaunch(false);
    StartClient({QStringLiteral("REGISTRYRUN")});
    EXPECT_FALSE(frmClient->isVisible());
    EXPECT_FALSE(frmTaskBar->isVisible());
    EXPECT_TRUE(frmMain->ZRVClientConnection->ShuttedDown());
    const TZRVFakeRestrictions& restrictions = FakePlatform().FakeRestrictions();
    EXPECT_TRUE(restrictions.DesktopVisible());
    EXPECT_TRUE(restrictions.ShellTrayVisible());
    EXPECT_TRUE(restrictions.StartMenuEnabled());
    EXPECT_TRUE(restrictions.FastTaskSwitchEnabled());
    EXPECT_FALSE(FakePlatform().FakeSession().EndBlocked());
    ASSERT_TRUE(WaitReady());
    EXPECT_TRUE(WaitUntil([this] { return Slot() && Slot()->ShuttedDown(); }));

    // The program started again, as the desktop would start it: it wakes this one and ends.
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), fDir.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ZRV_PLATFORM"), QStringLiteral("none"));
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(ZRV_CLIENT_EXE), {QStringLiteral("REGISTRYRUN")});
    ASSERT_TRUE(WaitUntil([&] { return second.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(WaitUntil([] { return frmClient->isVisible(); }));
    EXPECT_FALSE(frmMain->ZRVClientConnection->ShuttedDown());
    EXPECT_FALSE(FakePlatform().FakeRestrictions().DesktopVisible());
    EXPECT_TRUE(WaitUntil([this] { return !Slot()->ShuttedDown(); }));
}

TEST_F(ClientStartup, AllowMultipleInstancesRunsBesideTheFirst) {
    TZRVSingleInstance first(QStringLiteral("zrv client"), fDir.path());
    ASSERT_TRUE(first.TryFirst(100));
    StartClient({QStringLiteral("ALLOW_MULTIPLE_INSTANCES")});
    EXPECT_NE(frmMain, nullptr);
    EXPECT_TRUE(frmClient->isVisible());
}

TEST_F(ClientStartup, TheFourteenthAbnormalStartWithoutADesktopShellTurnsTheAutomaticStartOff) {
    struct Case {
        bool ShellRunning;
        bool Warned;
    };
    for (const Case c : {Case{false, true}, Case{true, false}}) {
        SCOPED_TRACE(c.ShellRunning ? "desktop shell running" : "the program is the shell");
        SetPlatform(std::make_unique<TZRVFakePlatform>());
        FakePlatform().FakeRestrictions().SetShellRunningState(c.ShellRunning);
        TZRVClientConfig config;
        config.SetBootCount(13);
        config.SetAutoLaunch(true);
        config.SetPanelCommand(QStringLiteral("/usr/bin/lxpanel"));
        StartClient();
        EXPECT_EQ(config.BootCount(), 14);
        QMessageBox* box = BootCountMessage();
        ASSERT_EQ(box != nullptr, c.Warned);
        EXPECT_EQ(config.AutoLaunch(), !c.Warned);
        if (c.Warned) {
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Le Webmaster QDX!!!"));
            EXPECT_EQ(box->text(),
                      QStringLiteral("Attention: Le mode avancé et le démarrage automatique du module "
                                     "client va être désactivé, dûment à plus de 3 fermetures "
                                     "anormales de la station de travail"));
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
            // The desktop's panel is put back and started.
            EXPECT_TRUE(FakePlatform().FakeRestrictions().Calls().contains(
                QStringLiteral("StartShell(/usr/bin/lxpanel)")))
                << FakePlatform().FakeRestrictions().Calls().join(u' ').toStdString();
            box->close();
        }
        // A normal end starts the count again.
        fProgram.reset();
        EXPECT_EQ(config.BootCount(), 0);
    }
}

TEST_F(ClientStartup, InstallWritesItsSettingThenStartsAndUninstallEndsAtOnce) {
    StartClient({QStringLiteral("clinstall")});
    TZRVRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(ZRVClientConfig::c_MAINKEY));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Setup")), 1);
    EXPECT_TRUE(frmClient->isVisible());
    fProgram.reset();

    TZRVStartOptions options;
    options.ExeName = QString::fromLatin1(c_Exe);
    TZRVClientProgram uninstall({QStringLiteral("clUNINSTALL")}, options, fDir.path());
    EXPECT_EQ(uninstall.Start(), 0);
    EXPECT_EQ(frmMain, nullptr);
    EXPECT_FALSE(TZRVRegistry().KeyExists(ZRVClientConfig::c_MAINKEY));
    EXPECT_TRUE(FakePlatform().FakeRestrictions().DesktopVisible());
}

TEST_F(ClientStartup, QuitRequestsFromOutsideAreRefusedUntilTheProgramMayQuit) {
    StartClient();
    fProgram->CatchQuitSignals();
    QSignalSpy terminating(frmMain, &TfrmMain::Terminating);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        std::raise(signal);
    frmClient->close();
    RunEventsFor(50);
    EXPECT_EQ(terminating.count(), 0);
    EXPECT_TRUE(frmClient->isVisible());

    frmMain->CanCloseApp = true;
    std::raise(SIGTERM);
    EXPECT_TRUE(WaitUntil([&] { return terminating.count() == 1; }));
}

} // namespace

namespace {

TEST(ClientServerOption, SetsTheServerOfTheSettingsAndLeavesTheOtherArguments) {
    TempRegistry registry;
    struct Case {
        QStringList Arguments;
        bool Taken;
        QString Address;
        int Port;
        QStringList Left;
    };
    const Case cases[] = {
        {{QStringLiteral("REGISTRYRUN")},
         true,
         QStringLiteral("Serveur"),
         12345,
         {QStringLiteral("REGISTRYRUN")}},
        {{QStringLiteral("--server"), QStringLiteral("10.0.0.5:4000"), QStringLiteral("REGISTRYRUN")},
         true,
         QStringLiteral("10.0.0.5"),
         4000,
         {QStringLiteral("REGISTRYRUN")}},
        {{QStringLiteral("--server"), QStringLiteral("caisse")}, true, QStringLiteral("caisse"), 12345, {}},
        {{QStringLiteral("--server"), QStringLiteral("caisse:port")},
         false,
         QStringLiteral("Serveur"),
         12345,
         {}},
        {{QStringLiteral("--server")}, false, QStringLiteral("Serveur"), 12345, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Arguments.join(u' ').toStdString());
        TZRVClientConfig config;
        config.SetServerAddress(QStringLiteral("Serveur"));
        config.SetServerPort(12345);
        QStringList arguments = c.Arguments;
        EXPECT_EQ(TakeServerOption(arguments), c.Taken);
        EXPECT_EQ(arguments, c.Left);
        EXPECT_EQ(config.ServerAddress(), c.Address);
        EXPECT_EQ(config.ServerPort(), c.Port);
    }
}

} // namespace
