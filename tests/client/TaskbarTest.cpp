// The session task bar's menu: what each kind of session sees, the pause, the credit dialog, the
// end of the desktop session, the café's applications, the running ones, the settings tools, the
// browser commands and the plug-ins' commands.

#include "ClientTestFixture.h"

#include "ZRVGroup.h"

#include <QApplication>
#include <QFile>
#include <QLibrary>
#include <QMessageBox>

using namespace zrvtest;

namespace {

class Taskbar : public ClientTest {
protected:
    // The commands that depend on who is in session, as their names, the visible ones only.
    static QStringList Shown() {
        QStringList shown;
        for (QAction* item :
             {frmTaskBar->MNUAddCredit, frmTaskBar->MNUConfig, frmTaskBar->MNULocalAccounts,
              frmTaskBar->MNUConfigPanel->menuAction(), frmTaskBar->MNUCloseTasks->menuAction(),
              frmTaskBar->MNUExit, frmTaskBar->MNUCloseWinSession, frmTaskBar->MNURebootWorkstation,
              frmTaskBar->MNUShutdownWorkstation})
            if (item->isVisible())
                shown << (item->menu() ? item->menu()->objectName() : item->objectName());
        return shown;
    }

    // Answers the question on screen, which must be aText.
    static void Answer(const QString& aText, QMessageBox::StandardButton aButton) {
        QMessageBox* box = Box();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), aText);
        box->button(aButton)->click();
    }

    void SetGroupRights(TZRVUserRights aRights) {
        std::unique_ptr<TZRVGroup> group = Db().ReadGroup(1);
        ASSERT_TRUE(group);
        group->SetAuthorisations(aRights);
        ASSERT_TRUE(Db().UpdateGroup(group.get()));
    }

    static QStringList Captions(const QMenu* aMenu) {
        QStringList captions;
        for (const QAction* item : aMenu->actions())
            captions << item->text();
        return captions;
    }

    void StartInTicketSession() {
        StartServer();
        AddTicket(QStringLiteral("TICKET40"), 3600);
        AddTicket(QStringLiteral("RELOAD40"), 600);
        StartClient();
        ASSERT_TRUE(WaitReady());
        ASSERT_TRUE(LoginTicket(QStringLiteral("TICKET40")));
        Session()->SetChangeInterval(3600000);
        ASSERT_TRUE(OpenSession());
    }
};

TEST_F(Taskbar, TheMenuShowsWhatTheSessionTypeAndTheGroupRightsAllow) {
    struct Case {
        const char* What;
        TZRVUserRights Rights;
        bool ShellRunning;
        QStringList Shown;
    };
    const QStringList all = {QStringLiteral("MNUAddCredit"),          QStringLiteral("MNUConfig"),
                             QStringLiteral("MNULocalAccounts"),      QStringLiteral("MNUConfigPanel"),
                             QStringLiteral("MNUCloseTasks"),         QStringLiteral("MNUExit"),
                             QStringLiteral("MNUCloseWinSession"),    QStringLiteral("MNURebootWorkstation"),
                             QStringLiteral("MNUShutdownWorkstation")};
    const TZRVUserRights every{urClientModuleConfig, urRebootWorkstation, urShutdownWorkStation,
                               urShutdownClientModule};
    const Case cases[] = {
        {"no right", {urInfiniteCredit}, true, {QStringLiteral("MNUAddCredit")}},
        {"every right", every, true, all},
        {"every right, the client as the shell", every, false, all.mid(0, 5) + all.mid(6)},
        {"configuration", {urClientModuleConfig}, true, all.mid(0, 5)},
        {"reboot",
         {urRebootWorkstation},
         true,
         {QStringLiteral("MNUAddCredit"), QStringLiteral("MNUCloseWinSession"),
          QStringLiteral("MNURebootWorkstation")}},
        {"shut down",
         {urShutdownWorkStation, urShutdownClientModule},
         true,
         {QStringLiteral("MNUAddCredit"), QStringLiteral("MNUExit"),
          QStringLiteral("MNUShutdownWorkstation")}},
    };
    StartServer();
    AddAccount(QStringLiteral("jean"), QStringLiteral("Secret42"), 3600);
    AddTicket(QStringLiteral("TICKET41"), 3600);
    // A ticket sees none of it, whatever the group of accounts may do.
    SetGroupRights(every);
    StartClient();
    int configOpened = 0;
    frmTaskBar->OnConfig = [&] { ++configOpened; };
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(LoginTicket(QStringLiteral("TICKET41")));
    ASSERT_TRUE(OpenSession());
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("MNUAddCredit")});
    frmTaskBar->MnuCloseUserConnection->trigger();
    ASSERT_TRUE(WaitUntil([this] { return !User()->Connected(); }));

    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        SetGroupRights(c.Rights);
        FakePlatform().FakeRestrictions().SetShellRunningState(c.ShellRunning);
        ASSERT_TRUE(LoginAccount(QStringLiteral("jean"), QStringLiteral("Secret42")));
        ASSERT_TRUE(OpenSession());
        EXPECT_EQ(Shown(), c.Shown);
        frmTaskBar->MnuCloseUserConnection->trigger();
        ASSERT_TRUE(WaitUntil([this] { return !User()->Connected(); }));
    }
    frmTaskBar->MNUConfig->trigger();
    EXPECT_EQ(configOpened, 1);

    // Without a configuration dialog to open, the item is not offered.
    frmTaskBar->OnConfig = nullptr;
    SetGroupRights(every);
    ASSERT_TRUE(LoginAccount(QStringLiteral("jean"), QStringLiteral("Secret42")));
    ASSERT_TRUE(OpenSession());
    EXPECT_FALSE(Shown().contains(QStringLiteral("MNUConfig")));
}

TEST_F(Taskbar, PauseClosesTheSessionAndKeepsTheCustomerLoggedIn) {
    StartInTicketSession();
    frmTaskBar->MNUCloseUserSession->trigger();
    ASSERT_TRUE(WaitUntil([] { return frmClient->isVisible() && !frmTaskBar->isVisible(); }));
    EXPECT_FALSE(Session()->Openned());
    EXPECT_TRUE(User()->Connected());
    EXPECT_TRUE(frmClient->PanelUserConnected->isVisible());
    // The customer takes the session up again from the logged-in panel.
    EXPECT_TRUE(OpenSession());
}

TEST_F(Taskbar, TheMenuOpensTheCreditDialogThatAddsAReloadCode) {
    StartInTicketSession();
    ASSERT_TRUE(frmTaskBar->MNUAddCredit->isVisible());
    frmTaskBar->MNUAddCredit->trigger();
    ASSERT_TRUE(frmAddCredit->isVisible());
    Type(frmAddCredit->LabeledEditReloadCode, QStringLiteral("RELOAD40"));
    Click(frmAddCredit->ButtonExecute);
    ASSERT_TRUE(WaitUntil([] { return !frmAddCredit->isVisible(); }));
    EXPECT_EQ(Session()->Credit()->CreditValue(), 4200u);
}

TEST_F(Taskbar, TheEndOfTheDesktopSessionIsAskedAndReachesTheSessionManager) {
    struct Case {
        QAction* Item;
        QString Question;
        QString Call;
    };
    StartInTicketSession();
    const Case cases[] = {
        {frmTaskBar->MNUCloseWinSession, QStringLiteral("Voulez-vous fermer la session Windows ?"),
         QStringLiteral("End(LogOff,force)")},
        {frmTaskBar->MNURebootWorkstation, QStringLiteral("Voulez-vous redémarrer la station de travail ?"),
         QStringLiteral("End(Reboot,force)")},
        {frmTaskBar->MNUShutdownWorkstation, QStringLiteral("Voulez-vous éteindre la station de travail ?"),
         QStringLiteral("End(PowerOff,force)")}};
    TZRVFakeSession& session = FakePlatform().FakeSession();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Call.toStdString());
        // No leaves everything as it was.
        c.Item->trigger();
        Answer(c.Question, QMessageBox::No);
        QCoreApplication::processEvents();
        EXPECT_TRUE(session.Calls().filter(QStringLiteral("End(")).isEmpty());
        EXPECT_FALSE(frmMain->CanExitWindows());

        // A refusal takes the permissions back and says so.
        session.SetRefuses(true);
        c.Item->trigger();
        Answer(c.Question, QMessageBox::Yes);
        EXPECT_TRUE(session.Calls().contains(c.Call));
        ASSERT_TRUE(WaitUntil([] { return !frmMain->CanExitWindows(); }));
        EXPECT_FALSE(frmMain->CanCloseApp);
        EXPECT_FALSE(frmMain->QueryEndSession());
        Answer(QStringLiteral("Impossible d'exécuter cette action"), QMessageBox::Ok);

        session.SetRefuses(false);
        session.ClearCalls();
        c.Item->trigger();
        Answer(c.Question, QMessageBox::Yes);
        EXPECT_EQ(session.Calls().filter(QStringLiteral("End(")), QStringList{c.Call});
        EXPECT_TRUE(frmMain->CanExitWindows());
        EXPECT_TRUE(frmMain->CanCloseApp);
        QCoreApplication::processEvents();
        EXPECT_EQ(Box(), nullptr);
        frmMain->CanCloseApp = false;
        frmMain->SetCanExitWindows(false);
        session.ClearCalls();
    }
}

TEST_F(Taskbar, TheApplicationsMenuListsTheCafesApplicationsSorted) {
    const QString games = fDir.filePath(QStringLiteral("games"));
    const QString writer = fDir.filePath(QStringLiteral("writer"));
    for (const QString& file : {games, writer}) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    }
    QFile ini(TfrmTaskBar::ApplicationsIniFile());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        QStringLiteral("[Other]\nx=%1\n[ApplicationsMenu]\nWriter=%1\nGone=%2\nGames=%3\nGames again=%3\n")
            .arg(writer, fDir.filePath(QStringLiteral("gone")), games)
            .toUtf8());
    ini.close();
    StartInTicketSession();
    frmTaskBar->RefreshApplicationsMenu();
    QStringList captions;
    for (const QAction* item : frmTaskBar->MNUApplications->actions())
        captions << item->text();
    EXPECT_EQ(captions,
              (QStringList{QStringLiteral("games"), QStringLiteral("games"), QStringLiteral("writer")}));
    // The missing one is left out and the one after it starts its own program.
    frmTaskBar->MNUApplications->actions().at(2)->trigger();
    EXPECT_TRUE(FakePlatform().FakeLauncher().Calls().contains(QStringLiteral("Start(%1)").arg(writer)));
}

TEST_F(Taskbar, TheRunningApplicationsComeToTheFrontOrClose) {
    // A browser is asked to close, so that it keeps its tabs; a game is ended with its process.
    TZRVFakeWindows& windows = FakePlatform().FakeWindows();
    windows.SetWindows({{11, QStringLiteral("Mozilla Firefox"), QStringLiteral("firefox"), 41, true},
                        {12, QStringLiteral("Jeu"), QStringLiteral("jeu"), 42, true},
                        {13, QStringLiteral("Palette"), QStringLiteral("jeu"), 42, true, 12}});
    windows.SetTerminateResult(42, 0);
    StartInTicketSession();
    Click(frmTaskBar->BitBtnMenu); // each opening of the menu lists the windows of the moment
    frmTaskBar->PopupMenu->hide();
    const QStringList tasks{QStringLiteral("Mozilla Firefox"), QStringLiteral("Jeu")};
    ASSERT_EQ(Captions(frmTaskBar->MNUTasks), tasks);
    ASSERT_EQ(Captions(frmTaskBar->MNUCloseTasks), tasks);

    frmTaskBar->MNUTasks->actions().at(1)->trigger();
    EXPECT_EQ(windows.Active(), 12u);
    frmTaskBar->MNUCloseTasks->actions().at(0)->trigger();
    EXPECT_TRUE(windows.Calls().contains(QStringLiteral("RequestClose(11)")));
    // The game will not end: the customer is told.
    frmTaskBar->MNUCloseTasks->actions().at(1)->trigger();
    ASSERT_TRUE(WaitUntil([] { return Box() != nullptr; }));
    EXPECT_TRUE(windows.Calls().contains(QStringLiteral("TerminateProcess(42)")));
    EXPECT_EQ(Box()->text(), QStringLiteral("Impossible d'exécuter cette action"));
    Box()->close();

    windows.SetWindows({{14, QStringLiteral("Traitement de texte"), QStringLiteral("writer"), 43, true}});
    frmTaskBar->RefreshTasksMenu();
    EXPECT_EQ(Captions(frmTaskBar->MNUTasks), QStringList{QStringLiteral("Traitement de texte")});
}

TEST_F(Taskbar, TheSettingsToolsListedAreThoseInstalled) {
    QTemporaryDir bin;
    for (const char* tool : {"pavucontrol", "arandr", "gnome-control-center"}) {
        QFile program(bin.filePath(QString::fromLatin1(tool)));
        ASSERT_TRUE(program.open(QIODevice::WriteOnly));
        program.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    ScopedEnv path("PATH", bin.path());
    StartInTicketSession();
    frmTaskBar->RefreshConfigPanelMenu();
    const QStringList shown{QStringLiteral("Affichage"),
                            QStringLiteral("Options Régionales"),
                            QStringLiteral("Souris"),
                            QStringLiteral("Son et périphériques Audio"),
                            QStringLiteral("Accès Réseau à distance"),
                            QStringLiteral("Comptes Utilisateurs"),
                            QStringLiteral("Propriétés des Options d'alimentation"),
                            QStringLiteral("Système"),
                            QStringLiteral("Date et Heure")};
    ASSERT_EQ(Captions(frmTaskBar->MNUConfigPanel), shown);

    TZRVFakeLauncher& launcher = FakePlatform().FakeLauncher();
    frmTaskBar->MNUConfigPanel->actions().at(0)->trigger();
    frmTaskBar->MNUConfigPanel->actions().at(8)->trigger();
    EXPECT_TRUE(launcher.Calls().contains(QStringLiteral("Start(arandr)")));
    EXPECT_TRUE(launcher.Calls().contains(QStringLiteral("Start(gnome-control-center datetime)")));
    launcher.SetMissing({QStringLiteral("pavucontrol")});
    frmTaskBar->MNUConfigPanel->actions().at(3)->trigger();
    ASSERT_NE(Box(), nullptr);
    EXPECT_EQ(Box()->windowTitle(), QStringLiteral("Vantorel tikora manager 2"));
    EXPECT_EQ(Box()->text(), QStringLiteral("Impossible d'ouvrir l'élément spécifié"));
}

TEST_F(Taskbar, TheBrowserCommandsOpenTheSitesAndCloseEveryBrowserOnceAsked) {
    TZRVFakeWindows& windows = FakePlatform().FakeWindows();
    windows.SetWindows({{11, QStringLiteral("Mozilla Firefox"), QStringLiteral("firefox"), 41, true},
                        {12, QStringLiteral("Jeu"), QStringLiteral("jeu"), 42, true},
                        {13, QStringLiteral("Chromium"), QStringLiteral("chromium"), 43, true}});
    StartInTicketSession();
    TZRVFakeLauncher& launcher = FakePlatform().FakeLauncher();
    frmTaskBar->MNULaunchIE->trigger();
    frmTaskBar->MNUHomePage->trigger();
    EXPECT_TRUE(launcher.Calls().contains(QStringLiteral("Start(x-www-browser https://www.vantorel.com/)")));
    EXPECT_TRUE(launcher.Calls().contains(
        QStringLiteral("Start(x-www-browser %1)").arg(frmMain->ZRVClientConfig->UrlLumeraHomePage())));
    launcher.SetMissing({QStringLiteral("x-www-browser")});
    frmTaskBar->MNULaunchIE->trigger();
    ASSERT_NE(Box(), nullptr);
    EXPECT_EQ(Box()->text(), QStringLiteral("Erreur: Impossible d'exécuter cette action"));
    Box()->close();

    windows.ClearCalls();
    frmTaskBar->MNUCloseAllIE->trigger();
    Answer(QStringLiteral("Souhaitez-vous fermer tous les navigateurs en cours ?"), QMessageBox::No);
    EXPECT_TRUE(windows.Calls().filter(QStringLiteral("RequestClose")).isEmpty());
    frmTaskBar->MNUCloseAllIE->trigger();
    Answer(QStringLiteral("Souhaitez-vous fermer tous les navigateurs en cours ?"), QMessageBox::Yes);
    EXPECT_EQ(windows.Calls().filter(QStringLiteral("RequestClose")),
              (QStringList{QStringLiteral("RequestClose(11)"), QStringLiteral("RequestClose(13)")}));
}

TEST_F(Taskbar, EachMenuPlugInAddsItsCommandAndADamagedOneIsSkipped) {
    const QString folder = ZRVPlugInsFolder();
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZRV_EXAMPLE_PLUGIN), folder + QStringLiteral("/example.pi")));
    QFile damaged(folder + QStringLiteral("/damaged.pi"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("\x7f"
                  "ELF not really");
    damaged.close();
    StartInTicketSession();

    // The plug-ins' items come after the last separator.
    const QList<QAction*> items = frmTaskBar->PopupMenu->actions();
    ASSERT_TRUE(items.at(items.size() - 2)->isSeparator());
    QAction* item = items.last();
    EXPECT_EQ(item->text(), QStringLiteral("Exemple de plug-in"));
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F12));
    EXPECT_FALSE(item->icon().isNull());

    QLibrary example(folder + QStringLiteral("/example.pi"));
    auto clicks = reinterpret_cast<int (*)()>(example.resolve("ExamplePlugInClicks"));
    ASSERT_NE(clicks, nullptr);
    const int before = clicks();
    item->trigger();
    EXPECT_EQ(clicks(), before + 1);
    // Its shortcut works on the bar, the menu closed.
    frmTaskBar->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frmTaskBar));
    QTest::keyClick(frmTaskBar, Qt::Key_F12, Qt::ControlModifier);
    EXPECT_EQ(clicks(), before + 2);
}

} // namespace
