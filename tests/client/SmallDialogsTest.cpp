// The small dialogs: the workstation's own accounts managed in their dialog and used on the lock
// screen, a message to the employee at the server (and from the server to the customer), and the
// server connection setup.

#include "ClientTestFixture.h"

#include "LocalAccountsForm.h"
#include "SendMessageForm.h"
#include "SetupClientConnectionForm.h"

#include "ZRVLocalAccount.h"
#include "ZRVUserAccount.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>

using namespace zrvtest;

namespace {

class SmallDialogs : public ClientTest {
protected:
    // The employee deletes the account shown and says yes.
    void ConfirmDeletion(TfrmLocalAccounts* aDialog) {
        Click(aDialog->ButtonDelete);
        ASSERT_TRUE(Box());
        Box()->button(QMessageBox::Yes)->click();
        EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Compte local définitivement supprimé")});
    }

    static void StoreLocal(const QString& aName, const QString& aPassword) {
        TZRVUserAccount account;
        account.SetAccountName(aName);
        account.SetAccountPassword(aPassword);
        account.Group()->SetAuthorisations({urInfiniteCredit});
        ASSERT_GT(TZRVLocalAccount().AddAccount(&account), 0);
    }

    static QString Stored(int aIndex) {
        TZRVUserAccount account;
        account.LoadFromBuffer(TZRVLocalAccount().GetAccount(aIndex));
        return account.AccountName();
    }

    static QStringList Names(const TfrmLocalAccounts* aDialog) {
        QStringList names;
        for (int i = 0; i < aDialog->ListBoxLocalAccounts->count(); ++i)
            names << aDialog->ListBoxLocalAccounts->item(i)->text();
        return names;
    }

    static QStringList Fields(const TfrmLocalAccounts* aDialog) {
        return {aDialog->LabeledEditAccountName->text(), aDialog->LabeledEditAccountPassword->text(),
                aDialog->LabeledEditFirstName->text(), aDialog->LabeledEditSecondName->text()};
    }

    static void ClickList(TfrmLocalAccounts* aDialog, int aRow) {
        QListWidget* list = aDialog->ListBoxLocalAccounts;
        const QPoint where = aRow < 0 ? QPoint(4, list->viewport()->height() - 4)
                                      : list->visualItemRect(list->item(aRow)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, where);
    }

    void TypeNew(TfrmLocalAccounts* aDialog, const QStringList& aFields) {
        Click(aDialog->ButtonNew);
        Type(aDialog->LabeledEditAccountName, aFields.value(0));
        Type(aDialog->LabeledEditAccountPassword, aFields.value(1));
        Type(aDialog->LabeledEditFirstName, aFields.value(2));
        Type(aDialog->LabeledEditSecondName, aFields.value(3));
        Click(aDialog->ButtonSave);
    }

    void CloseDialog(QDialog* aDialog) {
        QPointer<QDialog> dialog(aDialog);
        dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(dialog.isNull());
    }
};

TEST_F(SmallDialogs, LocalAccountsCreatedInTheDialogOpenASessionWithoutTheServer) {
    StartClientOffline();
    TfrmLocalAccounts* dialog = TfrmLocalAccounts::Execute(frmMain);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Comptes locaux"));
    EXPECT_EQ(Names(dialog), QStringList());
    EXPECT_TRUE(dialog->LabeledEditAccountName->isReadOnly());
    EXPECT_EQ(dialog->LabeledEditAccountPassword->echoMode(), QLineEdit::Password);

    TypeNew(dialog, {QStringLiteral("caisse"), QStringLiteral("pw1"), QStringLiteral("Martin"),
                     QStringLiteral("Paul")});
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Nouveau compte local ajouté")});
    TypeNew(dialog, {QStringLiteral("gerant"), QStringLiteral("pw2")});
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Nouveau compte local ajouté")});
    EXPECT_EQ(Names(dialog), (QStringList{QStringLiteral("caisse"), QStringLiteral("gerant")}));
    // Back to browsing after each addition.
    EXPECT_EQ(Fields(dialog), QStringList(4));
    EXPECT_TRUE(dialog->LabeledEditFirstName->isReadOnly());
    EXPECT_TRUE(dialog->ButtonNew->isVisible());
    EXPECT_FALSE(dialog->ButtonSave->isVisible());
    EXPECT_TRUE(dialog->ListBoxLocalAccounts->isEnabled());

    TZRVLocalAccount store;
    ASSERT_EQ(store.GetCount(), 2);
    TZRVUserAccount stored;
    stored.LoadFromBuffer(store.GetAccount(1));
    EXPECT_EQ(stored.AccountName(), QStringLiteral("caisse"));
    EXPECT_EQ(stored.AccountPassword(), QStringLiteral("pw1"));
    EXPECT_EQ(stored.FirstName(), QStringLiteral("Martin"));
    EXPECT_EQ(stored.SecondName(), QStringLiteral("Paul"));
    EXPECT_TRUE(stored.Active());
    EXPECT_EQ(stored.DaysAllowed(), -1);
    EXPECT_EQ(stored.CreationDate(), TestNow());
    EXPECT_TRUE(stored.Group()->IncrementalCredit());
    EXPECT_EQ(stored.Group()->Authorisations(), TZRVUserRights{urInfiniteCredit});

    ClickList(dialog, 0);
    EXPECT_EQ(Fields(dialog), (QStringList{QStringLiteral("caisse"), QStringLiteral("pw1"),
                                           QStringLiteral("Martin"), QStringLiteral("Paul")}));
    EXPECT_EQ(TakeBoxes(), QStringList());
    CloseDialog(dialog);

    ASSERT_TRUE(LoginAccount(QStringLiteral("caisse"), QStringLiteral("pw1")));
    EXPECT_EQ(Session()->SessionType(), stLocalAccount);
    EXPECT_EQ(Session()->Account()->FirstName(), QStringLiteral("Martin"));
}

TEST_F(SmallDialogs, LocalAccountsRefuseWhatCannotBeSavedOrDeleted) {
    StoreLocal(QStringLiteral("caisse"), QStringLiteral("pw1"));
    StartClientOffline();
    TfrmLocalAccounts* dialog = TfrmLocalAccounts::Execute(frmMain);
    ASSERT_EQ(Names(dialog), QStringList{QStringLiteral("caisse")});

    EXPECT_FALSE(dialog->ListBoxLocalAccounts->currentItem());
    ClickList(dialog, -1);
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Aucun compte local n'est sélectionné")});
    Click(dialog->ButtonDelete);
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Aucun compte local n'est sélectionné")});

    const struct {
        QStringList Fields;
        QString Warning;
        QLineEdit* Focus;
    } cases[] = {
        {{QString(), QStringLiteral("pw")},
         QStringLiteral("Nom de compte requis"),
         dialog->LabeledEditAccountName},
        {{QStringLiteral("bob")}, QStringLiteral("Mot de passe requis"), dialog->LabeledEditAccountPassword},
        {{QStringLiteral("CAISSE"), QStringLiteral("pw")},
         QStringLiteral("Nom de compte déjà utilisé"),
         dialog->LabeledEditAccountPassword},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Warning.toStdString());
        TypeNew(dialog, c.Fields);
        EXPECT_EQ(TakeBoxes(), QStringList{c.Warning});
        EXPECT_EQ(dialog->focusWidget(), c.Focus);
        // Still typing the new account, nothing stored.
        EXPECT_TRUE(dialog->ButtonSave->isVisible());
        EXPECT_FALSE(dialog->ListBoxLocalAccounts->isEnabled());
        EXPECT_EQ(TZRVLocalAccount().GetCount(), 1);
        Click(dialog->ButtonCancel);
        EXPECT_EQ(Fields(dialog), QStringList(4));
        EXPECT_TRUE(dialog->ButtonNew->isVisible());
    }
}

TEST_F(SmallDialogs, DeletingTheSecondOfThreeLocalAccountsEndsItsLogins) {
    for (const char* name : {"anne", "bruno", "carole"})
        StoreLocal(QString::fromLatin1(name), QStringLiteral("pw"));
    StartClientOffline();
    TfrmLocalAccounts* dialog = TfrmLocalAccounts::Execute(frmMain);
    ASSERT_EQ(Names(dialog),
              (QStringList{QStringLiteral("anne"), QStringLiteral("bruno"), QStringLiteral("carole")}));

    ClickList(dialog, 1);
    EXPECT_EQ(dialog->LabeledEditAccountName->text(), QStringLiteral("bruno"));
    Click(dialog->ButtonDelete);
    QMessageBox* confirm = Box();
    ASSERT_TRUE(confirm);
    EXPECT_EQ(confirm->text(), QStringLiteral("Voulez vous vraiment effectuer cette opération"));
    confirm->button(QMessageBox::No)->click();
    EXPECT_EQ(TZRVLocalAccount().GetCount(), 3);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_NO_FATAL_FAILURE(ConfirmDeletion(dialog));
    EXPECT_EQ(TZRVLocalAccount().GetCount(), 2);
    EXPECT_EQ(Stored(1), QStringLiteral("anne"));
    EXPECT_EQ(Stored(2), QStringLiteral("carole"));
    EXPECT_EQ(Names(dialog), (QStringList{QStringLiteral("anne"), QStringLiteral("carole")}));
    EXPECT_EQ(Fields(dialog), QStringList(4));
    CloseDialog(dialog);

    SubmitAccount(QStringLiteral("bruno"), QStringLiteral("pw"));
    EXPECT_TRUE(WaitInfo(QStringLiteral("Communication avec le serveur impossible")));
    EXPECT_FALSE(User()->Connected());
    ASSERT_TRUE(LoginAccount(QStringLiteral("carole"), QStringLiteral("pw")));
    EXPECT_EQ(Session()->SessionType(), stLocalAccount);
}

TEST_F(SmallDialogs, ADamagedLocalAccountIsLeftOutAndTheOthersKeepTheirPlaces) {
    for (const char* name : {"anne", "bruno", "carole"})
        StoreLocal(QString::fromLatin1(name), QStringLiteral("pw"));
    TZRVLocalAccount().UpdateAccount(2, QStringLiteral("not an account"));
    StartClientOffline();
    TfrmLocalAccounts* dialog = TfrmLocalAccounts::Execute(frmMain);
    ASSERT_EQ(Names(dialog), (QStringList{QStringLiteral("anne"), QStringLiteral("carole")}));

    ClickList(dialog, 1);
    ASSERT_NO_FATAL_FAILURE(ConfirmDeletion(dialog));
    // The account shown was the one deleted.
    EXPECT_EQ(TZRVLocalAccount().GetCount(), 2);
    EXPECT_EQ(Stored(1), QStringLiteral("anne"));
    EXPECT_EQ(TZRVLocalAccount().GetAccount(2), QStringLiteral("not an account"));
    EXPECT_EQ(Names(dialog), QStringList{QStringLiteral("anne")});
}

TEST_F(SmallDialogs, AMessageToTheEmployeeReachesTheServerOnOneLine) {
    StartServer();
    StartClient();
    ASSERT_TRUE(WaitReady());
    TfrmSendMessage* dialog = TfrmSendMessage::Show(frmMain->ZRVClientConnection, frmMain);
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Envoyer un message"));
    EXPECT_EQ(dialog->LabelDestinater->text(), QStringLiteral("L'EMPLOYÉ SUR LE SERVEUR"));
    QTest::keyClicks(dialog->MemoMessage, QString(300, u'x'));
    EXPECT_EQ(dialog->MemoMessage->toPlainText(), QString(TfrmSendMessage::c_MaxMessage, u'x'));

    QPointer<TfrmSendMessage> alive(dialog);
    dialog->MemoMessage->setPlainText(QStringLiteral("Plus de papier\nà l'imprimante"));
    Click(dialog->ButtonSend);
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Message envoyé")});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
    EXPECT_TRUE(WaitUntil([this] {
        return fServerOutput.contains(QStringLiteral(": message: Plus de papier à l'imprimante\n"));
    })) << fServerOutput.toStdString();
}

TEST_F(SmallDialogs, AMessageFromTheServerNamesTheCustomerAndReachesTheWorkstation) {
    StartServer();
    AddAccount(QStringLiteral("jean"), QStringLiteral("Secret42"), 7200);
    StartClient();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(LoginAccount(QStringLiteral("jean"), QStringLiteral("Secret42")));
    ASSERT_TRUE(
        WaitUntil([this] { return Slot()->UserConnection()->Session()->SessionType() == stAccount; }));

    TfrmSendMessage* dialog = TfrmSendMessage::Show(Slot());
    EXPECT_EQ(dialog->LabelDestinater->text(), QStringLiteral("DUPONT JEAN"));
    dialog->MemoMessage->setPlainText(QStringLiteral("Fermeture à 22h"));
    Click(dialog->ButtonSend);
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Message envoyé")});
    EXPECT_TRUE(WaitUntil([this] { return NoticesSaying(QStringLiteral("Fermeture à 22h")) == 1; }));
}

TEST_F(SmallDialogs, AMessageThatCannotLeaveStaysInTheDialog) {
    StartClientOffline();
    try {
        TfrmSendMessage::Show(frmMain);
        ADD_FAILURE() << "the main controller is no connection";
    } catch (const EZRVError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Paramètre incorrect: Object client invalide"));
    }

    TfrmSendMessage* dialog = TfrmSendMessage::Show(frmMain->ZRVClientConnection, frmMain);
    dialog->MemoMessage->setPlainText(QStringLiteral("Allo ?"));
    Click(dialog->ButtonSend);
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("Message non envoyé")});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->MemoMessage->toPlainText(), QStringLiteral("Allo ?"));
    Click(dialog->ButtonCancel);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(SmallDialogs, TheConnectionSetupWritesOnlyASoundAddressAndPort) {
    TZRVClientConfig config;
    config.SetServerAddress(QStringLiteral("ancien"));
    config.SetServerPort(12345);
    QWidget owner;
    TfrmSetupClientConnection* dialog = TfrmSetupClientConnection::SetupClientConnection(&owner);
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->LabeledEditServerAddress->text(), QStringLiteral("ancien"));
    EXPECT_EQ(dialog->LabeledEditServerPort->text(), QStringLiteral("12345"));
    QSignalSpy saved(dialog, &TfrmSetupClientConnection::Saved);

    const struct {
        QString Address;
        QString Port;
        QString Warning;
    } refused[] = {
        {QStringLiteral("  "), QStringLiteral("12346"),
         QStringLiteral("Nom ou adresse IP du serveur requis")},
        {QStringLiteral("serveur"), QStringLiteral("abc"),
         QStringLiteral("Valeur du port de communication avec le serveur incorrecte")},
        {QStringLiteral("serveur"), QStringLiteral("0"),
         QStringLiteral("Valeur du port de communication avec le serveur incorrecte")},
        {QStringLiteral("serveur"), QStringLiteral("65536"),
         QStringLiteral("Valeur du port de communication avec le serveur incorrecte")},
        {QStringLiteral("serveur"), QStringLiteral("-80"),
         QStringLiteral("Valeur du port de communication avec le serveur incorrecte")},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.Port.toStdString());
        Type(dialog->LabeledEditServerAddress, c.Address);
        Type(dialog->LabeledEditServerPort, c.Port);
        Click(dialog->ButtonOk);
        EXPECT_EQ(TakeBoxes(), QStringList{c.Warning});
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(config.ServerAddress(), QStringLiteral("ancien"));
        EXPECT_EQ(config.ServerPort(), 12345);
    }
    EXPECT_EQ(saved.count(), 0);

    Type(dialog->LabeledEditServerAddress, QStringLiteral(" 192.168.1.10 "));
    Type(dialog->LabeledEditServerPort, QStringLiteral("12400"));
    Click(dialog->ButtonOk);
    EXPECT_EQ(TakeBoxes(), QStringList());
    EXPECT_EQ(config.ServerAddress(), QStringLiteral("192.168.1.10"));
    EXPECT_EQ(config.ServerPort(), 12400);
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(saved.at(0), (QVariantList{QStringLiteral("192.168.1.10"), 12400}));
    EXPECT_FALSE(dialog->isVisible());
}

} // namespace
