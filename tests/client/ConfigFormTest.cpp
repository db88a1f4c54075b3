// The configuration dialog: every page written to the settings store by "Ok", the values that are
// not numbers, the offline account, the forbidden programs, the advanced mode, the applications
// menu of the task bar, and the automatic search for the server.

#include "ClientTestFixture.h"

#include "ConfigForm.h"
#include "SetupClientConnectionForm.h"

#include "ZRVFunctions.h"
#include "ZRVGroup.h"
#include "ZRVLanguage.h"
#include "ZRVLocalAccount.h"
#include "ZRVUserAccount.h"
#include "platform/ZRVRegistry.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QUdpSocket>

using namespace zrvtest;

namespace {

const QString c_Policies =
    QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer");
const QString c_DisallowRun = c_Policies + QStringLiteral("\\DisallowRun");

class ConfigForm : public ClientTest {
protected:
    void TearDown() override {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (qobject_cast<TfrmConfig*>(window) || qobject_cast<TfrmSetupClientConnection*>(window))
                window->close();
        ClientTest::TearDown();
    }

    // A new dialog whose program chooser hands over the paths of fChoices, one per use.
    TfrmConfig* Open(QWidget* aParent = nullptr) {
        TfrmConfig* dialog = TfrmConfig::Execute(aParent);
        Scripted(dialog);
        return dialog;
    }

    void Scripted(TfrmConfig* aDialog) {
        aDialog->ChooseProgram = [this](const QString& aFolder, std::function<void(const QString&)> aChosen) {
            fChooserFolders << aFolder;
            if (!fChoices.isEmpty())
                aChosen(fChoices.takeFirst());
        };
    }

    // The program chosen by the next use of aButton, and the boxes it showed.
    QStringList Choose(QAbstractButton* aButton, const QString& aPath) {
        fChoices = {aPath};
        Click(aButton);
        return TakeBoxes();
    }

    // Presses aButton, checks the question asked and answers it.
    static void Answer(QAbstractButton* aButton, const QString& aQuestion,
                       QMessageBox::StandardButton aAnswer) {
        aButton->click();
        QMessageBox* box = Box();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), aQuestion);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Vantorel tikora manager 2"));
        box->button(aAnswer)->click();
    }

    static void PressOk(TfrmConfig* aDialog) {
        QPointer<TfrmConfig> alive(aDialog);
        aDialog->ButtonOk->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(alive.isNull());
    }

    // The values of a key of the user's root, as "name=text".
    static QStringList UserValues(const QString& aKey) {
        TZRVRegistry reg(TZRVRootKey::HKEY_CURRENT_USER);
        QStringList values;
        if (reg.OpenKey(aKey, false))
            for (const QString& name : reg.GetValueNames())
                values << name + u'=' + reg.ReadString(name);
        return values;
    }

    static int DisallowRunSwitch() {
        TZRVRegistry reg(TZRVRootKey::HKEY_CURRENT_USER);
        return reg.OpenKey(c_Policies, false) ? reg.ReadInteger(QStringLiteral("DisallowRun")) : -1;
    }

    static QString Shell() {
        TZRVRegistry reg;
        return reg.OpenKey(c_WinLogonKey, false) ? reg.ReadString(c_WinLogonShell) : QString();
    }

    static QStringList Items(const QListWidget* aList) {
        QStringList items;
        for (int row = 0; row < aList->count(); ++row)
            items << aList->item(row)->text();
        return items;
    }

    static void StoreLocal(const QString& aName, const QString& aPassword) {
        TZRVUserAccount account;
        account.SetAccountName(aName);
        account.SetAccountPassword(aPassword);
        account.SetActive(true);
        account.SetDaysAllowed(-1);
        account.Group()->SetIncrementalCredit(true);
        account.Group()->SetAuthorisations({urInfiniteCredit});
        ASSERT_GT(TZRVLocalAccount().AddAccount(&account), 0);
    }

    QString MakeFile(const QString& aName) {
        const QString path = fDir.filePath(aName);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return path;
    }

    QStringList fChoices;
    QStringList fChooserFolders;
};

TEST_F(ConfigForm, EveryPageIsWrittenToTheSettingsStoreByOk) {
    using C = TZRVClientConfig;
    TZRVClientConfig config;
    config.SetServerPort(12345);
    config.SetUICompanyName(QStringLiteral("Café du port"));
    config.SetUITown(QStringLiteral("Brest"));
    config.SetUIUserID(QStringLiteral("4242"));
    TfrmConfig* dialog = Open();
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Configuration"));
    EXPECT_EQ(dialog->PageControlConfiguration->currentWidget(), dialog->TabSheetGeneral);
    // What a fresh workstation holds.
    EXPECT_TRUE(dialog->CheckBoxAutoLaunch->isChecked());
    EXPECT_TRUE(dialog->RadioButtonDiaporama->isChecked());
    EXPECT_EQ(dialog->EditDiaporamaDelay->text(), QStringLiteral("10"));
    EXPECT_EQ(dialog->LabeledEditServerPort->text(), QStringLiteral("12345"));
    EXPECT_FALSE(dialog->CheckBoxAdvancedZRV->isChecked());
    EXPECT_FALSE(dialog->CheckBoxDisallowRunActive->isChecked());
    EXPECT_EQ(dialog->LabeledEditCompanyName->text(), QStringLiteral("Café du port"));
    EXPECT_EQ(dialog->LabeledEditTown->text(), QStringLiteral("Brest"));
    EXPECT_EQ(dialog->LabeledEditUserID->text(), QStringLiteral("4242"));
    EXPECT_TRUE(dialog->LabeledEditCompanyName->isReadOnly());

    const struct {
        const char* What;
        std::function<void()> Change;
        std::function<QVariant()> Stored;
        QVariant Expected;
    } settings[] = {
        {"auto launch", [&] { dialog->CheckBoxAutoLaunch->setChecked(false); },
         [&] { return config.AutoLaunch(); }, false},
        {"single image", [&] { dialog->RadioButtonSingleImage->setChecked(true); },
         [&] { return config.BackgroundMode(); }, 0},
        {"interval", [&] { dialog->EditDiaporamaDelay->setText(QStringLiteral(" 25 ")); },
         [&] { return config.DiaporamaDelay(); }, 1500000},
        {"picture", [&] { dialog->EditBackgroundPicture->setText(QStringLiteral("/srv/fonds/port.png")); },
         [&] { return config.SingleImageFile(); }, QStringLiteral("/srv/fonds/port.png")},
        {"address", [&] { dialog->LabeledEditServerAddress->setText(QStringLiteral("caisse-1")); },
         [&] { return config.ServerAddress(); }, QStringLiteral("caisse-1")},
        {"port", [&] { dialog->LabeledEditServerPort->setText(QStringLiteral("12400")); },
         [&] { return config.ServerPort(); }, 12400},
        {"forbidden programs", [&] { dialog->CheckBoxDisallowRunActive->setChecked(true); },
         [] { return DisallowRunSwitch(); }, 1},
    };
    const std::tuple<QCheckBox*, bool (C::*)() const> restrictions[] = {
        {dialog->CheckBoxDesktopVisible, &C::WRDesktopVisible},
        {dialog->CheckBoxFastTaskSwitchEnabled, &C::WRFastTaskSwitchEnabled},
        {dialog->CheckBoxLockConfigPanel, &C::WRLockConfigPanel},
        {dialog->CheckBoxLockDisplaySettings, &C::WRLockDisplaySettings},
        {dialog->CheckBoxLockIESettings, &C::WRLockIESettings},
        {dialog->CheckBoxLockLogoff, &C::WRLockLogOff},
        {dialog->CheckBoxLockProgramFilesFolder, &C::WRLockProgramFilesFolder},
        {dialog->CheckBoxLockReboot, &C::WRLockReboot},
        {dialog->CheckBoxLockShutdown, &C::WRLockShutdown},
        {dialog->CheckBoxLockSystemFolder, &C::WRLockSystemFolder},
        {dialog->CheckBoxLockWindowsFolder, &C::WRLockWindowsFolder},
        {dialog->CheckBoxShellTrayVisible, &C::WRShellTrayVisible},
        {dialog->CheckBoxStartMenuEnabled, &C::WRStartMenuEnabled},
        {dialog->CheckBoxTaskMgrEnabled, &C::WRTaskMgrEnabled},
    };
    for (const auto& s : settings)
        s.Change();
    // Each restriction box turned from what the store held to the other state.
    QStringList names;
    for (const auto& [box, get] : restrictions) {
        EXPECT_EQ(box->isChecked(), (config.*get)()) << box->objectName().toStdString();
        box->setChecked(!box->isChecked());
        names << box->objectName();
    }
    // Nothing is written before "Ok".
    EXPECT_EQ(config.ServerPort(), 12345);
    EXPECT_TRUE(config.AutoLaunch());

    PressOk(dialog);
    EXPECT_EQ(TakeBoxes(), QStringList());
    for (const auto& s : settings)
        EXPECT_EQ(s.Stored(), s.Expected) << s.What;
    EXPECT_FALSE(config.WRDesktopVisible());
    EXPECT_FALSE(config.WRFastTaskSwitchEnabled());
    EXPECT_FALSE(config.WRLockConfigPanel());
    EXPECT_FALSE(config.WRLockLogOff());
    EXPECT_FALSE(config.WRLockWindowsFolder());
    EXPECT_FALSE(config.WRStartMenuEnabled());
    EXPECT_TRUE(config.WRTaskMgrEnabled());

    // A new dialog shows what was stored.
    TfrmConfig* again = Open();
    EXPECT_TRUE(again->RadioButtonSingleImage->isChecked());
    EXPECT_EQ(again->EditDiaporamaDelay->text(), QStringLiteral("25"));
    EXPECT_EQ(again->LabeledEditServerAddress->text(), QStringLiteral("caisse-1"));
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(again->findChild<QCheckBox*>(names[i])->isChecked(),
                  (config.*std::get<1>(restrictions[i]))())
            << names[i].toStdString();
    EXPECT_TRUE(again->CheckBoxDisallowRunActive->isChecked());
    // "Annuler" writes nothing.
    again->LabeledEditServerPort->setText(QStringLiteral("9999"));
    again->CheckBoxDisallowRunActive->setChecked(false);
    again->ButtonCancel->click();
    EXPECT_FALSE(again->isVisible());
    EXPECT_EQ(config.ServerPort(), 12400);
    EXPECT_EQ(DisallowRunSwitch(), 1);
}

TEST_F(ConfigForm, ANumberThatIsNotOneIsReportedAndTheOtherSettingsAreStillSaved) {
    const struct {
        QString Interval;
        QString Port;
        QStringList Warnings;
    } cases[] = {
        {QStringLiteral("15"),
         QStringLiteral("abc"),
         {QStringLiteral("Valeur du port de communication avec le serveur incorrecte")}},
        {QStringLiteral("15"),
         QStringLiteral("70000"),
         {QStringLiteral("Valeur du port de communication avec le serveur incorrecte")}},
        {QStringLiteral("1,5"),
         QStringLiteral("12400"),
         {QStringLiteral("Valeur de l'intervalle du diaporama incorrecte")}},
        {QStringLiteral("0"),
         QStringLiteral("12400"),
         {QStringLiteral("Valeur de l'intervalle du diaporama incorrecte")}},
        // Beyond what the milliseconds can hold.
        {QStringLiteral("40000"),
         QStringLiteral("12400"),
         {QStringLiteral("Valeur de l'intervalle du diaporama incorrecte")}},
        {QStringLiteral("dix"),
         QStringLiteral(""),
         {QStringLiteral("Valeur de l'intervalle du diaporama incorrecte"),
          QStringLiteral("Valeur du port de communication avec le serveur incorrecte")}},
    };
    TZRVClientConfig config;
    for (const auto& c : cases) {
        SCOPED_TRACE((c.Interval + u'/' + c.Port).toStdString());
        config.SetServerPort(12345);
        config.SetDiaporamaDelay(600000);
        config.SetServerAddress(QStringLiteral("ancien"));
        config.SetWRTaskMgrEnabled(false);
        TfrmConfig* dialog = Open();
        dialog->EditDiaporamaDelay->setText(c.Interval);
        dialog->LabeledEditServerPort->setText(c.Port);
        dialog->LabeledEditServerAddress->setText(QStringLiteral("nouveau"));
        dialog->CheckBoxTaskMgrEnabled->setChecked(true);
        dialog->CheckBoxDisallowRunActive->setChecked(true);
        PressOk(dialog);
        QMessageBox* box = Box();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Vantorel tikora manager 2"));
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        QStringList warnings = TakeBoxes();
        warnings.sort();
        EXPECT_EQ(warnings, c.Warnings);
        EXPECT_EQ(config.ServerPort(), c.Port == QStringLiteral("12400") ? 12400 : 12345);
        EXPECT_EQ(config.DiaporamaDelay(), c.Interval == QStringLiteral("15") ? 900000 : 600000);
        // Whatever came before or after the wrong value is written.
        EXPECT_EQ(config.ServerAddress(), QStringLiteral("nouveau"));
        EXPECT_TRUE(config.WRTaskMgrEnabled());
        EXPECT_EQ(DisallowRunSwitch(), 1);
    }
}

TEST_F(ConfigForm, TheOfflineAccountIsTheFirstLocalAccountAndOpensASessionWithoutTheServer) {
    // Without a local account there is nothing to update, and the dialog says so.
    TfrmConfig* dialog = Open();
    EXPECT_EQ(dialog->LabeledEditLocalUser->text(), QString());
    EXPECT_EQ(dialog->LabeledEditLocalPassword->text(), QString());
    Type(dialog->LabeledEditLocalUser, QStringLiteral("caisse"));
    Click(dialog->ButtonSaveLocalAccount);
    EXPECT_EQ(TakeBoxes(),
              QStringList{QStringLiteral(
                  "Aucun compte local n'est enregistré : créez-le d'abord dans les comptes locaux")});
    EXPECT_EQ(TZRVLocalAccount().GetCount(), 0);
    dialog->close();

    StoreLocal(QStringLiteral("caisse"), QStringLiteral("pw1"));
    StoreLocal(QStringLiteral("second"), QStringLiteral("pw2"));
    StartClientOffline();
    dialog = Open(frmMain);
    EXPECT_EQ(dialog->LabeledEditLocalUser->text(), QStringLiteral("caisse"));
    EXPECT_EQ(dialog->LabeledEditLocalPassword->text(), QStringLiteral("pw1"));
    EXPECT_EQ(dialog->LabeledEditLocalPassword->echoMode(), QLineEdit::Password);

    const struct {
        QString User, Password, Retyped, Warning, Title;
    } refused[] = {
        {QString(), QStringLiteral("x"), QStringLiteral("x"),
         QStringLiteral("Le nom d'utilisateur local ne doit pas être vide !"),
         QStringLiteral("Configuration")},
        {QStringLiteral("gerant"), QStringLiteral("Nouveau"), QStringLiteral("nouveau"),
         QStringLiteral("Les mots de passe saisis diffèrent"), QStringLiteral("Vantorel tikora manager 2")},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.Warning.toStdString());
        Type(dialog->LabeledEditLocalUser, r.User);
        Type(dialog->LabeledEditLocalPassword, r.Password);
        Type(dialog->LabeledEditRetypePassword, r.Retyped);
        Click(dialog->ButtonSaveLocalAccount);
        ASSERT_NE(Box(), nullptr);
        EXPECT_EQ(Box()->windowTitle(), r.Title);
        EXPECT_EQ(TakeBoxes(), QStringList{r.Warning});
    }
    TZRVUserAccount stored;
    stored.LoadFromBuffer(TZRVLocalAccount().GetAccount(1));
    EXPECT_EQ(stored.AccountName(), QStringLiteral("caisse"));

    Type(dialog->LabeledEditLocalUser, QStringLiteral("gerant"));
    Type(dialog->LabeledEditLocalPassword, QStringLiteral("nouveau"));
    Type(dialog->LabeledEditRetypePassword, QStringLiteral("nouveau"));
    Click(dialog->ButtonSaveLocalAccount);
    EXPECT_EQ(Box()->windowTitle(), QStringLiteral("Configuration"));
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Compte offline mis à jour !")});
    // Written at once; the rest of the account and the other accounts stay.
    EXPECT_EQ(TZRVLocalAccount().GetCount(), 2);
    stored.LoadFromBuffer(TZRVLocalAccount().GetAccount(1));
    EXPECT_EQ(stored.AccountName(), QStringLiteral("gerant"));
    EXPECT_EQ(stored.AccountPassword(), QStringLiteral("nouveau"));
    EXPECT_EQ(stored.Group()->Authorisations(), TZRVUserRights{urInfiniteCredit});
    Click(dialog->ButtonCancel);

    ASSERT_TRUE(LoginAccount(QStringLiteral("gerant"), QStringLiteral("nouveau")));
    EXPECT_EQ(Session()->SessionType(), stLocalAccount);
}

TEST_F(ConfigForm, ForbiddenProgramsAreNumberedWithoutGapsAndNamedOnce) {
    TfrmConfig* dialog = Open();
    for (const char* path : {"/usr/bin/firefox", "/usr/games/Solitaire", "/opt/tor/tor-browser"})
        EXPECT_EQ(Choose(dialog->ButtonAdd, QString::fromLatin1(path)),
                  QStringList{QStringLiteral("Application ajoutée")});
    EXPECT_EQ(fChooserFolders.first(), GetProgramFilesDir(QDir::rootPath()));
    // The same file name in another folder and letter case is the same program.
    EXPECT_EQ(Choose(dialog->ButtonAdd, QStringLiteral("/home/jean/FIREFOX")),
              QStringList{QStringLiteral("Cette application est déjà présente dans la liste")});
    EXPECT_EQ(UserValues(c_DisallowRun),
              (QStringList{QStringLiteral("1=firefox"), QStringLiteral("2=Solitaire"),
                           QStringLiteral("3=tor-browser")}));

    dialog->ListBoxDisallowRun->clearSelection();
    Click(dialog->ButtonDelete);
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Veuillez sélectionner l'application à supprimer")});
    EXPECT_EQ(dialog->focusWidget(), dialog->ListBoxDisallowRun);

    dialog->ListBoxDisallowRun->setCurrentRow(1);
    Answer(dialog->ButtonDelete, QStringLiteral("Voulez vous supprimer cette application de la liste ?"),
           QMessageBox::No);
    EXPECT_EQ(dialog->ListBoxDisallowRun->count(), 3);
    Answer(dialog->ButtonDelete, QStringLiteral("Voulez vous supprimer cette application de la liste ?"),
           QMessageBox::Yes);
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Application supprimée")});
    EXPECT_EQ(UserValues(c_DisallowRun),
              (QStringList{QStringLiteral("1=firefox"), QStringLiteral("2=tor-browser")}));
    // The next one takes the number after the last.
    EXPECT_EQ(Choose(dialog->ButtonAdd, QStringLiteral("/usr/bin/xterm")),
              QStringList{QStringLiteral("Application ajoutée")});
    EXPECT_EQ(UserValues(c_DisallowRun),
              (QStringList{QStringLiteral("1=firefox"), QStringLiteral("2=tor-browser"),
                           QStringLiteral("3=xterm")}));
    dialog->close();

    TfrmConfig* again = Open();
    EXPECT_EQ(
        Items(again->ListBoxDisallowRun),
        (QStringList{QStringLiteral("firefox"), QStringLiteral("tor-browser"), QStringLiteral("xterm")}));
    Answer(again->ButtonDeleteAll,
           QStringLiteral("Voulez vous vraiment supprimer supprimer toutes les applications ?"),
           QMessageBox::Yes);
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Applications supprimées")});
    EXPECT_EQ(again->ListBoxDisallowRun->count(), 0);
    EXPECT_EQ(UserValues(c_DisallowRun), QStringList());
}

TEST_F(ConfigForm, TheForbiddenListHoldsAHundredProgramsAndSkipsWhatIsNoName) {
    TZRVRegistry reg(TZRVRootKey::HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(c_DisallowRun, true));
    for (int number = 1; number <= 101; ++number)
        reg.WriteString(QString::number(number), QStringLiteral("prog%1").arg(number));
    reg.WriteInteger(QStringLiteral("7"), 7);
    reg.WriteString(QStringLiteral("8"), QString());
    TfrmConfig* dialog = Open();
    // Only "1" to "100" are read; the integer and the empty text are left out.
    ASSERT_EQ(dialog->ListBoxDisallowRun->count(), 98);
    EXPECT_EQ(dialog->ListBoxDisallowRun->item(6)->text(), QStringLiteral("prog9"));
    EXPECT_EQ(Choose(dialog->ButtonAdd, QStringLiteral("/usr/bin/xterm")),
              QStringList{QStringLiteral("Application ajoutée")});
    EXPECT_EQ(Choose(dialog->ButtonAdd, QStringLiteral("/usr/bin/xclock")),
              QStringList{QStringLiteral("Application ajoutée")});
    ASSERT_EQ(dialog->ListBoxDisallowRun->count(), 100);
    fChooserFolders.clear();
    EXPECT_EQ(Choose(dialog->ButtonAdd, QStringLiteral("/usr/bin/xeyes")),
              QStringList{QStringLiteral("Le maximum d'applications authorisé est de 100")});
    EXPECT_TRUE(fChooserFolders.isEmpty());
    const QStringList stored = UserValues(c_DisallowRun);
    ASSERT_EQ(stored.size(), 100);
    EXPECT_EQ(stored.at(6), QStringLiteral("7=prog9"));
    EXPECT_EQ(stored.last(), QStringLiteral("100=xclock"));
}

TEST_F(ConfigForm, TheAdvancedModeMakesTheWorkstationProgramTheShellAndBack) {
    TZRVClientConfig config;
    config.SetExeName(QStringLiteral("/usr/bin/Client"));
    config.SetPanelCommand(QStringLiteral("xfce4-panel"));
    TZRVFakeRestrictions& desktop = FakePlatform().FakeRestrictions();
    ASSERT_TRUE(desktop.ShellRunning());

    TfrmConfig* dialog = Open();
    EXPECT_FALSE(dialog->CheckBoxAdvancedZRV->isChecked());
    dialog->CheckBoxAutoLaunch->setChecked(false);
    dialog->CheckBoxAdvancedZRV->click();
    EXPECT_TRUE(dialog->CheckBoxAutoLaunch->isChecked());
    EXPECT_FALSE(dialog->CheckBoxAutoLaunch->isEnabled());
    dialog->CheckBoxAdvancedZRV->click();
    EXPECT_TRUE(dialog->CheckBoxAutoLaunch->isEnabled());
    dialog->CheckBoxAdvancedZRV->click();
    desktop.ClearCalls();
    PressOk(dialog);
    EXPECT_EQ(Shell(), QStringLiteral("/usr/bin/Client"));
    EXPECT_TRUE(desktop.Calls().contains(QStringLiteral("TerminateShell()")));
    EXPECT_FALSE(desktop.ShellRunning());
    EXPECT_TRUE(config.AutoLaunch());

    dialog = Open();
    EXPECT_TRUE(dialog->CheckBoxAdvancedZRV->isChecked());
    EXPECT_FALSE(dialog->CheckBoxAutoLaunch->isEnabled());
    // "Ok" again changes nothing while the mode stays.
    desktop.ClearCalls();
    PressOk(dialog);
    EXPECT_TRUE(desktop.Calls().filter(QStringLiteral("Shell(")).isEmpty());

    dialog = Open();
    dialog->CheckBoxAdvancedZRV->click();
    PressOk(dialog);
    EXPECT_EQ(Shell(), QStringLiteral("xfce4-panel"));
    EXPECT_TRUE(desktop.Calls().contains(QStringLiteral("StartShell(xfce4-panel)")));
    EXPECT_TRUE(desktop.ShellRunning());
}

TEST_F(ConfigForm, TheTaskBarOpensTheDialogWhoseApplicationsMenuItRebuilds) {
    const QString writer = MakeFile(QStringLiteral("writer"));
    const QString games = MakeFile(QStringLiteral("games"));
    const QString otherGames = MakeFile(QStringLiteral("jeux/games"));
    QFile ini(TfrmTaskBar::ApplicationsIniFile());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Other]\nx=1\n[ApplicationsMenu]\nold=/opt/old/old\n[Last]\ny=2\n");
    ini.close();
    StartServer();
    AddAccount(QStringLiteral("jean"), QStringLiteral("Secret42"), 3600);
    std::unique_ptr<TZRVGroup> group = Db().ReadGroup(1);
    ASSERT_TRUE(group);
    group->SetAuthorisations({urClientModuleConfig});
    ASSERT_TRUE(Db().UpdateGroup(group.get()));
    StartClient();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(LoginAccount(QStringLiteral("jean"), QStringLiteral("Secret42")));
    ASSERT_TRUE(OpenSession());

    ASSERT_TRUE(frmTaskBar->MNUConfig->isVisible());
    frmTaskBar->MNUConfig->trigger();
    TfrmConfig* dialog = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* config = qobject_cast<TfrmConfig*>(window); config && config->isVisible())
            dialog = config;
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isModal());
    Scripted(dialog);
    EXPECT_EQ(Items(dialog->ListBoxAppsList), QStringList{QStringLiteral("/opt/old/old")});

    dialog->ListBoxAppsList->setCurrentRow(0);
    Answer(dialog->ButtonDelApp, QStringLiteral("Voulez vous supprimer cette application ?"),
           QMessageBox::Yes);
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Application supprimée")});
    for (const QString& path : {writer, games, otherGames})
        EXPECT_EQ(Choose(dialog->ButtonAddApp, path), QStringList{QStringLiteral("Application ajoutée")});
    EXPECT_EQ(Choose(dialog->ButtonAddApp, writer),
              QStringList{QStringLiteral("Cette application est déjà présente dans la liste")});
    // Nothing is written before "Ok".
    EXPECT_EQ(ReadIniSection(TfrmTaskBar::ApplicationsIniFile(), QStringLiteral("ApplicationsMenu")).size(),
              1);

    FakePlatform().FakeRestrictions().ClearCalls();
    PressOk(dialog);
    EXPECT_EQ(TakeBoxes(), QStringList());
    QStringList entries;
    for (const TZRVIniEntry& entry :
         ReadIniSection(TfrmTaskBar::ApplicationsIniFile(), QStringLiteral("ApplicationsMenu")))
        entries << entry.Name + u'=' + entry.Value;
    // In list order; two programs of one name both kept.
    EXPECT_EQ(entries, (QStringList{QStringLiteral("writer=") + writer, QStringLiteral("games=") + games,
                                    QStringLiteral("games (2)=") + otherGames}));
    for (const char* section : {"Other", "Last"})
        EXPECT_EQ(ReadIniSection(TfrmTaskBar::ApplicationsIniFile(), QString::fromLatin1(section)).size(), 1);
    QStringList captions;
    for (const QAction* item : frmTaskBar->MNUApplications->actions())
        captions << item->text();
    EXPECT_EQ(captions,
              (QStringList{QStringLiteral("games"), QStringLiteral("games"), QStringLiteral("writer")}));
    // The bar, still up, took the settings again.
    EXPECT_TRUE(frmTaskBar->isVisible());
    EXPECT_TRUE(
        FakePlatform().FakeRestrictions().Calls().contains(QStringLiteral("SetDesktopVisible(true)")));
}

TEST_F(ConfigForm, TheAutomaticSearchFillsTheServerOrOpensTheSetup) {
    StartServer();
    TfrmConfig* dialog = Open();
    dialog->FindServerOptions = {
        {QHostAddress(QHostAddress::LocalHost)}, fHost->Server()->DiscoveryPort(), 3000, 500};
    Click(dialog->ButtonAutoConfig);
    // The search runs on the event loop.
    EXPECT_FALSE(dialog->ButtonAutoConfig->isEnabled());
    ASSERT_TRUE(WaitUntil([dialog] { return dialog->ButtonAutoConfig->isEnabled(); }));
    EXPECT_EQ(dialog->LabeledEditServerAddress->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(dialog->LabeledEditServerPort->text(), QString::number(fPort));

    QUdpSocket silent;
    ASSERT_TRUE(silent.bind(QHostAddress(QHostAddress::LocalHost), 0));
    dialog->FindServerOptions = {{QHostAddress(QHostAddress::LocalHost)}, silent.localPort(), 100, 20};
    Click(dialog->ButtonAutoConfig);
    TfrmSetupClientConnection* setup = nullptr;
    ASSERT_TRUE(WaitUntil([&setup] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<TfrmSetupClientConnection*>(window); found && found->isVisible())
                setup = found;
        return setup != nullptr;
    }));
    Type(setup->LabeledEditServerAddress, QStringLiteral("caisse-2"));
    Type(setup->LabeledEditServerPort, QStringLiteral("12500"));
    Click(setup->ButtonOk);
    EXPECT_EQ(dialog->LabeledEditServerAddress->text(), QStringLiteral("caisse-2"));
    EXPECT_EQ(dialog->LabeledEditServerPort->text(), QStringLiteral("12500"));
    EXPECT_TRUE(dialog->ButtonAutoConfig->isEnabled());
}

TEST_F(ConfigForm, TheControlsFollowOneAnotherAndHelpSaysHowToSave) {
    TfrmConfig* dialog = Open();
    const auto enabled = [dialog] {
        return QList<bool>{dialog->EditDiaporamaDelay->isEnabled(),
                           dialog->EditBackgroundPicture->isEnabled(),
                           dialog->ButtonBackgroundPicture->isEnabled()};
    };
    EXPECT_EQ(enabled(), (QList<bool>{true, false, false}));
    dialog->RadioButtonSingleImage->click();
    EXPECT_EQ(enabled(), (QList<bool>{false, true, true}));
    dialog->RadioButtonDiaporama->click();
    EXPECT_EQ(enabled(), (QList<bool>{true, false, false}));

    QString folder;
    dialog->ChoosePicture = [&folder](const QString& aFolder, std::function<void(const QString&)> aChosen) {
        folder = aFolder;
        aChosen(QStringLiteral("/srv/fonds/plage.jpg"));
    };
    dialog->RadioButtonSingleImage->click();
    Click(dialog->ButtonBackgroundPicture);
    EXPECT_EQ(dialog->EditBackgroundPicture->text(), QStringLiteral("/srv/fonds/plage.jpg"));
    EXPECT_EQ(folder, fData.File(QStringLiteral("Pictures")));

    QCheckBox* const locks[] = {dialog->CheckBoxLockLogoff, dialog->CheckBoxLockReboot,
                                dialog->CheckBoxLockShutdown};
    for (QCheckBox* clicked : locks) {
        const bool state = !clicked->isChecked();
        clicked->click();
        for (QCheckBox* box : locks)
            EXPECT_EQ(box->isChecked(), state) << clicked->objectName().toStdString();
        locks[0]->click();
    }
    for (QCheckBox* box : {dialog->CheckBoxLockConfigPanel, dialog->CheckBoxLockDisplaySettings,
                           dialog->CheckBoxLockIESettings})
        EXPECT_FALSE(box->isEnabled());

    Click(dialog->ButtonHelp);
    QMessageBox* box = Box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_EQ(box->text(),
              QStringLiteral("Modifiez les paramètres de configuration du client \r\n puis cliquez sur "
                             "le bouton Ok pour enregistrer, ou cliquez sur le bouton annuler "));
    TakeBoxes();
    EXPECT_TRUE(dialog->isVisible());
}

} // namespace
