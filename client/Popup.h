#pragma once
// Notices that stay visible above every window, also while the lock screen is hidden: small
// frameless windows stacked from the bottom right corner of the screen upwards, each closing
// itself after its time-out.

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QTimer;

// What a notice shows. FontName empty takes the default face; colours are 0x00BBGGRR values.
struct TZRVPopupInfos {
    QString Title;
    QString Msg;
    QString FontName;
    int FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderlined = false;
    quint32 FontColor = 0;
    // Non-zero shows a close button.
    int Buttons = 0;
    // Seconds the notice stays; 0 keeps it until it is closed.
    int TimeOut = 0;
    // 0 (opaque) ... 255 (invisible).
    int Transparency = 0;
};

// Called with the notice, the button pressed (1, the close button) and the caller's identifier.
using TZRVPopupCallBackProc = std::function<void(int PopupID, int Button, int CallbackId)>;

// Shows a notice; its identifier (greater than 0), or 0 when no notice can be shown.
int Popup(const TZRVPopupInfos& Infos, TZRVPopupCallBackProc CallBack = nullptr, int CallbackId = 0);
// Closes every notice still shown.
void ResetPopups();

class TfrmPopup : public QWidget {
    Q_OBJECT
public:
    TfrmPopup(int aID, const TZRVPopupInfos& aInfos, TZRVPopupCallBackProc aCallBack, int aCallbackId);
    ~TfrmPopup() override;

    int PopupID() const { return fID; }
    const TZRVPopupInfos& Infos() const { return fInfos; }
    QLabel* LabelTitle() const { return fTitle; }
    QLabel* LabelMsg() const { return fMsg; }
    QTimer* TimerClose() const { return fTimerClose; }

private:
    void ButtonClicked();

    int fID;
    TZRVPopupInfos fInfos;
    TZRVPopupCallBackProc fCallBack;
    int fCallbackId;
    QLabel* fTitle;
    QLabel* fMsg;
    QTimer* fTimerClose;
};

// The notices shown now, oldest first.
QList<TfrmPopup*> Popups();
// Milliseconds in one second of a time-out (1000); tests shorten it.
void SetPopupSecond(int aMSecs);
