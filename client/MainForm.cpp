#include "MainForm.h"

#include "AddCreditForm.h"
#include "ClientForm.h"
#include "ClientSystem.h"
#include "Popup.h"
#include "PrjConst.h"
#include "TaskbarForm.h"

#include "ZRVFunctions.h"
#include "platform/ZRVFolders.h"
#include "platform/ZRVRegistry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>

TfrmMain* frmMain = nullptr;

using namespace PrjConst;

namespace {

const QString c_Unit = QStringLiteral("MainForm");
const QString c_RunValue = QStringLiteral("zrv2_client");
const QString c_RegistryRunArgument = QStringLiteral("REGISTRYRUN");
const QString c_AddCreditProcedure = QStringLiteral("TfrmMain.ZRVClientConnectionUserConnectionAddCredit");

// Passwords compare as the café's server compares them: ASCII letters in either case.
bool SameTextAscii(const QString& aLeft, const QString& aRight) {
    if (aLeft.size() != aRight.size())
        return false;
    const auto fold = [](QChar c) { return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + 32) : c; };
    for (qsizetype i = 0; i < aLeft.size(); ++i)
        if (fold(aLeft[i]) != fold(aRight[i]))
            return false;
    return true;
}

QString What(const std::exception& aError) {
    if (const auto* error = dynamic_cast<const EZRVError*>(&aError))
        return error->Message();
    return QString::fromLocal8Bit(aError.what());
}

TZRVPopupInfos Notice(const QString& aTitle, const QString& aMessage, int aSize, bool aBold, quint32 aColor,
                      int aTimeOut, int aButtons) {
    TZRVPopupInfos infos;
    infos.Title = aTitle;
    infos.Msg = aMessage;
    infos.FontSize = aSize;
    infos.FontBold = aBold;
    infos.FontColor = aColor;
    infos.TimeOut = aTimeOut;
    infos.Buttons = aButtons;
    return infos;
}

// The XDG autostart entry of the desktop session that starts the program as its Run value does. It
// has the name of the entry the workstation's package installs for every user, so that it stands
// in for it instead of starting the program a second time; like that one it starts the program
// under its supervisor when the supervisor is installed beside it, and not in our own session.
void WriteAutostartEntry(const QString& aExeName) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/autostart");
    if (!QDir().mkpath(folder))
        throw EZRVError(QStringLiteral("The folder %1 cannot be created").arg(folder));
    QSaveFile file(folder + u'/' + c_RunValue + QStringLiteral(".desktop"));
    if (!file.open(QIODevice::WriteOnly))
        throw EZRVError(file.errorString());
    const QString supervisor = QFileInfo(aExeName).dir().filePath(QStringLiteral("zrv2-supervise"));
    const QString command = QFileInfo(supervisor).isExecutable()
                                ? QStringLiteral("\"%1\" \"%2\"").arg(supervisor, aExeName)
                                : QStringLiteral("\"%1\"").arg(aExeName);
    const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2 %3\n"
                                         "NoDisplay=true\nNotShowIn=ZRV2;\nX-GNOME-Autostart-enabled=true\n")
                              .arg(QString::fromLatin1(c_ApplicationTitle), command, c_RegistryRunArgument);
    file.write(entry.toUtf8());
    if (!file.commit())
        throw EZRVError(file.errorString());
}

// The café's settings refuse some end of the desktop session.
bool EndLocked(const TZRVClientConfig& aConfig) {
    return aConfig.WRLockReboot() || aConfig.WRLockShutdown() || aConfig.WRLockLogOff();
}

} // namespace

TfrmMain::TfrmMain(const TZRVStartOptions& aOptions, QWidget* aParent)
    : QWidget(aParent, Qt::FramelessWindowHint), ZRVErrorLogger(new TZRVErrorLogger(this)),
      ZRVClientConfig(new TZRVClientConfig(this)), ZRVClientConnection(new TZRVClientConnection(this)),
      ZRVLockWindows(new TZRVLockWindows(this)), TimerConnectTry(new QTimer(this)),
      TimerKiller(new QTimer(this)), ActionTryConnect(new QAction(this)), ActionConnected(new QAction(this)),
      ActionReady(new QAction(this)), ActionDisconnected(new QAction(this)),
      ActionShutDownModule(new QAction(this)), ActionLaunchModule(new QAction(this)), fOptions(aOptions) {
    frmMain = this;
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(c_MainFormCaption));
    SetApplicationErrorReport([this](const std::exception& e) { ApplicationEventsException(e); });

    ZRVClientConnection->SetErrorLogger(ZRVErrorLogger);
    ZRVClientConnection->SetServerAddress(QStringLiteral("serveur"));
    ZRVClientConnection->SetServerPort(TZRVCustomClientConnection::c_DefaultServerPort);
    ZRVClientConnection->SetClientPingTimeOut(30000);
    ZRVClientConnection->SetClientPingInterval(60000);
    ZRVClientConnection->SetClientPingEnabled(false);
    // Killed and started again by its supervisor, the program hands the running session back.
    ZRVClientConnection->UserConnection()->SetKeepSession(true);
    WireConnection(true);

    const std::pair<QAction*, const char*> actions[] = {{ActionTryConnect, c_ActionTryConnect},
                                                        {ActionConnected, c_ActionConnected},
                                                        {ActionReady, c_ActionReady},
                                                        {ActionDisconnected, c_ActionDisconnected},
                                                        {ActionShutDownModule, c_ActionShutDownModule},
                                                        {ActionLaunchModule, c_ActionLaunchModule}};
    for (const auto& [action, text] : actions)
        fTexts.Text(action, text);
    connect(ActionTryConnect, &QAction::triggered, this,
            Guarded([this](bool) { ActionTryConnectExecute(); }));
    connect(ActionConnected, &QAction::triggered, this, Guarded([this](bool) { ActionConnectedExecute(); }));
    connect(ActionReady, &QAction::triggered, this, Guarded([this](bool) { ActionReadyExecute(); }));
    connect(ActionDisconnected, &QAction::triggered, this,
            Guarded([this](bool) { ActionDisconnectedExecute(); }));
    connect(ActionShutDownModule, &QAction::triggered, this,
            Guarded([this](bool) { ActionShutDownModuleExecute(); }));
    connect(ActionLaunchModule, &QAction::triggered, this,
            Guarded([this](bool) { ActionLaunchModuleExecute(); }));

    TimerConnectTry->setInterval(15000);
    connect(TimerConnectTry, &QTimer::timeout, ActionTryConnect, &QAction::trigger);
    TimerConnectTry->start();
    // The first attempt does not wait for the first tick: a restarted workstation gets its link
    // (and its session back) at once.
    QTimer::singleShot(0, ActionTryConnect, &QAction::trigger);
    TimerKiller->setInterval(1500);
    connect(TimerKiller, &QTimer::timeout, this, Guarded([this] { TimerKillerTimer(); }));

    FormCreate();
}

TfrmMain::~TfrmMain() {
    // The connection raises no more events into forms that are gone.
    WireConnection(false);
    try {
        ZRVClientConfig->SetBootCount(0);
        if (!fOptions.Windowed) {
            ZRVLockWindows->SetCtrlAltDelEnabled(ZRVClientConfig->WRTaskMgrEnabled());
            if (ZRVLockWindows->GetExplorerEnabled()) {
                ZRVLockWindows->SetDesktopVisible(true);
                ZRVLockWindows->SetFaskTaskSwitchEnabled(true);
                ZRVLockWindows->SetStartMenuEnabled(true);
                ZRVLockWindows->SetShellTrayWindowVisible(true);
            } else {
                // The program was the session's shell: its end is the workstation's.
                WinExit(c_EWX_SHUTDOWN | c_EWX_FORCE | c_EWX_POWEROFF);
            }
        }
    } catch (const std::exception& e) {
        LogError(What(e), c_Unit, QStringLiteral("TfrmMain.FormDestroy"), QStringLiteral("Nothing"));
    }
    SetApplicationErrorReport(nullptr);
    frmMain = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Start-up work

void TfrmMain::FormCreate() {
    QDir().mkpath(ZRVDataFolder());
    ZRVErrorLogger->SetLogFile(ZRVDataFolder() + QStringLiteral("/C") + TZRVErrorLogger::AutoFileName());
    ZRVLockWindows->SetShellProcess(fOptions.ExeName);
    ZRVClientConfig->SetExeName(fOptions.ExeName);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move((screen->availableGeometry().width() - width()) / 2, 2);
    fCanExitWindows = false;
    CanCloseApp = false;
    WriteRunEntry();
    CountBoot();
    ZRVClientConnection->SetClientPingInterval(uint32_t(std::max(0, ZRVClientConfig->PingInterval())));
    ZRVClientConnection->SetClientPingTimeOut(uint32_t(std::max(0, ZRVClientConfig->PingTimeOut())));
    ZRVClientConnection->SetClientPingEnabled(ZRVClientConfig->ClientPingEnabled());
    UpdateEndBlock();
}

void TfrmMain::WriteRunEntry() {
    try {
        TZRVRegistry reg(TZRVRootKey::HKEY_LOCAL_MACHINE);
        if (!reg.OpenKey(c_RunAtStartupKey, true))
            throw EZRVError(QStringLiteral("The Run key cannot be opened"));
        reg.WriteString(c_RunValue, fOptions.ExeName + u' ' + c_RegistryRunArgument);
        // Trying the program on one's own desktop installs nothing into that desktop.
        if (!fOptions.Windowed)
            WriteAutostartEntry(fOptions.ExeName);
    } catch (const std::exception& e) {
        LogError(What(e), c_Unit, QStringLiteral("TfrmMain.FormCreate"), QStringLiteral("Continue"));
    }
}

void TfrmMain::CountBoot() {
    try {
        const int count = ZRVClientConfig->BootCount() + 1;
        ZRVClientConfig->SetBootCount(count);
        if (count > c_MaxAbnormalStarts && !ZRVLockWindows->GetExplorerEnabled()) {
            QMessageBox* box =
                ShowMessage(nullptr, QMessageBox::Critical, Tr(c_BootCountCaption), Tr(c_BootCountWarning));
            box->setObjectName(QStringLiteral("BootCountMessage"));
            ZRVClientConfig->SetAutoLaunch(false);
            ZRVLockWindows->SetExplorerEnabled(true);
        }
    } catch (const std::exception& e) {
        LogError(What(e), c_Unit, QStringLiteral("TfrmMain.FormCreate"),
                 QStringLiteral("Log,ResetBootCount"));
        ZRVClientConfig->SetBootCount(0);
    }
}

void TfrmMain::WireConnection(bool aAttach) {
    TZRVClientConnection* c = ZRVClientConnection;
    const auto handler = [this, aAttach](void (TfrmMain::*aHandler)()) -> TNotifyEvent {
        if (!aAttach)
            return nullptr;
        return Guarded([this, aHandler](QObject*) { (this->*aHandler)(); });
    };
    c->SetOnConnect(handler(&TfrmMain::ZRVClientConnectionConnect));
    c->SetOnDisconnect(handler(&TfrmMain::ZRVClientConnectionDisconnect));
    c->SetOnReady(handler(&TfrmMain::ZRVClientConnectionReady));
    c->SetOnSocketError(handler(&TfrmMain::ZRVClientConnectionSocketError));
    c->SetOnServerPing(handler(&TfrmMain::ZRVClientConnectionServerPing));
    TZRVInfoMessageEvent info;
    if (aAttach)
        info = Guarded([this](QObject*, const QString& msg) { ZRVClientConnectionInfoMessage(msg); });
    c->SetOnInfoMessage(info);
    c->SetOnSecretQuestionListAvailable(handler(&TfrmMain::ZRVClientConnectionSecretQuestionListAvailable));
    c->SetOnQueryCloseClientModule(handler(&TfrmMain::ZRVClientConnectionQueryCloseClientModule));
    c->SetOnQueryLaunchClientModule(handler(&TfrmMain::ZRVClientConnectionQueryLaunchClientModule));
    c->SetOnShutdownStateChange(handler(&TfrmMain::ZRVClientConnectionShutdownStateChange));
    c->SetOnQueryRebootWorkStation(handler(&TfrmMain::ZRVClientConnectionQueryRebootWorkStation));
    c->SetOnQueryShutdownWorkStation(handler(&TfrmMain::ZRVClientConnectionQueryShutdownWorkStation));
    c->SetOnUserConnectionOpen(handler(&TfrmMain::ZRVClientConnectionUserConnectionOpen));
    c->SetOnUserConnectionFail(handler(&TfrmMain::ZRVClientConnectionUserConnectionFail));
    c->SetOnUserConnectionClose(handler(&TfrmMain::ZRVClientConnectionUserConnectionClose));
    c->SetOnUserConnectionPasswordRetrieved(
        handler(&TfrmMain::ZRVClientConnectionUserConnectionPasswordRetrieved));
    c->SetOnUserSessionStart(handler(&TfrmMain::ZRVClientConnectionUserSessionStart));
    c->SetOnUserSessionStop(handler(&TfrmMain::ZRVClientConnectionUserSessionStop));
    c->SetOnUserSessionCreditChange(handler(&TfrmMain::ZRVClientConnectionUserSessionCreditChange));
    c->SetOnUserSessionCreditEmpty(handler(&TfrmMain::ZRVClientConnectionUserSessionCreditEmpty));
    c->SetOnUserSessionWarnCredit(handler(&TfrmMain::ZRVClientConnectionUserSessionWarnCredit));
    c->SetOnUserConnectionAddCredit(handler(&TfrmMain::ZRVClientConnectionUserConnectionAddCredit));
    c->SetOnUserConnectionFixCredit(handler(&TfrmMain::ZRVClientConnectionUserConnectionFixCredit));
    c->SetOnUserConnectionAccountCreated(handler(&TfrmMain::ZRVClientConnectionUserConnectionAccountCreated));
    c->SetOnUserConnectionAccountUpdated(handler(&TfrmMain::ZRVClientConnectionUserConnectionAccountUpdated));
}

// ---------------------------------------------------------------------------------------------
// Exits

void TfrmMain::SetCanExitWindows(bool Value) {
    fCanExitWindows = Value;
    UpdateEndBlock();
}

bool TfrmMain::QueryEndSession() {
    bool result = true;
    try {
        if (!EndLocked(*ZRVClientConfig))
            return true;
        if (fCanExitWindows || ZRVClientConnection->ShuttedDown())
            return true;
        result = false;
        ShowNotice(Notice(c_DTZRV2, Tr(c_NoticeEndRefused), 12, true, ZRVColor::Blue, 10, 1), c_Unit,
                   QStringLiteral("TfrmMain.QueryEndSession"));
    } catch (const std::exception& e) {
        LogError(What(e), c_Unit, QStringLiteral("TfrmMain.QueryEndSession"), QStringLiteral("Nothing"));
    }
    return result;
}

void TfrmMain::EndSessionRequested(bool& aCancel) {
    aCancel = !QueryEndSession();
}

// While the session's end would be refused, the system's log-off, reboot and power-off are
// blocked too, so that they do not happen behind the program's back.
void TfrmMain::UpdateEndBlock() {
    const bool refuse =
        EndLocked(*ZRVClientConfig) && !fCanExitWindows && !ZRVClientConnection->ShuttedDown();
    IZRVSession& session = Platform().Session();
    if (session.EndBlocked() != refuse)
        session.SetEndBlocked(refuse, Tr(c_NoticeEndRefused));
}

void TfrmMain::WakeUpMessage(int aWParam) {
    ZRVClientConnection->SetShuttedDown(aWParam != 0);
}

void TfrmMain::QuitRequested() {
    // In a window on one's own desktop the program is only being tried: it goes when asked.
    if (CanCloseApp || fOptions.Windowed)
        emit Terminating();
}

void TfrmMain::CloseApp() {
    CanCloseApp = true;
    emit Terminating();
}

void TfrmMain::showEvent(QShowEvent* aEvent) {
    QWidget::showEvent(aEvent);
    // The controller is never seen.
    QTimer::singleShot(0, this, &QWidget::hide);
}

void TfrmMain::changeEvent(QEvent* aEvent) {
    if (aEvent->type() == QEvent::LanguageChange)
        fTexts.Apply();
    QWidget::changeEvent(aEvent);
}

void TfrmMain::closeEvent(QCloseEvent* aEvent) {
    if (!QueryEndSession()) {
        aEvent->ignore();
        return;
    }
    SetCanExitWindows(true);
    if (ZRVClientConnection->Connected())
        ZRVClientConnection->ShutDownConnection();
    aEvent->accept();
}

// ---------------------------------------------------------------------------------------------
// Reports

void TfrmMain::ApplicationEventsException(const std::exception& E) {
    if (frmClient && frmClient->isVisible())
        frmClient->ShowInfo(What(E), ZRVColor::White, 8);
}

void TfrmMain::LogError(const QString& aMessage, const QString& aUnit, const QString& aProcedure,
                        const QString& aAction) const {
    ZRVErrorLogger->LogError(aMessage, aUnit, aProcedure, aAction);
}

void TfrmMain::ShowNotice(const TZRVPopupInfos& aInfos, const QString& aUnit,
                          const QString& aProcedure) const {
    const int result = Popup(aInfos);
    if (result <= 0)
        LogError(QStringLiteral("PopupReturnCode=") + QString::number(result), aUnit, aProcedure,
                 QStringLiteral("Nothing"));
}

void TfrmMain::ShowClientNotice(const QString& aMessage, int aSize, quint32 aColor, int aTimeOut,
                                const QString& aProcedure, bool aButtons) const {
    ShowNotice(
        Notice(QString::fromLatin1(c_NoticeTitle), aMessage, aSize, true, aColor, aTimeOut, aButtons ? 1 : 0),
        c_Unit, aProcedure);
}

void TfrmMain::RefreshIndicators() {
    if (ZRVClientConnection->Ready())
        SetIndicators(ZRVColor::Lime, ZRVColor::SystemBackground);
    else if (ZRVClientConnection->Connected())
        SetIndicators(ZRVColor::Yellow, ZRVColor::Yellow);
    else
        SetIndicators(ZRVColor::Red, ZRVColor::Red);
}

void TfrmMain::SetIndicators(quint32 aShapeColor, quint32 aPanelColor) {
    SetBackgroundColor(frmClient->ShapeConnectState, aShapeColor);
    SetBackgroundColor(frmTaskBar->PanelTaskbar, aPanelColor);
}

// ---------------------------------------------------------------------------------------------
// Actions

void TfrmMain::ActionTryConnectExecute() {
    try {
        TZRVClientConnection* c = ZRVClientConnection;
        const bool socketActive = c->Socket()->state() != QAbstractSocket::UnconnectedState;
        if (c->Connected() && !c->Ready()) {
            // A handshake that has not ended by now is abandoned.
            c->ShutDownConnection();
        } else if (c->Connected() != socketActive) {
            c->ShutDownConnection();
        } else if (!c->Connected()) {
            c->ShutDownConnection();
            c->Socket()->abort();
            c->SetServerAddress(ZRVClientConfig->ServerAddress());
            c->SetServerPort(quint16(std::clamp(ZRVClientConfig->ServerPort(), 0, 65535)));
            c->OpenConnection();
        }
    } catch (const std::exception& e) {
        LogError(What(e), c_Unit, QStringLiteral("TfrmMain.ActionTryConnectExecute"), QStringLiteral("Log"));
    }
    // The café's settings may have changed since: keep the end-of-session block in step.
    UpdateEndBlock();
}

void TfrmMain::ActionConnectedExecute() {
    SetIndicators(ZRVColor::Yellow, ZRVColor::Yellow);
    frmClient->PanelUserConnected->hide();
    frmClient->PageControl->show();
}

void TfrmMain::ActionReadyExecute() {
    SetIndicators(ZRVColor::Lime, ZRVColor::SystemBackground);
    const TStringList& infos = ZRVClientConnection->ServerInfos();
    frmClient->PanelInfosCaption->setText(infos.Values(QStringLiteral("CompanyName")));
    TZRVClientConfig& config = *ZRVClientConfig;
    config.SetUIUserID(infos.Values(QStringLiteral("UserID")));
    config.SetUIOwnerName(infos.Values(QStringLiteral("OwnerName")));
    config.SetUICompanyName(infos.Values(QStringLiteral("CompanyName")));
    config.SetUIAddress(infos.Values(QStringLiteral("Address")));
    config.SetUIPhone(infos.Values(QStringLiteral("Phone")));
    config.SetUIPoBox(infos.Values(QStringLiteral("PoBox")));
    config.SetUIEmail(infos.Values(QStringLiteral("Email")));
    config.SetUIGeography(infos.Values(QStringLiteral("Geography")));
    config.SetUITown(infos.Values(QStringLiteral("Town")));
    config.SetUICountry(infos.Values(QStringLiteral("Country")));
    frmClient->FormActivate();
    ShowClientNotice(Tr(c_NoticeReady), 12, ZRVColor::Blue, 10, QStringLiteral("TfrmMain.ActionReadyExecute"),
                     false);
    ZRVClientConnection->RequestSQList();
}

void TfrmMain::ActionDisconnectedExecute() {
    TimerConnectTry->start();
    SetIndicators(ZRVColor::Red, ZRVColor::Red);
    TZRVUserConnection* user = ZRVClientConnection->UserConnection();
    if (user->Connected())
        user->UpdateSession();
}

void TfrmMain::ActionShutDownModuleExecute() {
    hide();
    TZRVUserConnection* user = ZRVClientConnection->UserConnection();
    user->Session()->Close();
    user->Close();
    frmTaskBar->hide();
    frmClient->hide();
    ZRVLockWindows->SetDesktopVisible(true);
    ZRVLockWindows->SetShellTrayWindowVisible(true);
    ZRVLockWindows->SetCtrlAltDelEnabled(ZRVClientConfig->WRTaskMgrEnabled());
    ZRVLockWindows->SetFaskTaskSwitchEnabled(true);
    ZRVLockWindows->SetStartMenuEnabled(true);
}

void TfrmMain::ActionLaunchModuleExecute() {
    frmClient->show();
}

void TfrmMain::TimerKillerTimer() {
    ZRVClientSystem::KillLockedFolders(*ZRVClientConfig);
}

// ---------------------------------------------------------------------------------------------
// The link

void TfrmMain::ZRVClientConnectionConnect() {
    frmClient->ShowInfo(Tr(c_InfoConnecting), ZRVColor::Lime, 8);
    ActionConnected->trigger();
}

void TfrmMain::ZRVClientConnectionDisconnect() {
    frmClient->ShowInfo(Tr(c_InfoDisconnected), ZRVColor::Red, 8);
    ActionDisconnected->trigger();
}

void TfrmMain::ZRVClientConnectionReady() {
    // After a refusal the disconnect that follows turns the indicators red.
    if (!ZRVClientConnection->Ready())
        return;
    frmClient->ShowInfo(Tr(c_InfoReady), ZRVColor::Lime, 10);
    ActionReady->trigger();
}

void TfrmMain::ZRVClientConnectionSocketError() {
    frmClient->ShowInfo(Tr(c_InfoSocketError), ZRVColor::Red, 8);
    if (ZRVClientConnection->Socket()->state() == QAbstractSocket::UnconnectedState)
        ActionDisconnected->trigger();
}

void TfrmMain::ZRVClientConnectionServerPing() {
    frmClient->ShowInfo(QStringLiteral("local=") + TimeToStr(Now()) + QStringLiteral(" remote=") +
                            TimeToStr(ZRVClientConnection->ServerTime()->sDateTime()),
                        ZRVColor::Lime, 8);
}

void TfrmMain::ZRVClientConnectionInfoMessage(const QString& msg) {
    if (!ZRVClientConnection->UserConnection()->Connected())
        return;
    ShowNotice(Notice(Tr(c_NoticeServerMessage), msg, 10, false, ZRVColor::Black, 60, 1), c_Unit,
               QStringLiteral("TfrmMain.ActionReadyExecute"));
}

void TfrmMain::ZRVClientConnectionSecretQuestionListAvailable() {
    const QStringList questions = ZRVClientConnection->SecretQuestionList().Lines();
    for (QComboBox* list :
         {frmClient->ComboBoxSecretQuestion, frmClient->ComboBoxRetrievePasswordSecretQuestions}) {
        list->clear();
        list->addItems(questions);
        list->setCurrentIndex(-1);
    }
}

void TfrmMain::ZRVClientConnectionQueryCloseClientModule() {
    // When the program is the session's shell there is nothing to go back to.
    if (ZRVLockWindows->GetExplorerEnabled())
        ZRVClientConnection->SetShuttedDown(true);
}

void TfrmMain::ZRVClientConnectionQueryLaunchClientModule() {
    ZRVClientConnection->SetShuttedDown(false);
}

void TfrmMain::ZRVClientConnectionShutdownStateChange() {
    if (ZRVClientConnection->ShuttedDown())
        ActionShutDownModule->trigger();
    else
        ActionLaunchModule->trigger();
    UpdateEndBlock();
}

void TfrmMain::ZRVClientConnectionQueryRebootWorkStation() {
    CanCloseApp = true;
    SetCanExitWindows(true);
    WinExit(c_EWX_REBOOT | c_EWX_FORCE | c_EWX_POWEROFF);
}

void TfrmMain::ZRVClientConnectionQueryShutdownWorkStation() {
    CanCloseApp = true;
    SetCanExitWindows(true);
    WinExit(c_EWX_SHUTDOWN | c_EWX_FORCE | c_EWX_POWEROFF);
}

// ---------------------------------------------------------------------------------------------
// The customer's login and session

bool TfrmMain::AcceptAccount() {
    TZRVUserConnection* user = ZRVClientConnection->UserConnection();
    const TZRVUserAccount* account = user->Session()->Account();
    if (!SameTextAscii(account->AccountPassword(), frmClient->LabeledEditAccountPassword->text())) {
        frmClient->ShowInfo(Tr(c_WrongPassword), ZRVColor::Red, 14, 0x30);
        user->Close();
        frmClient->LabelRetrievePassword->show();
        return false;
    }
    if (account->DeletedFlag()) {
        frmClient->ShowInfo(Tr(c_AccountDeleted), ZRVColor::Red, 14);
        user->Close();
        return false;
    }
    return true;
}

bool TfrmMain::AcceptTicket() {
    TZRVUserConnection* user = ZRVClientConnection->UserConnection();
    const TZRVUserTicket* ticket = user->Session()->Ticket();
    if (!ticket->Active() || ticket->DeletedFlag()) {
        frmClient->ShowInfo(Tr(ticket->Active() ? c_TicketDeleted : c_TicketNotSold), ZRVColor::Red, 14);
        user->Close();
        return false;
    }
    return true;
}

void TfrmMain::ZRVClientConnectionUserConnectionOpen() {
    TZRVUserSession* session = ZRVClientConnection->UserConnection()->Session();
    const TZRVSessionType type = session->SessionType();
    if ((type == stAccount && !AcceptAccount()) || (type == stTicket && !AcceptTicket()))
        return;
    frmTaskBar->LabelCredit->setText(session->Credit()->CreditFormatted());
    const TZRVUserAccount* account = session->Account();
    if (type == stTicket) {
        frmClient->ShowInfo(Tr(c_Welcome), ZRVColor::Lime, 12);
        frmClient->PageControlUserConnected->setCurrentIndex(0);
    } else {
        frmClient->ShowInfo(Tr(c_WelcomeName).arg(account->SecondName(), account->FirstName()),
                            ZRVColor::Lime, 12);
        if (type == stLocalAccount)
            frmClient->PageControlUserConnected->setCurrentIndex(0);
    }
    frmClient->RefreshPanelUserConnected();
    frmClient->PageControl->hide();
    frmClient->PanelUserConnected->show();
    frmClient->FocusCurrentPage();
}

void TfrmMain::ZRVClientConnectionUserConnectionFail() {
    TZRVUserConnection* user = ZRVClientConnection->UserConnection();
    const QString message = user->FailMessage();
    user->SetBusy(false);
    if (frmClient->isVisible()) {
        frmClient->ShowRequestFailure(message);
        for (QPushButton* button : {frmClient->ButtonReloadCredit, frmClient->ButtonAccountCreateExecute,
                                    frmClient->ButtonUpdateProfile, frmClient->ButtonUpdatePassword})
            button->setEnabled(true);
        frmClient->LabeledEditProfil_ConfirmPwd->clear();
        frmClient->LabeledEditProfil_OldPwd->clear();
        frmClient->LabeledEditProfil_NewPwd->clear();
    } else if (frmTaskBar->isVisible()) {
        frmAddCredit->Reset();
        ShowMessage(frmTaskBar, QMessageBox::Warning, QString::fromLatin1(c_NoticeTitle),
                    Tr(message.toUtf8().constData()));
    }
}

void TfrmMain::ZRVClientConnectionUserConnectionClose() {
    frmClient->PageControl->show();
    frmClient->PanelUserConnected->hide();
    frmClient->LabelRetrievePassword->hide();
    frmClient->FocusCurrentPage();
}

void TfrmMain::ZRVClientConnectionUserConnectionPasswordRetrieved() {
    frmClient->PasswordRetrieved(ZRVClientConnection->UserConnection()->RetrievedPassword());
}

void TfrmMain::ZRVClientConnectionUserSessionStart() {
    frmClient->hide();
    frmTaskBar->show();
    if (ZRVClientConnection->UserConnection()->Session()->CreditLow())
        frmTaskBar->DoStartBlink();
}

void TfrmMain::ZRVClientConnectionUserSessionStop() {
    frmTaskBar->hide();
    frmClient->PageControl->hide();
    frmClient->PanelUserConnected->show();
    frmClient->show();
}

void TfrmMain::ZRVClientConnectionUserSessionCreditChange() {
    frmTaskBar->LabelCredit->setText(
        ZRVClientConnection->UserConnection()->Session()->Credit()->CreditFormatted());
}

void TfrmMain::ZRVClientConnectionUserSessionCreditEmpty() {
    TZRVUserSession* session = ZRVClientConnection->UserConnection()->Session();
    session->Credit()->SetCreditValue(0);
    session->Close();
}

void TfrmMain::ZRVClientConnectionUserSessionWarnCredit() {
    frmTaskBar->DoStartBlink();
    const TZRVUserSession* session = ZRVClientConnection->UserConnection()->Session();
    if (session->Credit()->CreditValue() == session->WarnCreditLevel())
        ShowClientNotice(Tr(c_NoticeCreditWarning).arg(session->Credit()->CreditFormatted()), 12,
                         ZRVColor::Blue, 30,
                         QStringLiteral("TfrmMain.ZRVClientConnectionUserSessionWarnCredit"));
}

void TfrmMain::ZRVClientConnectionUserConnectionAddCredit() {
    CreditChanged(c_CreditAdded, ZRVColor::Blue);
}

void TfrmMain::ZRVClientConnectionUserConnectionFixCredit() {
    CreditChanged(c_CreditFixed, ZRVColor::Red);
}

void TfrmMain::CreditChanged(const char* aText, quint32 aNoticeColor) {
    const TZRVUserSession* session = ZRVClientConnection->UserConnection()->Session();
    if (frmClient->isVisible()) {
        frmClient->ShowInfo(Tr(aText), ZRVColor::Lime, 12);
        frmClient->RefreshPanelUserConnected();
        frmClient->PageControlUserConnected->setCurrentIndex(0);
    } else if (frmTaskBar->isVisible()) {
        if (session->CreditLow())
            frmTaskBar->DoStartBlink();
        frmAddCredit->hide();
    }
    ShowClientNotice(Tr(aText), 16, aNoticeColor, 5, c_AddCreditProcedure);
}

void TfrmMain::ZRVClientConnectionUserConnectionAccountCreated() {
    if (!frmClient->isVisible())
        return;
    frmClient->ShowInfo(Tr(c_InfoAccountCreated), ZRVColor::Lime, 14);
    frmClient->ButtonAccountCreateCancel->click();
    frmClient->PageControl->setCurrentWidget(frmClient->TabSheetAccountOpenning);
    const QString name = frmClient->LabeledEditACName->text();
    ShowClientNotice(Tr(c_NoticeAccountCreated).arg(name), 14, ZRVColor::Blue, 5,
                     QStringLiteral("TfrmMain.ZRVClientConnectionUserConnectionAccountCreated"));
    frmClient->LabeledEditAccountName->setText(name);
    frmClient->LabeledEditAccountPassword->setText(frmClient->LabeledEditACPassword->text());
}

void TfrmMain::ZRVClientConnectionUserConnectionAccountUpdated() {
    if (!frmClient->isVisible())
        return;
    frmClient->ShowInfo(Tr(c_InfoAccountUpdated), ZRVColor::Lime, 14);
    frmClient->LabeledEditProfil_ConfirmPwd->clear();
    frmClient->LabeledEditProfil_OldPwd->clear();
    frmClient->LabeledEditProfil_NewPwd->clear();
    frmClient->ButtonUpdateProfile->setEnabled(true);
    frmClient->ButtonUpdatePassword->setEnabled(true);
    ShowClientNotice(Tr(c_NoticeAccountUpdated), 14, ZRVColor::Blue, 5,
                     QStringLiteral("TfrmMain.ZRVClientConnectionUserConnectionAccountUpdated"));
}
