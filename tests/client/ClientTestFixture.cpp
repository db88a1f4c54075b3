#include "ClientTestFixture.h"

#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace zrvtest {

void ClientTest::SetUp() {
    TZRVClock::Stop(TestNow());
    TZRVServerConfig server;
    server.SetOthers_CompanyName(QStringLiteral("Café du port"));
    server.SetOthers_CompanyAddress(QStringLiteral("12 quai des Brumes"));
}

void ClientTest::TearDown() {
    fProgram.reset();
    ResetPopups();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(window))
            window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    fHost.reset();
}

void ClientTest::StartServer(quint16 aPort) {
    TZRVServeOptions options;
    options.DataBase = fDir.filePath(QStringLiteral("cafe.db"));
    options.LogFile = fDir.filePath(QStringLiteral("server.lgf"));
    options.Port = aPort;
    options.DiscoveryPort = 0;
    fHost = std::make_unique<TZRVServerHost>(options, fServerOut);
    fHost->Start();
    fPort = quint16(fHost->Server()->ServerPort());
    if (fOwnerID == 0) {
        TZRVUserAccount owner;
        owner.SetAccountName(QStringLiteral("gerant"));
        owner.SetAccountPassword(QStringLiteral("gerant"));
        owner.SecretQuestion()->SetQuestion(QStringLiteral("Ville natale ?"));
        owner.Group()->SetGroupID(1);
        ASSERT_TRUE(Db().AddAccount(&owner));
        fOwnerID = owner.AccountID();
    }
}

void ClientTest::StartClient(const QStringList& aArguments, bool aWindowed) {
    TZRVClientConfig config;
    config.SetServerAddress(QStringLiteral("127.0.0.1"));
    config.SetServerPort(fPort);
    TZRVStartOptions options;
    options.ExeName = QString::fromLatin1(c_Exe);
    options.Windowed = aWindowed;
    fProgram = std::make_unique<TZRVClientProgram>(aArguments, options, fDir.path());
    ASSERT_EQ(fProgram->Start(), -1);
    frmMain->TimerConnectTry->setInterval(100);
    frmMain->ZRVClientConnection->SetReadyDelay(1);
}

void ClientTest::StartClientOffline() {
    StartClient();
    frmMain->TimerConnectTry->setInterval(3600000);
    ASSERT_TRUE(WaitInfo(QStringLiteral("Erreur de connection")));
}

bool ClientTest::WaitReady() {
    return WaitUntil([] {
        return frmMain->ZRVClientConnection->Ready() &&
               frmClient->ShapeConnectState->Brush() == WinColor(ZRVColor::Lime);
    });
}

uint32_t ClientTest::AddTicket(const QString& aCode, uint32_t aCredit, bool aSold,
                               const QString& aHourFormula) {
    TZRVUserTicket ticket;
    ticket.SetCode(aCode);
    ticket.SetCredit(aCredit);
    ticket.SetDaysAllowed(30);
    ticket.SetHourFormulaName(aHourFormula);
    ticket.Group()->SetGroupName(QStringLiteral("Default"));
    EXPECT_TRUE(Db().AddTicket(&ticket, fOwnerID, false));
    auto stored = Db().ReadTicket(uint32_t(Db().TicketExists(aCode)));
    if (!stored)
        return 0;
    if (aSold) {
        stored->SetActive(true);
        stored->SetActivationDate(Now());
        EXPECT_TRUE(Db().UpdateTicket(stored.get()));
    }
    return stored->TicketID();
}

uint32_t ClientTest::AddAccount(const QString& aName, const QString& aPassword, uint32_t aCredit,
                                const QString& aQuestion, const QString& aAnswer) {
    TZRVUserAccount account;
    account.SetAccountName(aName);
    account.SetAccountPassword(aPassword);
    account.SetCredit(aCredit);
    account.SetActive(true);
    account.SetDaysAllowed(-1);
    account.SetFirstName(QStringLiteral("Jean"));
    account.SetSecondName(QStringLiteral("Dupont"));
    account.SecretQuestion()->SetQuestion(aQuestion.isEmpty() ? QStringLiteral("Ville natale ?") : aQuestion);
    account.SetSecretAnswer(aAnswer);
    account.Group()->SetGroupID(1);
    account.SetCreationDate(Now());
    EXPECT_TRUE(Db().AddAccount(&account));
    return account.AccountID();
}

void ClientTest::AddSecretQuestion(const QString& aQuestion) {
    TZRVSecretQuestion question;
    question.SetQuestion(aQuestion);
    EXPECT_TRUE(Db().AddSecretQuestion(&question));
}

bool ClientTest::WaitInfo(const QString& aText) const {
    return WaitUntil([&] { return Info() == aText; });
}

void ClientTest::Type(QLineEdit* aEdit, const QString& aText) {
    aEdit->clear();
    for (const QChar c : aText) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(aEdit, char(c.unicode()));
        } else {
            // A letter the test keyboard has no key for arrives as its text.
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(aEdit, &press);
        }
    }
}

void ClientTest::Click(QAbstractButton* aButton) {
    QTest::mouseClick(aButton, Qt::LeftButton);
}

void ClientTest::SubmitTicket(const QString& aCode) {
    frmClient->PageControl->setCurrentWidget(frmClient->TabSheetTicketOpenning);
    Type(frmClient->LabeledEditTicketCode, aCode);
    Click(frmClient->ButtonOpenTicket);
}

void ClientTest::SubmitAccount(const QString& aName, const QString& aPassword) {
    frmClient->PageControl->setCurrentWidget(frmClient->TabSheetAccountOpenning);
    Type(frmClient->LabeledEditAccountName, aName);
    Type(frmClient->LabeledEditAccountPassword, aPassword);
    Click(frmClient->ButtonOpenAccount);
}

bool ClientTest::LoginTicket(const QString& aCode) {
    SubmitTicket(aCode);
    return WaitUntil([] { return frmClient->PanelUserConnected->isVisible(); });
}

bool ClientTest::LoginAccount(const QString& aName, const QString& aPassword) {
    SubmitAccount(aName, aPassword);
    return WaitUntil([] { return frmClient->PanelUserConnected->isVisible(); });
}

bool ClientTest::OpenSession() {
    Click(frmClient->ButtonOpenSession);
    return WaitUntil([] { return frmTaskBar->isVisible() && !frmClient->isVisible(); });
}

int ClientTest::NoticesSaying(const QString& aText) const {
    int count = 0;
    for (const TfrmPopup* popup : Popups())
        if (popup->Infos().Msg == aText)
            ++count;
    return count;
}

TfrmPopup* ClientTest::Notice(const QString& aText) const {
    for (TfrmPopup* popup : Popups())
        if (popup->Infos().Msg == aText)
            return popup;
    return nullptr;
}

} // namespace zrvtest
