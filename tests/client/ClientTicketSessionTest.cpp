// A customer with a ticket: the refusals at login and at the session's opening, then a whole
// session counted down to its end, with the task bar, the restrictions and the warning.

#include "ClientTestFixture.h"

#include <QApplication>
#include <QMessageBox>

using namespace zrvtest;

namespace {

using TicketSession = ClientTest;

TEST_F(TicketSession, LoginsThatAreRefused) {
    StartServer();
    AddTicket(QStringLiteral("NOTSOLD1"), 3600, false);
    const uint32_t deleted = AddTicket(QStringLiteral("DELETED1"), 3600);
    ASSERT_TRUE(Db().DeleteTicket(deleted, true));
    StartClient();
    ASSERT_TRUE(WaitReady());

    struct Case {
        QString Code;
        QString Info;
        int Size;
    };
    const Case cases[] = {
        {QString(), QStringLiteral("Code de ticket vide"), 14},
        {QStringLiteral("UNKNOWN1"), QStringLiteral("Ticket introuvable"), 10},
        {QStringLiteral("NOTSOLD1"), QStringLiteral("Ce ticket n'a pas encore été vendu"), 14},
        {QStringLiteral("DELETED1"), QStringLiteral("Ce ticket a été supprimé"), 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Code.toStdString());
        frmClient->LabelInfos->clear();
        Type(frmClient->LabeledEditTicketCode, c.Code);
        Click(frmClient->ButtonOpenTicket);
        ASSERT_TRUE(WaitInfo(c.Info)) << Info().toStdString();
        EXPECT_EQ(InfoColor(), QColor(Qt::red));
        EXPECT_EQ(InfoSize(), c.Size);
        EXPECT_TRUE(frmClient->PageControl->isVisible());
        EXPECT_FALSE(frmClient->PanelUserConnected->isVisible());
        EXPECT_TRUE(WaitUntil([this] { return !User()->Connected() && !User()->Busy(); }));
    }
}

TEST_F(TicketSession, ATicketOutsideItsDaysOrHoursDoesNotOpenTheSession) {
    StartServer();
    // The test's present is a Wednesday at 10:00.
    ASSERT_GT(Db().AddHourFormula(QStringLiteral("Weekend"), 6, 0, 7, 23), 0);
    ASSERT_GT(Db().AddHourFormula(QStringLiteral("Evening"), 1, 18, 7, 23), 0);
    AddTicket(QStringLiteral("WEEKEND1"), 3600, true, QStringLiteral("Weekend"));
    AddTicket(QStringLiteral("EVENING1"), 3600, true, QStringLiteral("Evening"));
    const uint32_t expired = AddTicket(QStringLiteral("EXPIRED1"), 3600);
    auto ticket = Db().ReadTicket(expired);
    ticket->SetActivationDate(TestNow() - 10);
    ticket->SetDaysAllowed(9);
    ASSERT_TRUE(Db().UpdateTicket(ticket.get()));
    AddTicket(QStringLiteral("LOCKED01"), 3600);
    StartClient();
    ASSERT_TRUE(WaitReady());

    struct Case {
        QString Code;
        QString LockedHourFormula;
        QString Info;
    };
    const Case cases[] = {
        {QStringLiteral("WEEKEND1"), QString(),
         QStringLiteral("Ce ticket ne peut pas être utilisé actuellement !")},
        {QStringLiteral("EVENING1"), QString(),
         QStringLiteral("Ce ticket ne peut pas être utilisé actuellement !")},
        {QStringLiteral("EXPIRED1"), QString(), QStringLiteral("Date de validité dépassée")},
        {QStringLiteral("LOCKED01"), QStringLiteral("Weekend"),
         QStringLiteral("Ce ticket ne peut pas être utilisé sur ce poste !")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Code.toStdString());
        frmClient->ZRVClientConfig->SetLockedHourFormula(c.LockedHourFormula);
        ASSERT_TRUE(LoginTicket(c.Code));
        Click(frmClient->ButtonOpenSession);
        EXPECT_EQ(Info(), c.Info);
        EXPECT_EQ(InfoColor(), QColor(Qt::red));
        EXPECT_EQ(InfoSize(), 12);
        EXPECT_FALSE(Session()->Openned());
        EXPECT_TRUE(frmClient->isVisible());
        Click(frmClient->ButtonCloseUserConnection);
        ASSERT_TRUE(WaitUntil([] { return frmClient->PageControl->isVisible(); }));
    }
}

TEST_F(TicketSession, RunsFromLoginToTheEndOfTheCreditAndWritesTheTicketBack) {
    StartServer();
    const uint32_t id = AddTicket(QStringLiteral("TICKET01"), 303);
    StartClient();
    ASSERT_TRUE(WaitReady());

    ASSERT_TRUE(LoginTicket(QStringLiteral("TICKET01")));
    EXPECT_EQ(Info(), QStringLiteral("Bienvenue"));
    EXPECT_EQ(InfoColor(), QColor(Qt::green));
    EXPECT_TRUE(frmClient->LabeledEditTicketCode->text().isEmpty());
    EXPECT_EQ(frmClient->PageControlUserConnected->currentWidget(), frmClient->TabSheetGeneral);
    EXPECT_EQ(frmClient->LabelUser->text(), QStringLiteral("Ticket N° %1").arg(id));
    EXPECT_EQ(frmClient->LabelUserType->text(), QStringLiteral("Ticket d'utilisateur"));
    EXPECT_EQ(frmClient->LabelHourFormula->text(), QStringLiteral("Valable de Lundi 0 H à Dimanche 23 H"));
    EXPECT_EQ(frmClient->LabelCurrentCredit->text(), QStringLiteral("00h05m03s"));
    EXPECT_EQ(frmClient->LabelExpireDate->text(), QStringLiteral("vendredi 19 août 2011"));
    EXPECT_EQ(TextColor(frmClient->LabelExpireDate), WinColor(ZRVColor::Blue));
    EXPECT_FALSE(frmClient->PageControlUserConnected->isTabVisible(
        frmClient->PageControlUserConnected->indexOf(frmClient->TabSheetEditUserInfos)));
    EXPECT_EQ(frmTaskBar->LabelCredit->text(), QStringLiteral("00h05m03s"));

    // The session opens: the task bar replaces the lock screen, the café's restrictions apply.
    Session()->SetChangeInterval(20);
    frmClient->ComboBoxUrls->setEditText(QStringLiteral("http://example.org/"));
    FakePlatform().FakeRestrictions().ClearCalls();
    ASSERT_TRUE(OpenSession());
    EXPECT_TRUE(Session()->Openned());
    EXPECT_FALSE(FakePlatform().FakeDesktop().InputGrabbed());
    EXPECT_TRUE(frmMain->TimerKiller->isActive());
    EXPECT_TRUE(frmTaskBar->TimerWRestrictions->isActive());
    EXPECT_TRUE(FakePlatform().FakeRestrictions().DesktopVisible());
    EXPECT_FALSE(FakePlatform().FakeRestrictions().TaskManagerEnabled());
    EXPECT_TRUE(FakePlatform().FakeLauncher().Calls().contains(QStringLiteral("Open(http://example.org/)")))
        << FakePlatform().FakeLauncher().Calls().join(u' ').toStdString();
    EXPECT_EQ(FakePlatform().FakeDesktop().Reserved().value(TZRVWindowHandle(frmTaskBar->winId())),
              TfrmTaskBar::c_Height);
    EXPECT_TRUE(WaitUntil([this] { return Slot()->UserConnection()->Session()->Openned(); }));

    // It counts down; the warning comes once, at the warning level, and the credit blinks.
    const QString warning = QStringLiteral("ATTENTION VOTRE SESSION S'ACHEVE DANS MOINS DE 00h05m00s");
    ASSERT_TRUE(WaitUntil([this] { return Session()->Credit()->CreditValue() <= 298; }));
    EXPECT_EQ(NoticesSaying(warning), 1);
    EXPECT_EQ(Notice(warning)->Infos().TimeOut, 30);
    EXPECT_TRUE(frmTaskBar->TimerBlink->isActive());
    EXPECT_TRUE(frmTaskBar->LabelCredit->text().startsWith(QStringLiteral("00h04m")));

    // Credit empty: the lock screen comes back on the logged-in panel, locked again.
    Session()->Credit()->SetCreditValue(3);
    ASSERT_TRUE(WaitUntil([] { return frmClient->isVisible(); }, 5000));
    EXPECT_FALSE(frmTaskBar->isVisible());
    EXPECT_FALSE(frmMain->TimerKiller->isActive());
    EXPECT_FALSE(frmTaskBar->TimerBlink->isActive());
    EXPECT_TRUE(Popups().isEmpty());
    EXPECT_TRUE(frmClient->PanelUserConnected->isVisible());
    EXPECT_FALSE(FakePlatform().FakeRestrictions().DesktopVisible());
    EXPECT_TRUE(FakePlatform().FakeDesktop().InputGrabbed());
    EXPECT_EQ(Session()->Credit()->CreditValue(), 0u);
    EXPECT_EQ(FakePlatform().FakeDesktop().Reserved().value(TZRVWindowHandle(frmTaskBar->winId())), 0);

    Click(frmClient->ButtonCloseUserConnection);
    EXPECT_TRUE(WaitUntil([this] { return !Slot()->UserConnection()->Connected(); }));
    EXPECT_TRUE(WaitUntil([this, id] { return Db().ReadTicket(id)->Credit() == 0; }));
    EXPECT_TRUE(frmClient->PageControl->isVisible());
}

TEST_F(TicketSession, StopOnTheTaskBarClosesTheSessionThenLogsOut) {
    StartServer();
    const uint32_t id = AddTicket(QStringLiteral("TICKET02"), 3600);
    StartClient();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(LoginTicket(QStringLiteral("TICKET02")));
    Session()->SetChangeInterval(3600000);
    ASSERT_TRUE(OpenSession());
    Session()->Credit()->SetCreditValue(1800);

    Click(frmTaskBar->BitBtnCloseSession);
    EXPECT_FALSE(Session()->Openned());
    EXPECT_TRUE(User()->Connected());
    EXPECT_TRUE(frmTaskBar->TimerStop->isActive());
    ASSERT_TRUE(WaitUntil([this] { return !User()->Connected(); }));
    EXPECT_TRUE(frmClient->isVisible());
    EXPECT_TRUE(frmClient->PageControl->isVisible());
    EXPECT_TRUE(WaitUntil([this, id] { return Db().ReadTicket(id)->Credit() == 1800; }));
}

TEST_F(TicketSession, TheReloadCodeAddsCreditOnTheLoggedInPanel) {
    StartServer();
    AddTicket(QStringLiteral("TICKET03"), 600);
    AddTicket(QStringLiteral("RELOAD01"), 1800);
    StartClient();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(LoginTicket(QStringLiteral("TICKET03")));
    frmClient->PageControlUserConnected->setCurrentWidget(frmClient->TabSheetReloadCredit);

    Click(frmClient->ButtonReloadCredit);
    EXPECT_EQ(Info(), QStringLiteral("Code de recharge incorrect"));
    EXPECT_EQ(InfoSize(), 12);

    Type(frmClient->LabeledEditReloadCode, QStringLiteral("NOSUCH01"));
    Click(frmClient->ButtonReloadCredit);
    EXPECT_EQ(Info(), QStringLiteral("Opération de recharge en cours\r\nVeuillez patienter"));
    EXPECT_FALSE(frmClient->ButtonReloadCredit->isEnabled());
    ASSERT_TRUE(WaitInfo(QStringLiteral("Code de recharge introuvable")));
    EXPECT_EQ(InfoColor(), QColor(Qt::red));
    EXPECT_TRUE(frmClient->ButtonReloadCredit->isEnabled());

    Type(frmClient->LabeledEditReloadCode, QStringLiteral("RELOAD01"));
    QTest::keyClick(frmClient->LabeledEditReloadCode, Qt::Key_Return);
    ASSERT_TRUE(WaitInfo(QStringLiteral("Ajout de crédit effectué")));
    EXPECT_EQ(InfoColor(), QColor(Qt::green));
    EXPECT_EQ(frmClient->LabelCurrentCredit->text(), QStringLiteral("00h40m00s"));
    EXPECT_EQ(frmClient->PageControlUserConnected->currentWidget(), frmClient->TabSheetGeneral);
    const TfrmPopup* notice = Notice(QStringLiteral("Ajout de crédit effectué"));
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->Infos().FontSize, 16);
    EXPECT_EQ(notice->Infos().TimeOut, 5);
}

TEST_F(TicketSession, TheCreditDialogReloadsDuringASession) {
    StartServer();
    AddTicket(QStringLiteral("TICKET04"), 3600);
    AddTicket(QStringLiteral("RELOAD02"), 600);
    StartClient();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(LoginTicket(QStringLiteral("TICKET04")));
    Session()->SetChangeInterval(3600000);
    ASSERT_TRUE(OpenSession());

    frmAddCredit->show();
    Click(frmAddCredit->ButtonExecute);
    EXPECT_TRUE(WaitUntil([] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                return box->text() == QStringLiteral("Code de recharge incorrect");
        return false;
    }));

    Type(frmAddCredit->LabeledEditReloadCode, QStringLiteral("NOSUCH02"));
    Click(frmAddCredit->ButtonExecute);
    EXPECT_FALSE(frmAddCredit->ButtonExecute->isEnabled());
    EXPECT_TRUE(frmAddCredit->TimerBlink->isActive());
    ASSERT_TRUE(WaitUntil([] { return frmAddCredit->ButtonExecute->isEnabled(); }));
    EXPECT_TRUE(frmAddCredit->LabeledEditReloadCode->text().isEmpty());

    Type(frmAddCredit->LabeledEditReloadCode, QStringLiteral("RELOAD02"));
    Click(frmAddCredit->ButtonExecute);
    ASSERT_TRUE(WaitUntil([] { return !frmAddCredit->isVisible(); }));
    EXPECT_EQ(Session()->Credit()->CreditValue(), 4200u);
    EXPECT_NE(Notice(QStringLiteral("Ajout de crédit effectué")), nullptr);
}

} // namespace
