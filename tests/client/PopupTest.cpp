// Notices: shown above everything, each with its identifier, closing after their time-out, by
// their button, or all at once.

#include "Popup.h"

#include "ClientUtils.h"

#include "support/EventLoop.h"

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace zrvtest;

namespace {

class Notices : public ::testing::Test {
protected:
    void TearDown() override {
        ResetPopups();
        SetPopupSecond(1000);
    }
    static TZRVPopupInfos Infos(const QString& aMessage, int aTimeOut, int aButtons = 0) {
        TZRVPopupInfos infos;
        infos.Title = QStringLiteral("Client tikora manager");
        infos.Msg = aMessage;
        infos.FontSize = 16;
        infos.FontBold = true;
        infos.FontColor = ZRVColor::Red;
        infos.TimeOut = aTimeOut;
        infos.Buttons = aButtons;
        return infos;
    }
};

TEST_F(Notices, EachHasItsIdentifierAndAllCloseAtOnce) {
    const int first = Popup(Infos(QStringLiteral("un"), 0));
    const int second = Popup(Infos(QStringLiteral("deux"), 0));
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
    ASSERT_EQ(Popups().size(), 2);
    const TfrmPopup* shown = Popups().first();
    EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(shown->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(shown->LabelMsg()->text(), QStringLiteral("un"));
    EXPECT_EQ(shown->LabelMsg()->font().pointSize(), 16);
    EXPECT_TRUE(shown->LabelMsg()->font().bold());
    EXPECT_EQ(TextColor(shown->LabelMsg()), QColor(Qt::red));
    // Stacked upwards, never over one another.
    EXPECT_LT(Popups().at(1)->geometry().bottom(), shown->geometry().top());

    ResetPopups();
    EXPECT_TRUE(Popups().isEmpty());
}

TEST_F(Notices, ANoticeGoesAfterItsTimeOutOrByItsButton) {
    SetPopupSecond(10);
    Popup(Infos(QStringLiteral("bientôt"), 3));
    int pressed = 0;
    const int withButton = Popup(
        Infos(QStringLiteral("bouton"), 0, 1),
        [&](int aID, int aButton, int aCallbackId) {
            EXPECT_EQ(aButton, 1);
            EXPECT_EQ(aCallbackId, 7);
            pressed = aID;
        },
        7);
    EXPECT_EQ(Popups().first()->TimerClose()->interval(), 30);
    EXPECT_TRUE(WaitUntil([] { return Popups().size() == 1; }));
    EXPECT_EQ(Popups().first()->Infos().Msg, QStringLiteral("bouton"));
    QTest::mouseClick(Popups().first()->findChild<QToolButton*>(QStringLiteral("ButtonClose")),
                      Qt::LeftButton);
    EXPECT_EQ(pressed, withButton);
    EXPECT_TRUE(Popups().isEmpty());
}

} // namespace
