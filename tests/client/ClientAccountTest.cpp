// A customer with an account: logins (the password checked by the server), the recovery of a
// forgotten password through the server, account creation, the profile and the password, and the
// workstation's own accounts when the server cannot be reached.

#include "ClientTestFixture.h"

#include "ZRVLocalAccount.h"

#include <QSignalSpy>

using namespace zrvtest;

namespace {

const QString c_Question = QStringLiteral("Nom de votre chien ?");

class AccountLogin : public ClientTest {
protected:
    uint32_t fJean = 0;

    void StartWithAccounts() {
        StartServer();
        AddSecretQuestion(c_Question);
        fJean = AddAccount(QStringLiteral("jean"), QStringLiteral("Secret42"), 7200, c_Question,
                           QStringLiteral("Rex"));
        StartClient();
        ASSERT_TRUE(WaitReady());
        ASSERT_TRUE(
            WaitUntil([] { return frmClient->ComboBoxRetrievePasswordSecretQuestions->count() == 2; }));
    }
};

TEST_F(AccountLogin, TheRightPasswordInAnotherCaseLogsIn) {
    StartWithAccounts();
    ASSERT_TRUE(LoginAccount(QStringLiteral("jean"), QStringLiteral("sECRET42")));
    EXPECT_EQ(Info(), QStringLiteral("Bienvenue Dupont Jean"));
    EXPECT_EQ(InfoColor(), QColor(Qt::green));
    EXPECT_EQ(Session()->SessionType(), stAccount);
    EXPECT_EQ(frmClient->LabelUser->text(), QStringLiteral("jean"));
    EXPECT_EQ(frmClient->LabelUserType->text(), QStringLiteral("Compte Default"));
    EXPECT_EQ(frmClient->LabelExpireDate->text(), QStringLiteral("Ne s'expire jamais"));
    EXPECT_EQ(TextColor(frmClient->LabelExpireDate), WinColor(ZRVColor::Blue));
    EXPECT_EQ(frmClient->LabelCurrentCredit->text(), QStringLiteral("02h00m00s"));
    EXPECT_TRUE(frmClient->LabelHourFormula->text().isEmpty());
    EXPECT_TRUE(frmClient->PageControlUserConnected->isTabVisible(
        frmClient->PageControlUserConnected->indexOf(frmClient->TabSheetEditUserInfos)));
    EXPECT_EQ(frmClient->LabeledEditProfil_Nom->text(), QStringLiteral("Dupont"));
    EXPECT_EQ(frmClient->LabeledEditProfil_Prenom->text(), QStringLiteral("Jean"));
}

TEST_F(AccountLogin, AWrongPasswordIsRefusedByTheServerAndOffersTheRecovery) {
    StartWithAccounts();
    EXPECT_FALSE(frmClient->LabelRetrievePassword->isVisible());
    SubmitAccount(QStringLiteral("jean"), QStringLiteral("Secret43"));
    ASSERT_TRUE(WaitInfo(QStringLiteral("Mot de passe incorrect")));
    EXPECT_EQ(InfoColor(), QColor(Qt::red));
    EXPECT_EQ(InfoSize(), 14);
    EXPECT_TRUE(frmClient->LabelRetrievePassword->isVisible());
    EXPECT_FALSE(User()->Connected());
    // The account never reached the workstation.
    EXPECT_TRUE(Session()->Account()->AccountPassword().isEmpty());
}

TEST_F(AccountLogin, ADeletedAccountIsRefused) {
    StartWithAccounts();
    ASSERT_TRUE(Db().DeleteAccount(fJean, true));
    SubmitAccount(QStringLiteral("jean"), QStringLiteral("Secret42"));
    ASSERT_TRUE(WaitInfo(QStringLiteral("Ce compte a été supprimé")));
    EXPECT_EQ(InfoSize(), 14);
    EXPECT_TRUE(WaitUntil([this] { return !User()->Connected(); }));
    EXPECT_TRUE(frmClient->PageControl->isVisible());
}

TEST_F(AccountLogin, EmptyNameOrPasswordSendsNothing) {
    StartWithAccounts();
    frmClient->PageControl->setCurrentWidget(frmClient->TabSheetAccountOpenning);
    Click(frmClient->ButtonOpenAccount);
    EXPECT_EQ(Info(), QStringLiteral("Nom de compte vide"));
    Type(frmClient->LabeledEditAccountName, QStringLiteral("jean"));
    Click(frmClient->ButtonOpenAccount);
    EXPECT_EQ(Info(), QStringLiteral("Mot de passe vide"));
    EXPECT_EQ(InfoSize(), 14);
    EXPECT_FALSE(User()->Busy());
}

TEST_F(AccountLogin, TheForgottenPasswordComesFromTheServerForTheRightQuestionAndAnswer) {
    StartWithAccounts();
    SubmitAccount(QStringLiteral("jean"), QStringLiteral("oublie"));
    ASSERT_TRUE(WaitUntil([] { return frmClient->LabelRetrievePassword->isVisible(); }));
    QTest::mouseClick(frmClient->LabelRetrievePassword, Qt::LeftButton);
    ASSERT_EQ(frmClient->PageControl->currentWidget(), frmClient->TabSheetRetrievePassword);
    EXPECT_FALSE(frmClient->PageControl->isTabVisible(
        frmClient->PageControl->indexOf(frmClient->TabSheetTicketOpenning)));
    EXPECT_FALSE(frmClient->PageControl->isTabVisible(
        frmClient->PageControl->indexOf(frmClient->TabSheetAccountOpenning)));
    EXPECT_EQ(frmClient->LabeledEditRetrievePasswordAccountName->text(), QStringLiteral("jean"));
    EXPECT_EQ(frmClient->ComboBoxRetrievePasswordSecretQuestions->currentIndex(), -1);

    frmClient->ComboBoxRetrievePasswordSecretQuestions->setCurrentText(c_Question);
    Type(frmClient->LabeledEditRetrievePasswordSecretAnswer, QStringLiteral("rex"));
    Click(frmClient->ButtonDoRetrievePassword);
    ASSERT_TRUE(WaitInfo(QStringLiteral("Question ou réponse incorrecte !")));
    EXPECT_EQ(InfoColor(), QColor(Qt::red));
    EXPECT_EQ(InfoSize(), 12);
    EXPECT_EQ(frmClient->PageControl->currentWidget(), frmClient->TabSheetRetrievePassword);

    Type(frmClient->LabeledEditRetrievePasswordSecretAnswer, QStringLiteral("Rex"));
    Click(frmClient->ButtonDoRetrievePassword);
    ASSERT_TRUE(WaitUntil(
        [] { return frmClient->PageControl->currentWidget() == frmClient->TabSheetAccountOpenning; }));
    EXPECT_FALSE(frmClient->PageControl->isTabVisible(
        frmClient->PageControl->indexOf(frmClient->TabSheetRetrievePassword)));
    EXPECT_EQ(frmClient->LabeledEditAccountName->text(), QStringLiteral("jean"));
    EXPECT_EQ(frmClient->LabeledEditAccountPassword->text(), QStringLiteral("Secret42"));
    const TfrmPopup* notice = Notice(QStringLiteral("VOTRE MOT DE PASSE EST: \r\nSecret42"));
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->Infos().TimeOut, 30);
    EXPECT_EQ(notice->Infos().FontColor, ZRVColor::Blue);
    // The customer only has to press the button now.
    Click(frmClient->ButtonOpenAccount);
    EXPECT_TRUE(WaitUntil([] { return frmClient->PanelUserConnected->isVisible(); }));
}

TEST_F(AccountLogin, RecoveryNeedsTheServerAndCancelComesBack) {
    StartWithAccounts();
    frmClient->PageControl->setCurrentWidget(frmClient->TabSheetAccountOpenning);
    frmClient->LabelRetrievePassword->show();
    QTest::mouseClick(frmClient->LabelRetrievePassword, Qt::LeftButton);
    ASSERT_EQ(frmClient->PageControl->currentWidget(), frmClient->TabSheetRetrievePassword);
    Click(frmClient->ButtonCancelRetrievePassword);
    EXPECT_EQ(frmClient->PageControl->currentWidget(), frmClient->TabSheetAccountOpenning);
    EXPECT_TRUE(frmClient->PageControl->isTabVisible(
        frmClient->PageControl->indexOf(frmClient->TabSheetTicketOpenning)));

    fHost.reset();
    ASSERT_TRUE(WaitUntil([] { return !frmMain->ZRVClientConnection->Connected(); }));
    QTest::mouseClick(frmClient->LabelRetrievePassword, Qt::LeftButton);
    EXPECT_EQ(Info(), QStringLiteral("Connection avec le serveur requise pour exécuter cette action"));
    EXPECT_EQ(InfoSize(), 10);
    EXPECT_EQ(frmClient->PageControl->currentWidget(), frmClient->TabSheetAccountOpenning);
}

TEST_F(AccountLogin, AccountCreationChecksItsBoxesThenFillsTheLoginPage) {
    StartWithAccounts();
    QTest::mouseClick(frmClient->LabelCreateAccount, Qt::LeftButton);
    ASSERT_TRUE(frmClient->PanelAccountCreation->isVisible());
    EXPECT_FALSE(frmClient->PageControl->isVisible());
    EXPECT_EQ(frmClient->ComboBoxSex->currentText(), QStringLiteral("Masculin"));
    EXPECT_EQ(frmClient->ComboBoxSex->count(), 4);

    struct Step {
        QLineEdit* Box;
        QString Text;
        QString Refusal;
    };
    const Step steps[] = {
        {frmClient->LabeledEditFirstName, QStringLiteral("Martin"),
         QStringLiteral("Le nom de compte est requis")},
        {frmClient->LabeledEditACName, QStringLiteral("paul"), QStringLiteral("Un mot de passe est requis")},
        {frmClient->LabeledEditACPassword, QStringLiteral("Motdepasse"),
         QStringLiteral("Erreur sur la vérification du mot de passe")},
        {frmClient->LabeledEditVerifyPassword, QStringLiteral("motdepasse"),
         QStringLiteral("Erreur sur la vérification du mot de passe")},
        {frmClient->LabeledEditVerifyPassword, QStringLiteral("Motdepasse"),
         QStringLiteral("Vous devez indiquer une question secrète")},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Refusal.toStdString());
        Type(step.Box, step.Text);
        Click(frmClient->ButtonAccountCreateExecute);
        EXPECT_EQ(Info(), step.Refusal);
        EXPECT_EQ(InfoSize(), 12);
        EXPECT_TRUE(frmClient->ButtonAccountCreateExecute->isEnabled());
    }
    // The age takes two digits at most.
    Type(frmClient->LabeledEditOld, QStringLiteral("2x73"));
    EXPECT_EQ(frmClient->LabeledEditOld->text(), QStringLiteral("27"));
    frmClient->ComboBoxSecretQuestion->setCurrentText(c_Question);
    Type(frmClient->LabeledEditSecretAnswer, QStringLiteral("Médor"));
    Click(frmClient->ButtonAccountCreateExecute);
    EXPECT_EQ(Info(), QStringLiteral("Veuillez patienter pendant que votre compte est crée"));
    EXPECT_FALSE(frmClient->ButtonAccountCreateExecute->isEnabled());

    ASSERT_TRUE(WaitInfo(QStringLiteral("Compte crée avec succès")));
    EXPECT_FALSE(frmClient->PanelAccountCreation->isVisible());
    EXPECT_TRUE(frmClient->PageControl->isVisible());
    EXPECT_EQ(frmClient->PageControl->currentWidget(), frmClient->TabSheetAccountOpenning);
    EXPECT_EQ(frmClient->LabeledEditAccountName->text(), QStringLiteral("paul"));
    EXPECT_EQ(frmClient->LabeledEditAccountPassword->text(), QStringLiteral("Motdepasse"));
    EXPECT_NE(Notice(QStringLiteral("Le compte paul a été crée avec succès")), nullptr);
    const auto created = Db().ReadAccount(uint32_t(Db().AccountExists(QStringLiteral("paul"))));
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->FirstName(), QStringLiteral("Martin"));
    EXPECT_EQ(created->Old(), 27);
    EXPECT_EQ(created->Sex(), sMale);
    EXPECT_EQ(created->SecretQuestion()->Question(), c_Question);
}

TEST_F(AccountLogin, TheProfileAndThePasswordChangeOnTheServer) {
    StartWithAccounts();
    ASSERT_TRUE(LoginAccount(QStringLiteral("jean"), QStringLiteral("Secret42")));
    frmClient->PageControlUserConnected->setCurrentWidget(frmClient->TabSheetEditUserInfos);
    Type(frmClient->LabeledEditProfil_Prenom, QStringLiteral("Jeannot"));
    Type(frmClient->LabeledEditProfil_Telephone, QStringLiteral("0612345678"));
    Click(frmClient->ButtonUpdateProfile);
    EXPECT_EQ(Info(), QStringLiteral("Veuillez patienter pendant que votre compte est mis à jour"));
    EXPECT_FALSE(frmClient->ButtonUpdatePassword->isEnabled());
    ASSERT_TRUE(WaitInfo(QStringLiteral("Compte mis à jour avec succès")));
    EXPECT_TRUE(frmClient->ButtonUpdateProfile->isEnabled());
    EXPECT_NE(Notice(QStringLiteral("Votre compte a été mis à jour avec succès")), nullptr);
    EXPECT_EQ(Db().ReadAccount(fJean)->FirstName(), QStringLiteral("Jeannot"));
    EXPECT_EQ(Db().ReadAccount(fJean)->Phone(), QStringLiteral("0612345678"));

    struct Case {
        QString Old, New, Confirm, Refusal;
    };
    const Case refused[] = {
        {QStringLiteral("secret42"), QStringLiteral("Neuf"), QStringLiteral("Neuf"),
         QStringLiteral("L'ancien mot de passe est incorrect !")},
        {QStringLiteral("Secret42"), QStringLiteral("Neuf"), QStringLiteral("neuf"),
         QStringLiteral("Le nouveau mot de passe a été mal resaisi !")},
        {QStringLiteral("Secret42"), QString(), QString(), QStringLiteral("Un mot de passe est requis")},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.Refusal.toStdString());
        Type(frmClient->LabeledEditProfil_OldPwd, c.Old);
        Type(frmClient->LabeledEditProfil_NewPwd, c.New);
        Type(frmClient->LabeledEditProfil_ConfirmPwd, c.Confirm);
        Click(frmClient->ButtonUpdatePassword);
        EXPECT_EQ(Info(), c.Refusal);
        EXPECT_EQ(InfoSize(), 12);
    }
    Type(frmClient->LabeledEditProfil_OldPwd, QStringLiteral("Secret42"));
    Type(frmClient->LabeledEditProfil_NewPwd, QStringLiteral("Nouveau7"));
    Type(frmClient->LabeledEditProfil_ConfirmPwd, QStringLiteral("Nouveau7"));
    Click(frmClient->ButtonUpdatePassword);
    ASSERT_TRUE(WaitInfo(QStringLiteral("Compte mis à jour avec succès")));
    EXPECT_TRUE(frmClient->LabeledEditProfil_OldPwd->text().isEmpty());
    EXPECT_EQ(Db().ReadAccount(fJean)->AccountPassword(), QStringLiteral("Nouveau7"));
}

TEST_F(AccountLogin, WithoutTheServerTheWorkstationsOwnAccountsLogInAndMayLeaveTheProgram) {
    TZRVUserAccount local;
    local.SetAccountName(QStringLiteral("admin"));
    local.SetAccountPassword(QStringLiteral("cafe"));
    local.SetFirstName(QStringLiteral("Admin"));
    local.Group()->SetAuthorisations({urInfiniteCredit});
    local.SetActive(true);
    ASSERT_GT(TZRVLocalAccount().AddAccount(&local), 0);
    StartClientOffline();
    QSignalSpy terminating(frmMain, &TfrmMain::Terminating);
    // The exit keys do nothing before the café's own account is logged in.
    QTest::keyClick(frmClient, Qt::Key_F12, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(terminating.count(), 0);

    SubmitAccount(QStringLiteral("admin"), QStringLiteral("wrong"));
    EXPECT_EQ(Info(), QStringLiteral("Communication avec le serveur impossible"));
    ASSERT_TRUE(LoginAccount(QStringLiteral("admin"), QStringLiteral("cafe")));
    EXPECT_EQ(Session()->SessionType(), stLocalAccount);
    EXPECT_EQ(frmClient->LabelUserType->text(), QStringLiteral("Compte d'utilisateur local"));
    EXPECT_TRUE(Session()->Credit()->Incremental());

    QTest::keyClick(frmClient->ComboBoxUrls->lineEdit(), Qt::Key_Backspace,
                    Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(terminating.count(), 1);
    EXPECT_TRUE(frmMain->CanCloseApp);
}

} // namespace
