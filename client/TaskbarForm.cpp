#include "TaskbarForm.h"

#include "AddCreditForm.h"
#include "LocalAccountsForm.h"
#include "MainForm.h"
#include "Popup.h"
#include "PrjConst.h"
#include "SendMessageForm.h"

#include "KLocalizerOnFly.h"
#include "ZRVLanguage.h"
#include "platform/ZRVFolders.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>
#include <QScreen>

TfrmTaskBar* frmTaskBar = nullptr;

using namespace PrjConst;

namespace {

const QString c_Unit = QStringLiteral("TaskbarForm");
const QString c_LogContinue = QStringLiteral("LOG-CONTINUE");
// The advertisement service is asked every 6 hours; the advertisement changes every 5 minutes.
constexpr int c_DownloadSwfInterval = 21600000;
constexpr int c_ChangeAdsInterval = 300000;
// Where "Démarrer un navigateur" goes: the product's web site.
const QString c_BrowserStartUrl = QStringLiteral("https://www.vantorel.com/");

QString What(const std::exception& aError) {
    return QString::fromUtf8(aError.what());
}

TZRVUserSession* Session() {
    return frmMain->ZRVClientConnection->UserConnection()->Session();
}

QIcon IconOf(const TZRVIcon& aIcon) {
    if (aIcon.Size.isEmpty() || aIcon.Pixels.size() != qsizetype(aIcon.Size.width()) * aIcon.Size.height())
        return {};
    QImage image(aIcon.Size, QImage::Format_ARGB32);
    for (int y = 0; y < aIcon.Size.height(); ++y)
        for (int x = 0; x < aIcon.Size.width(); ++x)
            image.setPixel(x, y, aIcon.Pixels[y * aIcon.Size.width() + x]);
    return QIcon(QPixmap::fromImage(image));
}

void SetColors(QWidget* aWidget, quint32 aBackground, quint32 aText) {
    SetBackgroundColor(aWidget, aBackground);
    SetTextColor(aWidget, aText);
}

} // namespace

TfrmTaskBar::TfrmTaskBar(bool aWindowed, QWidget* aParent)
    : QWidget(aParent), PanelTaskbar(new QWidget(this)), LabelCredit(new QLabel(PanelTaskbar)),
      LabelDateTime(new QLabel(PanelTaskbar)), PanelAdvertisement(new QWidget(PanelTaskbar)),
      ShockwaveFlashAdv(new TZRVAdsPlayer(PanelAdvertisement)),
      ButtonFocus(new QPushButton(PanelAdvertisement)), ZRVSwfManager(new TZRVSwfManager(this)),
      BitBtnMenu(new QPushButton(PanelTaskbar)), BitBtnCloseSession(new QPushButton(PanelTaskbar)),
      PopupMenu(new QMenu(this)), TimerBlink(new QTimer(this)), TimerDownloadSwf(new QTimer(this)),
      TimerChangeAds(new QTimer(this)), TimerWRestrictions(new QTimer(this)), TimerMinute(new QTimer(this)),
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
    layout->addWidget(PanelAdvertisement, 1);
    layout->addWidget(BitBtnMenu);
    layout->addWidget(BitBtnCloseSession);

    BitBtnMenu->setObjectName(QStringLiteral("BitBtnMenu"));
    fTexts.Text(BitBtnMenu, c_Menu);
    fTexts.ToolTip(BitBtnMenu, c_MenuHint);
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
    connect(BitBtnMenu, &QPushButton::clicked, this, Guarded([this](bool) { BitBtnMenuClick(); }));
    TimerMinuteTimer();
    BuildMenu();
    AddPlugInItems();
    RefreshApplicationsMenu();
    RefreshConfigPanelMenu();
    CreateAdvertisements();
}

TfrmTaskBar::~TfrmTaskBar() {
    if (frmTaskBar == this)
        frmTaskBar = nullptr;
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
    RefreshMenuVisibility();
    ApplyRestrictions(true);
    frmMain->TimerKiller->start();
    TimerWRestrictions->start();
    PlaceBar();
    ButtonFocus->setFocus();
    ShockwaveFlashAdv->setFocus();
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
    if (const bool tray = config.WRShellTrayVisible(); aShowTray || !tray)
        restrictions.SetShellTrayWindowVisible(tray);
    restrictions.SetCtrlAltDelEnabled(config.WRTaskMgrEnabled());
    restrictions.SetFaskTaskSwitchEnabled(config.WRFastTaskSwitchEnabled());
    restrictions.SetStartMenuEnabled(config.WRStartMenuEnabled());
}

void TfrmTaskBar::keyPressEvent(QKeyEvent* aEvent) {
    switch (aEvent->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        BitBtnMenuClick();
        break;
    default:
        QWidget::keyPressEvent(aEvent);
    }
}

void TfrmTaskBar::closeEvent(QCloseEvent* aEvent) {
    // The bar goes when the session ends, never by a close request.
    aEvent->ignore();
}

void TfrmTaskBar::changeEvent(QEvent* aEvent) {
    if (aEvent->type() == QEvent::LanguageChange) {
        fTexts.Apply();
        TimerMinuteTimer();
        RefreshConfigPanelMenu();
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
// Advertisements: the manager keeps the folder in step with the advertisement service, the bar
// decides what plays.

QString TfrmTaskBar::AdsFolder() {
    return ZRVDataFolder() + QStringLiteral("/ADS");
}

QString TfrmTaskBar::AdsTempFolder() {
    return ZRVDataFolder() + QStringLiteral("/ADS/TMP");
}

void TfrmTaskBar::CreateAdvertisements() {
    PanelAdvertisement->setObjectName(QStringLiteral("PanelAdvertisement"));
    ShockwaveFlashAdv->setObjectName(QStringLiteral("ShockwaveFlashAdv"));
    ButtonFocus->setObjectName(QStringLiteral("ButtonFocus"));
    ButtonFocus->setFixedSize(0, 0);
    auto* panel = new QHBoxLayout(PanelAdvertisement);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->setSpacing(0);
    panel->addWidget(ButtonFocus);
    panel->addWidget(ShockwaveFlashAdv, 1);
    ShockwaveFlashAdv->OnFSCommand =
        Guarded([this](const QString& aCommand, const QString&) { ShockwaveFlashAdvFSCommand(aCommand); });
    ShockwaveFlashAdv->OnError = [this](const QString& aMessage) {
        DoLogError(aMessage, c_Unit, QStringLiteral("TfrmTaskBar.ShockwaveFlashAdv"), c_LogContinue);
    };

    ZRVSwfManager->setObjectName(QStringLiteral("ZRVSwfManager"));
    ZRVSwfManager->SetErrorLogger(frmMain->ZRVErrorLogger);
    ZRVSwfManager->SetSwfPath(AdsFolder());
    ZRVSwfManager->SetTempPath(AdsTempFolder());
    ZRVSwfManager->SetOnCanPlayFile(
        [](QObject*, const QString& aFileName) { return CanPlayFile(aFileName); });
    ZRVSwfManager->SetOnNetListAvailable([this](QObject*) {
        try {
            ZRVSwfManager->DownloadSwfs();
        } catch (const std::exception& e) {
            DoLogError(What(e), c_Unit, QStringLiteral("TfrmTaskBar.ZRVSwfManagerNetListAvailable"),
                       c_LogContinue);
        }
    });
    ZRVSwfManager->SetOnNewFileAvailable([this](QObject*) { ZRVSwfManager->DoRefreshLocalList(); });
    ZRVSwfManager->SetOnBeforeCleanSwfDir([this](QObject*) { ShockwaveFlashAdv->Stop(); });
    ZRVSwfManager->SetOnSwfDownloadComplete([this](QObject*) { ZRVSwfManagerSwfDownloadComplete(); });

    TimerDownloadSwf->setInterval(c_DownloadSwfInterval);
    connect(TimerDownloadSwf, &QTimer::timeout, this, Guarded([this] { TimerDownloadSwfTimer(); }));
    TimerDownloadSwf->start();
    TimerChangeAds->setInterval(c_ChangeAdsInterval);
    connect(TimerChangeAds, &QTimer::timeout, this, Guarded([this] { TimerChangeAdsTimer(); }));
    TimerChangeAds->start();
    TimerDownloadSwfTimer();
}

void TfrmTaskBar::TimerDownloadSwfTimer() {
    const TZRVClientConfig& config = *frmMain->ZRVClientConfig;
    ZRVSwfManager->DoRefreshLocalList();
    bool isNumber = false;
    const uint32_t userID = config.UIUserID().toUInt(&isNumber);
    ZRVSwfManager->SetUserID(isNumber ? userID : 0);
    try {
        ZRVSwfManager->SetBaseUrl(config.UrlBaseSwf());
        ZRVSwfManager->GetNetList();
    } catch (const std::exception& e) {
        DoLogError(What(e), c_Unit, QStringLiteral("TfrmTaskBar.TimerDownloadSwfTimer"), c_LogContinue);
    }
    // The advertisements already here play while the list is fetched.
    fChangeAdsTag = 0;
    fAdsIndex = -1;
    TimerChangeAdsTimer();
}

void TfrmTaskBar::ZRVSwfManagerSwfDownloadComplete() {
    ZRVSwfManager->CleanSwfDir();
    fAdsIndex = -1;
    fChangeAdsTag = 1;
    TimerChangeAdsTimer();
}

void TfrmTaskBar::TimerChangeAdsTimer() {
    const bool downloaded = fChangeAdsTag != 0;
    try {
        const TStringList& list = downloaded ? ZRVSwfManager->SwfList() : ZRVSwfManager->LocalList();
        if (list.IsEmpty())
            return;
        if (++fAdsIndex >= list.Count() || fAdsIndex < 0)
            fAdsIndex = 0;
        ShockwaveFlashAdv->LoadMovie(ZRVSwfManager->SwfPath() + list[fAdsIndex]);
    } catch (const std::exception& e) {
        DoLogError(What(e), c_Unit,
                   downloaded ? QStringLiteral("TfrmTaskBar.TimerChangeAdsTimer::TAG<>0")
                              : QStringLiteral("TfrmTaskBar.TimerChangeAdsTimer::TAG=0"),
                   c_LogContinue);
    }
}

// "OPENADS" opens the advertisement on screen with the desktop's handler for its kind of file.
void TfrmTaskBar::ShockwaveFlashAdvFSCommand(const QString& aCommand) {
    if (aCommand.compare(QStringLiteral("OPENADS"), Qt::CaseInsensitive) != 0)
        return;
    const QString file = ShockwaveFlashAdv->MovieFile();
    if (QFileInfo(file).isFile() && !Platform().Launcher().Open(file))
        DoLogError(QStringLiteral("Unable to open ") + file, c_Unit,
                   QStringLiteral("TfrmTaskBar.ShockwaveFlashAdvFSCommand"), c_LogContinue);
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

void TfrmTaskBar::MNUCloseUserSessionClick() {
    Session()->Close();
}

// ---------------------------------------------------------------------------------------------
// The menu

QAction* TfrmTaskBar::AddItem(QMenu* aMenu, const char* aName, const char* aText,
                              void (TfrmTaskBar::*aClick)()) {
    QAction* item = aMenu->addAction(QString());
    item->setObjectName(QString::fromLatin1(aName));
    fTexts.Text(item, aText);
    connect(item, &QAction::triggered, this, Guarded([this, aClick] { (this->*aClick)(); }));
    return item;
}

QMenu* TfrmTaskBar::AddSubMenu(const char* aName, const char* aText) {
    auto* menu = new QMenu(PopupMenu);
    menu->setObjectName(QString::fromLatin1(aName));
    fTexts.Text(menu->menuAction(), aText);
    PopupMenu->addMenu(menu);
    return menu;
}

void TfrmTaskBar::BuildMenu() {
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    MNUAddCredit = AddItem(PopupMenu, "MNUAddCredit", c_AddCreditCaption, &TfrmTaskBar::MNUAddCreditClick);
    MNUAddCredit->setVisible(false);
    MNULaunchIE = AddItem(PopupMenu, "MNULaunchIE", c_MnuLaunchIE, &TfrmTaskBar::MNULaunchIEClick);
    MNUCloseAllIE = AddItem(PopupMenu, "MNUCloseAllIE", c_MnuCloseAllIE, &TfrmTaskBar::MNUCloseAllIEClick);
    MNUHomePage = AddItem(PopupMenu, "MNUHomePage", c_MnuHomePage, &TfrmTaskBar::MNUHomePageClick);
    MNUSendMessageToServer = AddItem(PopupMenu, "MNUSendMessageToServer", c_MnuSendMessage,
                                     &TfrmTaskBar::MNUSendMessageToServerClick);
    PopupMenu->addSeparator();
    MNUApplications = AddSubMenu("MNUApplications", c_MnuApplications);
    MNUTasks = AddSubMenu("MNUTasks", c_MnuTasks);
    MNUCloseTasks = AddSubMenu("MNUCloseTasks", c_MnuCloseTasks);
    PopupMenu->addSeparator();
    MnuCloseUserConnection =
        AddItem(PopupMenu, "MnuCloseUserConnection", c_Stop, &TfrmTaskBar::MnuCloseUserConnectionClick);
    MNUCloseUserSession =
        AddItem(PopupMenu, "MNUCloseUserSession", c_MnuPause, &TfrmTaskBar::MNUCloseUserSessionClick);
    PopupMenu->addSeparator();
    MNUConfig = AddItem(PopupMenu, "MNUConfig", c_MnuConfig, &TfrmTaskBar::MNUConfigClick);
    MNULocalAccounts =
        AddItem(PopupMenu, "MNULocalAccounts", c_LocalAccountsCaption, &TfrmTaskBar::MNULocalAccountsClick);
    MNUConfigPanel = AddSubMenu("MNUConfigPanel", c_MnuConfigPanel);
    PopupMenu->addSeparator();
    MNUExit = AddItem(PopupMenu, "MNUExit", c_MnuExit, &TfrmTaskBar::MNUExitClick);
    MNUCloseWinSession =
        AddItem(PopupMenu, "MNUCloseWinSession", c_MnuCloseWinSession, &TfrmTaskBar::MNUCloseWinSessionClick);
    MNURebootWorkstation =
        AddItem(PopupMenu, "MNURebootWorkstation", c_MnuReboot, &TfrmTaskBar::MNURebootWorkstationClick);
    MNUShutdownWorkstation = AddItem(PopupMenu, "MNUShutdownWorkstation", c_MnuShutdown,
                                     &TfrmTaskBar::MNUShutdownWorkstationClick);
    PopupMenu->addSeparator();
}

void TfrmTaskBar::AddPlugInItems() {
    PlugInList = LoadPlugIns(ZRVPlugInsFolder(), this, frmMain->ZRVErrorLogger);
    for (size_t i = 0; i < PlugInList.size(); ++i) {
        const TZRVPlugIn* plugIn = PlugInList[i];
        QAction* item = PopupMenu->addAction(IconOf(plugIn->Bitmap()), plugIn->Caption());
        item->setData(qulonglong(i));
        if (const QKeyCombination key = plugIn->ShortCutKey(); key.key() != Qt::Key_unknown) {
            item->setShortcut(key);
            addAction(item); // the shortcut works on the bar, the menu closed
        }
        // A plug-in's failure is its own: the bar goes on.
        connect(item, &QAction::triggered, this, [this, i] {
            try {
                PlugInList[i]->DoClick();
            } catch (...) {
            }
        });
    }
}

// A ticket never reaches the workstation's configuration or its end; an account reaches what its
// group's rights allow; a local account is the café's own and reaches everything.
void TfrmTaskBar::RefreshMenuVisibility() {
    const TZRVUserSession* session = Session();
    const TZRVSessionType type = session->SessionType();
    const TZRVUserRights rights = type == stAccount && session->Account()
                                      ? session->Account()->Group()->Authorisations()
                                      : TZRVUserRights{};
    const auto allowed = [type, rights](TZRVUserRight aRight) {
        return type == stLocalAccount || (type == stAccount && rights.Contains(aRight));
    };
    const bool configures = allowed(urClientModuleConfig);
    for (QAction* item : {MNUConfigPanel->menuAction(), MNULocalAccounts, MNUCloseTasks->menuAction()})
        item->setVisible(configures);
    MNUConfig->setVisible(configures && OnConfig != nullptr); // only when there is a dialog to open
    MNUCloseWinSession->setVisible(allowed(urRebootWorkstation));
    MNURebootWorkstation->setVisible(allowed(urRebootWorkstation));
    MNUShutdownWorkstation->setVisible(allowed(urShutdownWorkStation));
    // Quitting a module that is the desktop's shell would leave the customer nothing.
    MNUExit->setVisible(allowed(urShutdownClientModule) &&
                        (type == stLocalAccount || frmMain->ZRVLockWindows->GetExplorerEnabled()));
    // Credit is reloaded by the server, for the tickets and accounts it knows.
    MNUAddCredit->setVisible(type == stTicket || type == stAccount);
}

void TfrmTaskBar::BitBtnMenuClick() {
    RefreshTasksMenu();
    PopupMenu->popup(mapToGlobal(QPoint(0, 0)));
}

QString TfrmTaskBar::ApplicationsIniFile() {
    return ZRVDataFolder() + QStringLiteral("/Zrvclient.ini");
}

void TfrmTaskBar::RefreshApplicationsMenu() {
    AppList.clear();
    MNUApplications->clear();
    try {
        for (const TZRVIniEntry& entry :
             ReadIniSection(ApplicationsIniFile(), QStringLiteral("ApplicationsMenu")))
            AppList << entry.Value;
        AppList.sort();
        const QFileIconProvider icons;
        for (const QString& path : std::as_const(AppList)) {
            const QFileInfo file(path);
            if (!file.isFile())
                continue;
            MNUApplications->addAction(icons.icon(file), file.fileName(), this,
                                       Guarded([this, path] { LaunchApplication(path); }));
        }
    } catch (const std::exception& e) {
        DoLogError(QString::fromUtf8(e.what()), c_Unit, QStringLiteral("TfrmTaskBar.RefreshApplicationsMenu"),
                   QStringLiteral("Exit"));
    }
}

void TfrmTaskBar::LaunchApplication(const QString& aPath) {
    if (!Platform().Launcher().Start(aPath, {}))
        Warn(Tr(c_CannotExecute));
}

void TfrmTaskBar::RefreshTasksMenu() {
    MNUTasks->clear();
    MNUCloseTasks->clear();
    try {
        ZRVSys.Refresh();
        for (int i = 0; i < ZRVSys.Count(); ++i) {
            const TZRVTaskEx* task = ZRVSys.Tasks(i);
            const TZRVWindowHandle window = task->WindowHandle();
            const QIcon icon = IconOf(task->GetTaskIcon(false));
            MNUTasks->addAction(icon, task->Caption(), this, Guarded([this, window] {
                                    if (!ZRVSys.ActivateByWindowHAndle(window))
                                        Warn(Tr(c_CannotExecute));
                                }));
            MNUCloseTasks->addAction(icon, task->Caption(), this,
                                     Guarded([this, window] { CloseTask(window); }));
        }
    } catch (const std::exception& e) {
        DoLogError(QString::fromUtf8(e.what()), c_Unit, QStringLiteral("TfrmTaskBar.RefreshTasksMenu"),
                   QStringLiteral("Nothing"));
    }
}

// Browsers and file managers are asked to close, so that they keep their state; anything else is
// ended with its process.
void TfrmTaskBar::CloseTask(TZRVWindowHandle aWindow) {
    TZRVWindowInfo info;
    IZRVWindows& windows = Platform().Windows();
    if (windows.WindowInfo(aWindow, info) &&
        (IsBrowserClass(info.ClassName) || IsFileManagerClass(info.ClassName))) {
        if (!windows.RequestClose(aWindow))
            Warn(Tr(c_CannotExecute));
        return;
    }
    ZRVSys.TerminateByWindowHandle(aWindow, this, [this](bool aDone) {
        if (!aDone)
            Warn(Tr(c_CannotExecute));
    });
}

void TfrmTaskBar::RefreshConfigPanelMenu() {
    MNUConfigPanel->clear();
    try {
        for (const TZRVControlPanelItem& item : c_ControlPanel) {
            const QStringList command = ControlPanelCommand(QString::fromLatin1(item.File));
            if (command.isEmpty())
                continue;
            MNUConfigPanel->addAction(Tr(item.Caption), this, Guarded([this, command] {
                                          if (!Platform().Launcher().Start(command.first(), command.mid(1)))
                                              ShowMessage(this, QMessageBox::Warning, Tr(c_CplTitle),
                                                          Tr(c_CplCannotOpen));
                                      }));
        }
    } catch (const std::exception& e) {
        DoLogError(QString::fromUtf8(e.what()), c_Unit, QStringLiteral("TfrmTaskBar.RefreshConfigPanelMenu"),
                   QStringLiteral("Exit"));
    }
}

// ---------------------------------------------------------------------------------------------
// Menu commands

void TfrmTaskBar::Ask(QMessageBox::Icon aIcon, const char* aTitle, const char* aQuestion,
                      std::function<void()> aYes) {
    auto* box = ShowMessage(this, aIcon, Tr(aTitle), Tr(aQuestion));
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::No);
    box->show();
    connect(box, &QMessageBox::buttonClicked, this, Guarded([box, aYes](QAbstractButton* aButton) {
                if (box->standardButton(aButton) == QMessageBox::Yes)
                    aYes();
            }));
}

void TfrmTaskBar::Warn(const QString& aText) {
    ShowMessage(this, QMessageBox::Warning, Tr(c_TikoraTitle), aText);
}

void TfrmTaskBar::MNUAddCreditClick() {
    if (frmMain->ZRVClientConnection->Connected())
        ShowCentred(frmAddCredit);
}

void TfrmTaskBar::MNULaunchIEClick() {
    OpenAddress(c_BrowserStartUrl);
}

void TfrmTaskBar::MNUHomePageClick() {
    OpenAddress(frmMain->ZRVClientConfig->UrlLumeraHomePage());
}

void TfrmTaskBar::OpenAddress(const QString& aUrl) {
    if (!OpenUrl(aUrl, true))
        Warn(Tr(c_ErrorText).arg(Tr(c_CannotExecute)));
}

void TfrmTaskBar::MNUCloseAllIEClick() {
    Ask(QMessageBox::Question, c_TikoraTitle, c_AskCloseBrowsers, [] { CloseAllNavigators(); });
}

void TfrmTaskBar::MNUSendMessageToServerClick() {
    if (frmMain->ZRVClientConnection->Ready())
        TfrmSendMessage::Show(frmMain->ZRVClientConnection, this);
    else
        Warn(Tr(c_NotConnectedToServer));
}

void TfrmTaskBar::MNUConfigClick() {
    if (OnConfig)
        OnConfig();
}

void TfrmTaskBar::MNULocalAccountsClick() {
    TfrmLocalAccounts::Execute(this);
}

// With Ctrl held the program ends; otherwise the module goes to sleep, when there is a desktop to
// give back.
void TfrmTaskBar::MNUExitClick() {
    Ask(QMessageBox::Warning, c_TikoraTitle, c_AskExitModule, [] {
        if (CtrlDown())
            frmMain->CloseApp();
        else if (frmMain->ZRVLockWindows->GetExplorerEnabled())
            frmMain->ZRVClientConnection->SetShuttedDown(true);
    });
}

void TfrmTaskBar::MNUCloseWinSessionClick() {
    EndDesktopSession(c_AskCloseWinSession, c_EWX_LOGOFF | c_EWX_FORCE);
}

void TfrmTaskBar::MNURebootWorkstationClick() {
    EndDesktopSession(c_AskReboot, c_EWX_REBOOT | c_EWX_FORCE);
}

void TfrmTaskBar::MNUShutdownWorkstationClick() {
    EndDesktopSession(c_AskShutdown, c_EWX_SHUTDOWN | c_EWX_FORCE | c_EWX_POWEROFF);
}

// A refused end takes the permissions back, so that the running session stays protected.
void TfrmTaskBar::EndDesktopSession(const char* aQuestion, TZRVWinExitFlags aFlags) {
    Ask(QMessageBox::Question, c_TikoraTitle, aQuestion, [this, aFlags] {
        frmMain->SetCanExitWindows(true);
        frmMain->CanCloseApp = true;
        WinExit(aFlags, this, [this](bool aEnded) {
            if (aEnded)
                return;
            frmMain->CanCloseApp = false;
            frmMain->SetCanExitWindows(false);
            Warn(Tr(c_CannotExecute));
        });
    });
}
