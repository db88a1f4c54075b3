// The lock screen's own behaviour: an ordinary window when tried on one's own desktop, the idle
// screen saver, the background pictures, the extra logo and the status line's life.

#include "ClientTestFixture.h"

#include "platform/ZRVRegistry.h"

#include <QDir>
#include <QImage>
#include <QMouseEvent>

using namespace zrvtest;

namespace {

bool SavePicture(const QString& aFile, QSize aSize) {
    QImage picture(aSize, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    return picture.save(aFile);
}

using LockScreen = ClientTest;

TEST_F(LockScreen, InAnOrdinaryWindowNothingIsGrabbedLockedOrInstalled) {
    StartClient({}, true);
    ASSERT_TRUE(frmClient->isVisible());
    EXPECT_FALSE(frmClient->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(FakePlatform().FakeDesktop().InputGrabbed());
    const TZRVFakeRestrictions& restrictions = FakePlatform().FakeRestrictions();
    EXPECT_TRUE(restrictions.DesktopVisible());
    EXPECT_TRUE(restrictions.ShellTrayVisible());
    EXPECT_TRUE(restrictions.StartMenuEnabled());
    EXPECT_TRUE(restrictions.FastTaskSwitchEnabled());
    EXPECT_TRUE(restrictions.TaskManagerEnabled());
    EXPECT_FALSE(QFile::exists(fDir.filePath(QStringLiteral("config/autostart/zrv2_client.desktop"))));
    fProgram.reset();
    EXPECT_TRUE(FakePlatform().FakeSession().Calls().filter(QStringLiteral("End(")).isEmpty());
}

TEST_F(LockScreen, TheKeysGoWhereTheCustomerCarriesOn) {
    StartServer();
    AddTicket(QStringLiteral("TICKET10"), 3600);
    StartClient();
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(frmClient->focusWidget(), frmClient->LabeledEditTicketCode);
    frmClient->PageControl->setCurrentWidget(frmClient->TabSheetAccountOpenning);
    EXPECT_EQ(frmClient->focusWidget(), frmClient->LabeledEditAccountName);
    frmClient->PageControl->setCurrentWidget(frmClient->TabSheetTicketOpenning);
    EXPECT_EQ(frmClient->focusWidget(), frmClient->LabeledEditTicketCode);

    ASSERT_TRUE(LoginTicket(QStringLiteral("TICKET10")));
    EXPECT_EQ(frmClient->focusWidget(), frmClient->ButtonOpenSession);
    ASSERT_TRUE(WaitUntil([this] { return Slot() && Slot()->UserConnection()->Connected(); }));
    Slot()->CommandCloseUserConnection();
    ASSERT_TRUE(WaitUntil([this] { return !User()->Connected(); }));
    EXPECT_EQ(frmClient->focusWidget(), frmClient->LabeledEditTicketCode);
}

TEST_F(LockScreen, TheIdleScreenSaverLeavesOnlyTheBackground) {
    StartClient();
    frmClient->TimerMyScreenSaver->setInterval(30);
    frmClient->ResetMyScreenSaver();
    ASSERT_TRUE(WaitUntil([] { return !frmClient->PageControl->isVisible(); }));
    EXPECT_FALSE(frmClient->PanelInfos->isVisible());
    EXPECT_TRUE(frmClient->ImageBkg->isVisible());

    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(frmClient->ImageBkg, &move);
    EXPECT_TRUE(frmClient->PageControl->isVisible());
    EXPECT_TRUE(frmClient->PanelInfos->isVisible());
    EXPECT_TRUE(frmClient->TimerMyScreenSaver->isActive());
}

TEST_F(LockScreen, TheBackgroundIsASlideShowOfThePicturesFolderOrOnePicture) {
    const QString folder = fData.File(QStringLiteral("Pictures"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(SavePicture(folder + QStringLiteral("/a.bmp"), QSize(20, 10)));
    ASSERT_TRUE(SavePicture(folder + QStringLiteral("/b.jpg"), QSize(30, 10)));
    // Extensions are taken as the café's installer writes them: exactly.
    ASSERT_TRUE(SavePicture(folder + QStringLiteral("/c.BMP"), QSize(40, 10)));
    ASSERT_TRUE(SavePicture(folder + QStringLiteral("/d.png"), QSize(50, 10)));
    TZRVClientConfig config;
    config.SetDiaporamaDelay(40);
    StartClient();
    EXPECT_EQ(frmClient->Pictures,
              QStringList({folder + QStringLiteral("/a.bmp"), folder + QStringLiteral("/b.jpg")}));
    EXPECT_EQ(frmClient->TimerChangePicture->interval(), 40);
    EXPECT_EQ(frmClient->ImageBkg->pixmap().width(), 20);
    // The pictures follow one another and the first comes back after the last.
    QList<int> shown;
    EXPECT_TRUE(WaitUntil([&] {
        const int width = frmClient->ImageBkg->pixmap().width();
        if (shown.isEmpty() || shown.last() != width)
            shown << width;
        return shown.size() >= 3;
    }));
    EXPECT_EQ(shown.mid(0, 3), QList<int>({20, 30, 20}));

    config.SetBackgroundMode(0);
    config.SetSingleImageFile(folder + QStringLiteral("/d.png"));
    frmClient->InitPictureList();
    EXPECT_EQ(frmClient->ImageBkg->pixmap().width(), 50);
    EXPECT_FALSE(frmClient->TimerChangePicture->isActive());
}

TEST_F(LockScreen, WithoutPicturesTheSlideShowChangesNothing) {
    StartClient();
    EXPECT_TRUE(frmClient->Pictures.isEmpty());
    EXPECT_EQ(frmClient->TimerChangePicture->interval(), 1000);
    EXPECT_TRUE(frmClient->ImageBkg->pixmap().isNull());
}

TEST_F(LockScreen, TheExtraLogoShowsWhenTheInstallationHasOne) {
    StartServer();
    StartClient();
    ASSERT_TRUE(WaitReady());
    EXPECT_TRUE(frmClient->img_additional_logo->pixmap().isNull());
    ASSERT_TRUE(SavePicture(fData.File(QStringLiteral("additional.png")), QSize(64, 32)));
    frmClient->FormActivate();
    EXPECT_EQ(frmClient->img_additional_logo->pixmap().size(), QSize(64, 32));
}

TEST_F(LockScreen, AMessageStaysItsTimeAfterTheLastOne) {
    StartClientOffline();
    frmClient->TimerClearInfos->setInterval(40);
    frmClient->ShowInfo(QStringLiteral("un"), ZRVColor::Yellow, 12);
    RunEventsFor(25);
    frmClient->ShowInfo(QStringLiteral("deux"), ZRVColor::Lime, 10);
    RunEventsFor(25);
    EXPECT_EQ(Info(), QStringLiteral("deux"));
    EXPECT_EQ(InfoColor(), QColor(Qt::green));
    EXPECT_EQ(InfoSize(), 10);
    EXPECT_TRUE(WaitUntil([this] { return Info().isEmpty(); }));
}

} // namespace
