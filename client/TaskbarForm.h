#pragma once
// The session task bar: the thin bar shown at the bottom of the screen while a customer's session
// runs. It shows the remaining credit, which blinks when it runs low, and the time, plays the
// café's advertisements (fetched from the advertisement service, changed every few minutes), ends
// the session with its STOP button, and while it is shown keeps the café's restrictions in force and
// the folder killer running. Its menu offers the café's applications, the running ones, the
// browser commands, the session's end or pause and, as the customer's rights allow, the
// configuration and the end of the desktop session.

#include "AdsPlayer.h"
#include "ClientUtils.h"

#include "ZRVFunctions.h"
#include "ZRVPlugIn.h"
#include "ZRVSwfManager.h"
#include "ZRVSystem.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class TfrmTaskBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int c_Height = 33;

    explicit TfrmTaskBar(bool aWindowed, QWidget* aParent = nullptr);
    ~TfrmTaskBar() override;

    void DoStartBlink();
    void DoStopBlink();
    void DoLogError(const QString& aMessage, const QString& aModule, const QString& aProc,
                    const QString& aAction) const;
    void SetStayOnTop(bool Value) { fStayOnTop = Value; }
    // Places the bar along the bottom of the screen, keeping its strip from other windows.
    void PlaceBar();
    // "STOP !": closes the session, lets pending work run for a moment, then logs the customer out.
    void MnuCloseUserConnectionClick();
    // "PAUSE": closes the session only; the customer stays logged in on the lock screen.
    void MNUCloseUserSessionClick();
    // Shows exactly the commands the session's type and the account group's rights allow.
    void RefreshMenuVisibility();
    // The café's applications listed in the "ApplicationsMenu" section of the ini file, sorted.
    void RefreshApplicationsMenu();
    // The running applications, to bring to the front or to close.
    void RefreshTasksMenu();
    // The desktop's settings tools that are installed.
    void RefreshConfigPanelMenu();
    // "Menu": rebuilds the tasks menus and pops the menu up at the bar's top-left corner.
    void BitBtnMenuClick();
    void FormShow(); // on show, and again when the settings changed while the bar is up

    // The applications ini file in the data folder.
    static QString ApplicationsIniFile();
    // The advertisements' folder in the data folder, and the folder they are fetched into.
    static QString AdsFolder();
    static QString AdsTempFolder();

    // Every few hours: asks the advertisement service for its list, and meanwhile plays the
    // advertisements already in the folder, from the first.
    void TimerDownloadSwfTimer();
    // Every few minutes: the next advertisement of the list being played, after the last the first.
    void TimerChangeAdsTimer();
    // 0 while the advertisements found in the folder play, 1 once the fetched list plays.
    int ChangeAdsTag() const { return fChangeAdsTag; }

    // Opens the configuration dialog; set by whoever provides it. Unset, the item does nothing.
    std::function<void()> OnConfig;

    QWidget* PanelTaskbar;
    QLabel* LabelCredit;
    QLabel* LabelDateTime;
    QWidget* PanelAdvertisement;
    // The advertisement player, filling its panel.
    TZRVAdsPlayer* ShockwaveFlashAdv;
    // Takes the focus when the bar shows, so that no command button holds it.
    QPushButton* ButtonFocus;
    TZRVSwfManager* ZRVSwfManager;
    QPushButton* BitBtnMenu;
    QPushButton* BitBtnCloseSession;
    QMenu* PopupMenu;
    QAction* MNUAddCredit;
    QAction* MNULaunchIE;
    QAction* MNUCloseAllIE;
    QAction* MNUHomePage;
    QAction* MNUSendMessageToServer;
    QMenu* MNUApplications;
    QMenu* MNUTasks;
    QMenu* MNUCloseTasks;
    QAction* MnuCloseUserConnection;
    QAction* MNUCloseUserSession;
    QAction* MNUConfig;
    QAction* MNULocalAccounts;
    QMenu* MNUConfigPanel;
    QAction* MNUExit;
    QAction* MNUCloseWinSession;
    QAction* MNURebootWorkstation;
    QAction* MNUShutdownWorkstation;
    QTimer* TimerBlink;
    QTimer* TimerDownloadSwf;
    QTimer* TimerChangeAds;
    QTimer* TimerWRestrictions;
    QTimer* TimerMinute;
    // The pause between closing the session and closing the user connection (100 ms).
    QTimer* TimerStop;

protected:
    void showEvent(QShowEvent* aEvent) override;
    void hideEvent(QHideEvent* aEvent) override;
    void keyPressEvent(QKeyEvent* aEvent) override;
    void closeEvent(QCloseEvent* aEvent) override;
    void changeEvent(QEvent* aEvent) override;

private:
    void FormHide();
    void ApplyRestrictions(bool aShowTray);
    void TimerBlinkTimer();
    void TimerMinuteTimer();
    void CloseUserConnection();
    void CreateAdvertisements();
    void ZRVSwfManagerSwfDownloadComplete();
    void ShockwaveFlashAdvFSCommand(const QString& aCommand);
    void BuildMenu();
    // Appends one item for each menu plug-in of the plug-ins folder, in name order.
    void AddPlugInItems();
    QAction* AddItem(QMenu* aMenu, const char* aName, const char* aText, void (TfrmTaskBar::*aClick)());
    QMenu* AddSubMenu(const char* aName, const char* aText);
    // Asks aQuestion with Yes and No (No the default); aYes runs on Yes.
    void Ask(QMessageBox::Icon aIcon, const char* aTitle, const char* aQuestion, std::function<void()> aYes);
    void Warn(const QString& aText);

    void MNUAddCreditClick();
    void MNULaunchIEClick();
    void MNUCloseAllIEClick();
    void MNUHomePageClick();
    void OpenAddress(const QString& aUrl);
    void MNUSendMessageToServerClick();
    void MNUConfigClick();
    void MNULocalAccountsClick();
    void MNUExitClick();
    void MNUCloseWinSessionClick();
    void MNURebootWorkstationClick();
    void MNUShutdownWorkstationClick();
    // Asks aQuestion; on Yes lets the desktop session end and ends it as aFlags say.
    void EndDesktopSession(const char* aQuestion, TZRVWinExitFlags aFlags);
    void LaunchApplication(const QString& aPath);
    void CloseTask(TZRVWindowHandle aWindow);

    TZRVFormTexts fTexts;
    TZRVSystemEx ZRVSys;
    QStringList AppList;
    // The menu plug-ins, owned by the bar; an item's data is its plug-in's position here.
    std::vector<TZRVPlugIn*> PlugInList;
    bool fWindowed;
    bool fStayOnTop = true;
    bool fBlinkOn = false;
    int fChangeAdsTag = 0;
    // The position of the advertisement playing in its list; -1 before the first.
    int fAdsIndex = -1;
};

extern TfrmTaskBar* frmTaskBar;
