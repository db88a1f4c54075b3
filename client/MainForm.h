#pragma once
// The workstation program's hidden controller: it owns the error logger, the configuration, the
// link to the server and the restriction service, turns every event of the link into changes of
// the lock screen, the session task bar and the credit dialog, and decides whether the desktop
// session may end and whether the program may quit.

#include "ClientUtils.h"

#include "ZRVClientConfig.h"
#include "ZRVClientConnection.h"
#include "ZRVErrorLogger.h"
#include "ZRVSystem.h"

#include <QAction>
#include <QTimer>
#include <QWidget>

struct TZRVPopupInfos;

// How the program was started, as the controller needs it.
struct TZRVStartOptions {
    // The program's file, written into its start entries.
    QString ExeName;
    // An ordinary window on a developer's desktop: nothing is installed into the desktop session.
    bool Windowed = false;
};

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    // BootCount above this, with no desktop shell running, turns the automatic start off.
    static constexpr int c_MaxAbnormalStarts = 13;

    explicit TfrmMain(const TZRVStartOptions& aOptions, QWidget* aParent = nullptr);
    ~TfrmMain() override;

    TZRVErrorLogger* ZRVErrorLogger;
    TZRVClientConfig* ZRVClientConfig;
    TZRVClientConnection* ZRVClientConnection;
    TZRVLockWindows* ZRVLockWindows;
    QTimer* TimerConnectTry;
    QTimer* TimerKiller;
    QAction* ActionTryConnect;
    QAction* ActionConnected;
    QAction* ActionReady;
    QAction* ActionDisconnected;
    QAction* ActionShutDownModule;
    QAction* ActionLaunchModule;

    // The program may quit; while false every quit request is refused.
    bool CanCloseApp = false;
    bool CanExitWindows() const { return fCanExitWindows; }
    void SetCanExitWindows(bool Value);

    // May the desktop session end now? Refusing shows the notice.
    bool QueryEndSession();
    // The session manager is ending the session: refused while QueryEndSession refuses.
    void EndSessionRequested(bool& aCancel);
    // A second start of the program sends this; aWParam becomes the module's sleep state.
    void WakeUpMessage(int aWParam);
    // Something outside asks the program to quit (a signal, a window close): done only when
    // CanCloseApp allows it, or when the program runs in an ordinary window.
    void QuitRequested();
    // Sets CanCloseApp and ends the program normally.
    void CloseApp();

    // Both connection indicators from the link's state.
    void RefreshIndicators();

    // An error that reached the program: shown on the lock screen while it is visible.
    void ApplicationEventsException(const std::exception& E);

    // Writes the four texts to the error log.
    void LogError(const QString& aMessage, const QString& aUnit, const QString& aProcedure,
                  const QString& aAction) const;
    // Shows a notice; a failure is logged under the procedure aProcedure of unit aUnit.
    void ShowNotice(const TZRVPopupInfos& aInfos, const QString& aUnit, const QString& aProcedure) const;

signals:
    // The program ends now, normally.
    void Terminating();

protected:
    void showEvent(QShowEvent* aEvent) override;
    void closeEvent(QCloseEvent* aEvent) override;
    void changeEvent(QEvent* aEvent) override;

private:
    void FormCreate();
    void WriteRunEntry();
    void CountBoot();
    // Attaches (or takes away) every handler of the connection's events.
    void WireConnection(bool aAttach);
    void UpdateEndBlock();

    void ActionTryConnectExecute();
    void ActionConnectedExecute();
    void ActionReadyExecute();
    void ActionDisconnectedExecute();
    void ActionShutDownModuleExecute();
    void ActionLaunchModuleExecute();
    void TimerKillerTimer();

    void ZRVClientConnectionConnect();
    void ZRVClientConnectionDisconnect();
    void ZRVClientConnectionReady();
    void ZRVClientConnectionSocketError();
    void ZRVClientConnectionServerPing();
    void ZRVClientConnectionInfoMessage(const QString& msg);
    void ZRVClientConnectionSecretQuestionListAvailable();
    void ZRVClientConnectionQueryCloseClientModule();
    void ZRVClientConnectionQueryLaunchClientModule();
    void ZRVClientConnectionShutdownStateChange();
    void ZRVClientConnectionQueryRebootWorkStation();
    void ZRVClientConnectionQueryShutdownWorkStation();
    void ZRVClientConnectionUserConnectionOpen();
    void ZRVClientConnectionUserConnectionFail();
    void ZRVClientConnectionUserConnectionClose();
    void ZRVClientConnectionUserConnectionPasswordRetrieved();
    void ZRVClientConnectionUserSessionStart();
    void ZRVClientConnectionUserSessionStop();
    void ZRVClientConnectionUserSessionCreditChange();
    void ZRVClientConnectionUserSessionCreditEmpty();
    void ZRVClientConnectionUserSessionWarnCredit();
    void ZRVClientConnectionUserConnectionAddCredit();
    void ZRVClientConnectionUserConnectionFixCredit();
    void CreditChanged(const char* aText, quint32 aNoticeColor);
    void ZRVClientConnectionUserConnectionAccountCreated();
    void ZRVClientConnectionUserConnectionAccountUpdated();
    bool AcceptAccount();
    bool AcceptTicket();

    void SetIndicators(quint32 aShapeColor, quint32 aPanelColor);
    void ShowClientNotice(const QString& aMessage, int aSize, quint32 aColor, int aTimeOut,
                          const QString& aProcedure, bool aButtons = true) const;

    TZRVFormTexts fTexts;
    TZRVStartOptions fOptions;
    bool fCanExitWindows = false;
};

extern TfrmMain* frmMain;
