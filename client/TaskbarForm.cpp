#include "TaskbarForm.h"

#include "AddCreditForm.h"
#include "MainForm.h"
#include "Popup.h"
#include "PrjConst.h"

#include "KLocalizerOnFly.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>

TfrmTaskBar* frmTaskBar = nullptr;

using namespace PrjConst;

namespace {

void SetColors(QWidget* aWidget, quint32 aBackground, quint32 aText) {
    SetBackgroundColor(aWidget, aBackground);
    SetTextColor(aWidget, aText);
}

} // namespace

TfrmTaskBar::TfrmTaskBar(bool aWindowed, QWidget* aParent)
    : QWidget(aParent), PanelTaskbar(new QWidget(this)), LabelCredit(new QLabel(PanelTaskbar)),
      LabelDateTime(new QLabel(PanelTaskbar)), BitBtnCloseSession(new QPushButton(PanelTaskbar)),
      TimerBlink(new QTimer(this)), TimerWRestrictions(new QTimer(this)), TimerMinute(new QTimer(this)),
      TimerStop(new QTimer(this)), fWindowed(aWindowed) {
    frmTaskBar = this;
    setObjectName(QStringLiteral("frmTaskBar"));
    if (!aWindowed)
        setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    SetBackgroundColor(this, ZRVColor::Black);
    resize(792, c_Height);
    setFixedHeight(c_Height);

    PanelTaskbar->setObjectName(QStringLiteral("PanelTaskbar"));
    LabelCredit->setObjectName(QStringLiteral("LabelCredit"));
    LabelCredit->setText(QString::fromLatin1(c_CreditZero));
    QFont creditFont = LabelCredit->font();
    creditFont.setPointSize(14);
    LabelCredit->setFont(creditFont);
    LabelDateTime->setObjectName(QStringLiteral("LabelDateTime"));
    LabelDateTime->setText(QStringLiteral("00:00 "));
    LabelDateTime->hide();
    DoStopBlink();
    BitBtnCloseSession->setObjectName(QStringLiteral("BitBtnCloseSession"));

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(PanelTaskbar);
    auto* layout = new QHBoxLayout(PanelTaskbar);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(LabelCredit);
    layout->addWidget(LabelDateTime);
    layout->addStretch(1);
    layout->addWidget(BitBtnCloseSession);

    fTexts.Text(BitBtnCloseSession, c_Stop);
    fTexts.ToolTip(BitBtnCloseSession, c_CloseSessionHint);

    TimerBlink->setInterval(500);
    connect(TimerBlink, &QTimer::timeout, this, Guarded([this] { TimerBlinkTimer(); }));
    TimerWRestrictions->setInterval(2000);
    connect(TimerWRestrictions, &QTimer::timeout, this, Guarded([this] { ApplyRestrictions(false); }));
    TimerMinute->setInterval(60000);
    connect(TimerMinute, &QTimer::timeout, this, Guarded([this] { TimerMinuteTimer(); }));
    TimerMinute->start();
    TimerStop->setInterval(100);
    TimerStop->setSingleShot(true);
    connect(TimerStop, &QTimer::timeout, this, Guarded([this] { CloseUserConnection(); }));
    connect(BitBtnCloseSession, &QPushButton::clicked, this,
            Guarded([this](bool) { MnuCloseUserConnectionClick(); }));
    TimerMinuteTimer();
}

void TfrmTaskBar::DoLogError(const QString& aMessage, const QString& aModule, const QString& aProc,
                             const QString& aAction) const {
    frmMain->LogError(aMessage, aModule, aProc, aAction);
}

// ---------------------------------------------------------------------------------------------
// Showing and hiding

void TfrmTaskBar::showEvent(QShowEvent* aEvent) {
    QWidget::showEvent(aEvent);
    FormShow();
}

void TfrmTaskBar::hideEvent(QHideEvent* aEvent) {
    QWidget::hideEvent(aEvent);
    // A minimised bar is not a hidden one.
    if (!aEvent->spontaneous())
        FormHide();
}

void TfrmTaskBar::FormShow() {
    ApplyRestrictions(true);
    frmMain->TimerKiller->start();
    TimerWRestrictions->start();
    PlaceBar();
    BitBtnCloseSession->setFocus();
}

void TfrmTaskBar::FormHide() {
    LabelCredit->clear();
    frmAddCredit->hide();
    frmMain->TimerKiller->stop();
    TimerWRestrictions->stop();
    DoStopBlink();
    ResetPopups();
    if (!fWindowed)
        Platform().Desktop().ReserveScreenEdge(TZRVWindowHandle(winId()), TZRVScreenEdge::Bottom, 0);
}

void TfrmTaskBar::PlaceBar() {
    if (fWindowed)
        return;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        setGeometry(area.left(), area.bottom() - c_Height + 1, area.width(), c_Height);
    }
    if (isVisible())
        Platform().Desktop().ReserveScreenEdge(TZRVWindowHandle(winId()), TZRVScreenEdge::Bottom, c_Height);
}

// On show every restriction is applied; on the timer the shell's task bar is only ever hidden, so
// that a customer who hid it some other way does not see it come back.
void TfrmTaskBar::ApplyRestrictions(bool aShowTray) {
    if (fWindowed)
        return;
    const TZRVClientConfig& config = *frmMain->ZRVClientConfig;
    TZRVLockWindows& restrictions = *frmMain->ZRVLockWindows;
    restrictions.SetDesktopVisible(config.WRDesktopVisible());
    if (aShowTray || !config.WRShellTrayVisible())
        restrictions.SetShellTrayWindowVisible(config.WRShellTrayVisible());
    restrictions.SetCtrlAltDelEnabled(config.WRTaskMgrEnabled());
    restrictions.SetFaskTaskSwitchEnabled(config.WRFastTaskSwitchEnabled());
    restrictions.SetStartMenuEnabled(config.WRStartMenuEnabled());
}

void TfrmTaskBar::closeEvent(QCloseEvent* aEvent) {
    // The bar goes when the session ends, never by a close request.
    aEvent->ignore();
}

void TfrmTaskBar::changeEvent(QEvent* aEvent) {
    if (aEvent->type() == QEvent::LanguageChange) {
        fTexts.Apply();
        TimerMinuteTimer();
    }
    QWidget::changeEvent(aEvent);
}

// ---------------------------------------------------------------------------------------------
// Credit, blinking and time

void TfrmTaskBar::DoStartBlink() {
    // The session's last tick may warn after the bar is gone: nothing to blink then.
    if (isVisible())
        TimerBlink->start();
}

void TfrmTaskBar::DoStopBlink() {
    TimerBlink->stop();
    fBlinkOn = false;
    SetColors(LabelCredit, ZRVColor::Black, ZRVColor::Lime);
    SetColors(LabelDateTime, ZRVColor::Black, ZRVColor::White);
}

void TfrmTaskBar::TimerBlinkTimer() {
    if (!frmMain->ZRVClientConnection->UserConnection()->Session()->CreditLow()) {
        DoStopBlink();
        return;
    }
    fBlinkOn = !fBlinkOn;
    SetColors(LabelCredit, fBlinkOn ? ZRVColor::Black : ZRVColor::Lime,
              fBlinkOn ? ZRVColor::Yellow : ZRVColor::Black);
    SetColors(LabelDateTime, fBlinkOn ? ZRVColor::Black : ZRVColor::Lime,
              fBlinkOn ? ZRVColor::White : ZRVColor::Black);
}

void TfrmTaskBar::TimerMinuteTimer() {
    const QLocale locale = TKLocalizerOnFly::Locale();
    const QDateTime now = DateTimeToQDateTime(Now());
    LabelDateTime->setText(locale.toString(now, QStringLiteral(" HH:mm ")));
    LabelDateTime->setToolTip(locale.toString(now, QStringLiteral(" dddd dd MMMM yyyy  HH:mm ")));
}

// ---------------------------------------------------------------------------------------------
// Commands

void TfrmTaskBar::MnuCloseUserConnectionClick() {
    frmMain->ZRVClientConnection->UserConnection()->Session()->Close();
    // The session's last report leaves before the customer is logged out.
    TimerStop->start();
}

void TfrmTaskBar::CloseUserConnection() {
    frmMain->ZRVClientConnection->UserConnection()->Close();
}
