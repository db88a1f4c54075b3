#pragma once
// The session task bar: the thin bar shown at the bottom of the screen while a customer's session
// runs. It shows the remaining credit, which blinks when it runs low, and the time, ends the
// session with its STOP button, and while it is shown keeps the café's restrictions in force and
// the folder killer running.

#include "ClientUtils.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

class TfrmTaskBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int c_Height = 33;

    explicit TfrmTaskBar(bool aWindowed, QWidget* aParent = nullptr);

    void DoStartBlink();
    void DoStopBlink();
    void DoLogError(const QString& aMessage, const QString& aModule, const QString& aProc,
                    const QString& aAction) const;
    void SetStayOnTop(bool Value) { fStayOnTop = Value; }
    // Places the bar along the bottom of the screen, keeping its strip from other windows.
    void PlaceBar();
    // "STOP !": closes the session, lets pending work run for a moment, then logs the customer out.
    void MnuCloseUserConnectionClick();

    QWidget* PanelTaskbar;
    QLabel* LabelCredit;
    QLabel* LabelDateTime;
    QPushButton* BitBtnCloseSession;
    QTimer* TimerBlink;
    QTimer* TimerWRestrictions;
    QTimer* TimerMinute;
    // The pause between closing the session and closing the user connection (100 ms).
    QTimer* TimerStop;

protected:
    void showEvent(QShowEvent* aEvent) override;
    void hideEvent(QHideEvent* aEvent) override;
    void closeEvent(QCloseEvent* aEvent) override;
    void changeEvent(QEvent* aEvent) override;

private:
    void FormShow();
    void FormHide();
    void ApplyRestrictions(bool aShowTray);
    void TimerBlinkTimer();
    void TimerMinuteTimer();
    void CloseUserConnection();

    TZRVFormTexts fTexts;
    bool fWindowed;
    bool fStayOnTop = true;
    bool fBlinkOn = false;
};

extern TfrmTaskBar* frmTaskBar;
