#include "Popup.h"

#include "ClientUtils.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int c_Width = 320;
constexpr int c_Margin = 8;

struct TPopups {
    QList<QPointer<TfrmPopup>> Shown;
    int LastID = 0;
    int Second = 1000;
};

TPopups& State() {
    static TPopups state;
    return state;
}

// Stacks the notices from the bottom right corner of the primary screen upwards.
void Arrange() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    int bottom = area.bottom() - c_Margin;
    for (const QPointer<TfrmPopup>& popup : State().Shown) {
        if (!popup || !popup->isVisible())
            continue;
        popup->adjustSize();
        popup->move(area.right() - c_Margin - popup->width(), bottom - popup->height());
        bottom -= popup->height() + c_Margin;
    }
}

QFont NoticeFont(const TZRVPopupInfos& aInfos) {
    QFont font = QApplication::font();
    if (!aInfos.FontName.isEmpty())
        font.setFamily(aInfos.FontName);
    if (aInfos.FontSize > 0)
        font.setPointSize(aInfos.FontSize);
    font.setBold(aInfos.FontBold);
    font.setItalic(aInfos.FontItalic);
    font.setUnderline(aInfos.FontUnderlined);
    return font;
}

} // namespace

TfrmPopup::TfrmPopup(int aID, const TZRVPopupInfos& aInfos, TZRVPopupCallBackProc aCallBack, int aCallbackId)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      fID(aID), fInfos(aInfos), fCallBack(std::move(aCallBack)), fCallbackId(aCallbackId),
      fTitle(new QLabel(aInfos.Title, this)), fMsg(new QLabel(aInfos.Msg, this)),
      fTimerClose(new QTimer(this)) {
    setObjectName(QStringLiteral("frmPopup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedWidth(c_Width);
    SetBackgroundColor(this, ZRVColor::White);
    setWindowOpacity(1.0 - std::clamp(aInfos.Transparency, 0, 255) / 255.0);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    fTitle->setFont(titleFont);
    top->addWidget(fTitle, 1);
    if (aInfos.Buttons != 0) {
        auto* close = new QToolButton(this);
        close->setObjectName(QStringLiteral("ButtonClose"));
        close->setText(QStringLiteral("\u2715"));
        close->setAutoRaise(true);
        connect(close, &QToolButton::clicked, this, &TfrmPopup::ButtonClicked);
        top->addWidget(close);
    }
    layout->addLayout(top);
    fMsg->setWordWrap(true);
    fMsg->setFont(NoticeFont(aInfos));
    SetTextColor(fMsg, aInfos.FontColor);
    layout->addWidget(fMsg);

    fTimerClose->setSingleShot(true);
    connect(fTimerClose, &QTimer::timeout, this, &QWidget::close);
    if (aInfos.TimeOut > 0)
        fTimerClose->start(aInfos.TimeOut * State().Second);
}

void TfrmPopup::ButtonClicked() {
    if (fCallBack)
        fCallBack(fID, 1, fCallbackId);
    close();
}

// The notice leaves the stack while it is still a notice (QWidget's own destructor announces its end
// when only a QWidget is left).
TfrmPopup::~TfrmPopup() {
    State().Shown.removeIf([this](const QPointer<TfrmPopup>& p) { return p.isNull() || p.data() == this; });
    Arrange();
}

int Popup(const TZRVPopupInfos& Infos, TZRVPopupCallBackProc CallBack, int CallbackId) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return 0;
    TPopups& state = State();
    auto* popup = new TfrmPopup(++state.LastID, Infos, std::move(CallBack), CallbackId);
    state.Shown.append(popup);
    popup->show();
    popup->raise();
    Arrange();
    return popup->PopupID();
}

void ResetPopups() {
    const QList<QPointer<TfrmPopup>> shown = State().Shown;
    for (const QPointer<TfrmPopup>& popup : shown)
        if (popup)
            popup->close();
}

QList<TfrmPopup*> Popups() {
    QList<TfrmPopup*> popups;
    for (const QPointer<TfrmPopup>& popup : State().Shown)
        if (popup && popup->isVisible())
            popups.append(popup.data());
    return popups;
}

void SetPopupSecond(int aMSecs) {
    State().Second = aMSecs;
}
