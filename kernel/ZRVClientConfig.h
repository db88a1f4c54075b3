#pragma once
// The workstation's configuration: every setting is read from the settings store when it is read
// and written when it is set. Its text form is the ClC_ record that the server fetches and sends
// back to change the workstation's settings.

#include "ZRVCustomConfig.h"
#include "ZRVSystem.h"

#include <type_traits>

namespace ZRVClientConfig {

inline const QString c_MAINKEY = QStringLiteral("\\Software\\Vantorel\\Tikora Manager\\2.3\\Client");
inline const QString c_GSection = QStringLiteral("\\General");
inline const QString c_UISection = QStringLiteral("\\User Informations");
inline const QString c_WRSection = QStringLiteral("\\Windows Restrictions");
inline const QString c_UrlSection = QStringLiteral("\\Urls");
inline const QString c_PoliciesSection =
    QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer");

inline const QString c_KeyGSExeName = QStringLiteral("ExeName");
inline const QString c_KeyGSAutoLaunch = QStringLiteral("AutoLaunch");
inline const QString c_KeyGSSingleImageFile = QStringLiteral("BackgroundPicture");
inline const QString c_KeyGSBackgroundMode = QStringLiteral("BackGroundMode");
inline const QString c_KeyGSDiaporamaDelay = QStringLiteral("DiaporamaDelay");
inline const QString c_KeyGSServerAddress = QStringLiteral("ServerAddress");
inline const QString c_KeyGSServerPort = QStringLiteral("ServerPort");
inline const QString c_KeyGSBootCount = QStringLiteral("BootCount");
inline const QString c_KeyGSPingInterval = QStringLiteral("PingInterval");
inline const QString c_KeyGSPingTimeOut = QStringLiteral("PingTimeOut");
inline const QString c_KeyGSClientPingEnabled = QStringLiteral("ClientPingEnabled");
inline const QString c_KeyGSLockedHourFormula = QStringLiteral("LockedHourFormula");
inline const QString c_KeyUIUserID = QStringLiteral("UserID");
inline const QString c_KeyUIOwnerName = QStringLiteral("OwnerName");
inline const QString c_KeyUICompanyName = QStringLiteral("CompanyName");
inline const QString c_KeyUIAddress = QStringLiteral("Address");
inline const QString c_KeyUIPhone = QStringLiteral("Phone");
inline const QString c_KeyUIPoBox = QStringLiteral("PoBox");
inline const QString c_KeyUIEmail = QStringLiteral("Email");
inline const QString c_KeyUIGeography = QStringLiteral("Geography");
inline const QString c_KeyUITown = QStringLiteral("Town");
inline const QString c_KeyUICountry = QStringLiteral("Country");
inline const QString c_KeyWRFastTaskSwitchEnabled = QStringLiteral("FastTaskSwitchEnabled");
inline const QString c_KeyWRTaskMgrEnabled = QStringLiteral("TaskMgrEnabled");
inline const QString c_KeyWRDesktopVisible = QStringLiteral("DesktopVisible");
inline const QString c_KeyWRStartMenuEnabled = QStringLiteral("StartMenuEnabled");
inline const QString c_KeyWRShellTrayVisible = QStringLiteral("ShellTrayVisible");
inline const QString c_KeyWRLockProgramFilesFolder = QStringLiteral("LockProgramFilesFolder");
inline const QString c_KeyWRLockSystemFolder = QStringLiteral("LockSystemFolder");
inline const QString c_KeyWRLockWindowsFolder = QStringLiteral("LockWindowsFolder");
inline const QString c_KeyWRLockConfigPanel = QStringLiteral("LockConfigPanel");
inline const QString c_KeyWRLockDisplaySettings = QStringLiteral("LockDisplaySettings");
inline const QString c_KeyWRLockIESettings = QStringLiteral("LockIESettings");
inline const QString c_KeyWRLockReboot = QStringLiteral("LockReboot");
inline const QString c_KeyWRLockLogoff = QStringLiteral("LockLogoff");
inline const QString c_KeyWRLockShutdown = QStringLiteral("LockShutdown");
inline const QString c_KeyUrlBaseSwf = QStringLiteral("BaseSwfUrl");
inline const QString c_KeyUrlLumeraHomePage = QStringLiteral("LumeraHomePageUrl");
inline const QString c_KeyGSStoredSession = QStringLiteral("Session");
// The desktop's panel, started when the desktop shell is switched back on; kept beside the shell
// setting, where the Windows program named "Explorer.exe".
inline const QString c_KeyPanelCommand = QStringLiteral("PanelCommand");
// The panels looked for when none is set, in this order.
inline const QStringList c_KnownPanels = {QStringLiteral("xfce4-panel"), QStringLiteral("lxpanel"),
                                          QStringLiteral("lxqt-panel"),  QStringLiteral("mate-panel"),
                                          QStringLiteral("gnome-panel"), QStringLiteral("tint2")};

inline const QString c_DefBaseSwf = QStringLiteral("http://zrv2.example.net/zrv/ads/swfquery.php");
inline const QString c_DefLumeraHomePage = QStringLiteral("http://zrv2.example.net/");

// The keys of the ClC_ record.
inline const QString c_ClC_UIUID = QStringLiteral("ClC_UIUID");
inline const QString c_ClC_UION = QStringLiteral("ClC_UION");
inline const QString c_ClC_UICN = QStringLiteral("ClC_UICN");
inline const QString c_ClC_UIA = QStringLiteral("ClC_UIA");
inline const QString c_ClC_UIPh = QStringLiteral("ClC_UIPh");
inline const QString c_ClC_UIPoB = QStringLiteral("ClC_UIPoB");
inline const QString c_ClC_UIEm = QStringLiteral("ClC_UIEm");
inline const QString c_ClC_UIGeo = QStringLiteral("ClC_UIGeo");
inline const QString c_ClC_UITwn = QStringLiteral("ClC_UITwn");
inline const QString c_ClC_UICnt = QStringLiteral("ClC_UICnt");
inline const QString c_ClC_AL = QStringLiteral("ClC_AL");
inline const QString c_ClC_SIF = QStringLiteral("ClC_SIF");
inline const QString c_ClC_DD = QStringLiteral("ClC_DD");
inline const QString c_ClC_BM = QStringLiteral("ClC_BM");
inline const QString c_ClC_SAd = QStringLiteral("ClC_SAd");
inline const QString c_ClC_SPt = QStringLiteral("ClC_SPt");
inline const QString c_ClC_BootC = QStringLiteral("ClC_BootC");
inline const QString c_ClC_WRFTSE = QStringLiteral("ClC_WRFTSE");
inline const QString c_ClC_WRTME = QStringLiteral("ClC_WRTME");
inline const QString c_ClC_WRDV = QStringLiteral("ClC_WRDV");
inline const QString c_ClC_WRSME = QStringLiteral("ClC_WRSME");
inline const QString c_ClC_WRSTV = QStringLiteral("ClC_WRSTV");
inline const QString c_ClC_WRLPFF = QStringLiteral("ClC_WRLPFF");
inline const QString c_ClC_WRLSF = QStringLiteral("ClC_WRLSF");
inline const QString c_ClC_WRLWF = QStringLiteral("ClC_WRLWF");
inline const QString c_ClC_WRLCP = QStringLiteral("ClC_WRLCP");
inline const QString c_ClC_WRLDS = QStringLiteral("ClC_WRLDS");
inline const QString c_ClC_WRLIES = QStringLiteral("ClC_WRLIES");
inline const QString c_ClC_WRLR = QStringLiteral("ClC_WRLR");
inline const QString c_ClC_WRLL = QStringLiteral("ClC_WRLL");
inline const QString c_ClC_WRLS = QStringLiteral("ClC_WRLS");
inline const QString c_ClC_LHF = QStringLiteral("ClC_LHF");

// The settings: key path, value name and the fallback of a failed read.
namespace Settings {
inline const QString GeneralKey = c_MAINKEY + c_GSection;
inline const QString UserInformationsKey = c_MAINKEY + c_UISection;
inline const QString WindowsRestrictionsKey = c_MAINKEY + c_WRSection;
inline const QString UrlsKey = c_MAINKEY + c_UrlSection;

inline const TZRVSetting<QString> ExeName{GeneralKey, c_KeyGSExeName, {}};
inline const TZRVSetting<bool> AutoLaunch{GeneralKey, c_KeyGSAutoLaunch, true};
inline const TZRVSetting<QString> SingleImageFile{GeneralKey, c_KeyGSSingleImageFile, {}};
inline const TZRVSetting<int> BackgroundMode{GeneralKey, c_KeyGSBackgroundMode, 1};
inline const TZRVSetting<int> DiaporamaDelay{GeneralKey, c_KeyGSDiaporamaDelay, 600000};
inline const TZRVSetting<QString> ServerAddress{GeneralKey, c_KeyGSServerAddress, QStringLiteral("Serveur")};
inline const TZRVSetting<int> ServerPort{GeneralKey, c_KeyGSServerPort, 12345};
inline const TZRVSetting<int> BootCount{GeneralKey, c_KeyGSBootCount, 0};
inline const TZRVSetting<int> PingInterval{GeneralKey, c_KeyGSPingInterval, 120000};
inline const TZRVSetting<int> PingTimeOut{GeneralKey, c_KeyGSPingTimeOut, 60000};
inline const TZRVSetting<bool> ClientPingEnabled{GeneralKey, c_KeyGSClientPingEnabled, false};
inline const TZRVSetting<QString> LockedHourFormula{GeneralKey, c_KeyGSLockedHourFormula, {}};
inline const TZRVSetting<QString> UIUserID{UserInformationsKey, c_KeyUIUserID, QStringLiteral("0")};
inline const TZRVSetting<QString> UIOwnerName{UserInformationsKey, c_KeyUIOwnerName, {}};
inline const TZRVSetting<QString> UICompanyName{UserInformationsKey, c_KeyUICompanyName, {}};
inline const TZRVSetting<QString> UIAddress{UserInformationsKey, c_KeyUIAddress, {}};
inline const TZRVSetting<QString> UIPhone{UserInformationsKey, c_KeyUIPhone, {}};
inline const TZRVSetting<QString> UIPoBox{UserInformationsKey, c_KeyUIPoBox, {}};
inline const TZRVSetting<QString> UIEmail{UserInformationsKey, c_KeyUIEmail, {}};
inline const TZRVSetting<QString> UIGeography{UserInformationsKey, c_KeyUIGeography, {}};
inline const TZRVSetting<QString> UITown{UserInformationsKey, c_KeyUITown, {}};
inline const TZRVSetting<QString> UICountry{UserInformationsKey, c_KeyUICountry, {}};
inline const TZRVSetting<bool> WRFastTaskSwitchEnabled{WindowsRestrictionsKey, c_KeyWRFastTaskSwitchEnabled,
                                                       true};
inline const TZRVSetting<bool> WRTaskMgrEnabled{WindowsRestrictionsKey, c_KeyWRTaskMgrEnabled, false};
inline const TZRVSetting<bool> WRDesktopVisible{WindowsRestrictionsKey, c_KeyWRDesktopVisible, true};
inline const TZRVSetting<bool> WRStartMenuEnabled{WindowsRestrictionsKey, c_KeyWRStartMenuEnabled, true};
inline const TZRVSetting<bool> WRShellTrayVisible{WindowsRestrictionsKey, c_KeyWRShellTrayVisible, true};
inline const TZRVSetting<bool> WRLockProgramFilesFolder{WindowsRestrictionsKey, c_KeyWRLockProgramFilesFolder,
                                                        true};
inline const TZRVSetting<bool> WRLockSystemFolder{WindowsRestrictionsKey, c_KeyWRLockSystemFolder, true};
inline const TZRVSetting<bool> WRLockWindowsFolder{WindowsRestrictionsKey, c_KeyWRLockWindowsFolder, true};
inline const TZRVSetting<bool> WRLockConfigPanel{WindowsRestrictionsKey, c_KeyWRLockConfigPanel, true};
inline const TZRVSetting<bool> WRLockDisplaySettings{WindowsRestrictionsKey, c_KeyWRLockDisplaySettings,
                                                     true};
inline const TZRVSetting<bool> WRLockIESettings{WindowsRestrictionsKey, c_KeyWRLockIESettings, true};
inline const TZRVSetting<bool> WRLockReboot{WindowsRestrictionsKey, c_KeyWRLockReboot, true};
inline const TZRVSetting<bool> WRLockLogOff{WindowsRestrictionsKey, c_KeyWRLockLogoff, true};
inline const TZRVSetting<bool> WRLockShutdown{WindowsRestrictionsKey, c_KeyWRLockShutdown, true};
inline const TZRVSetting<QString> UrlBaseSwf{UrlsKey, c_KeyUrlBaseSwf, c_DefBaseSwf};
inline const TZRVSetting<QString> UrlLumeraHomePage{UrlsKey, c_KeyUrlLumeraHomePage, c_DefLumeraHomePage};
inline const TZRVSetting<QString> StoredSession{GeneralKey, c_KeyGSStoredSession, {}};
inline const TZRVSetting<QString> PanelCommand{c_WinLogonKey, c_KeyPanelCommand, {}};
} // namespace Settings

// A value in its ClC_ text form: booleans "-1" / "0", integers in decimal.
inline QString ClCText(bool aValue) {
    return BoolToStr(aValue);
}
inline QString ClCText(int aValue) {
    return IntToStr(aValue);
}
inline QString ClCText(const QString& aValue) {
    return aValue;
}

// A ClC_ text read strictly; raises EConvertError for a malformed integer or boolean.
template <class T> T ClCValue(const QString& aText) {
    if constexpr (std::is_same_v<T, int>)
        return StrToInt(aText);
    else if constexpr (std::is_same_v<T, bool>)
        return StrToBool(aText);
    else
        return aText;
}

} // namespace ZRVClientConfig

namespace ZRVClientSettings = ZRVClientConfig::Settings;

class TZRVClientConfig : public TZRVCustomConfig {
    Q_OBJECT
public:
    using TZRVCustomConfig::TZRVCustomConfig;

    QString ExeName() const { return Get(ZRVClientSettings::ExeName); }
    void SetExeName(const QString& aValue) { Set(ZRVClientSettings::ExeName, aValue); }
    bool AutoLaunch() const { return Get(ZRVClientSettings::AutoLaunch); }
    void SetAutoLaunch(bool aValue) { Set(ZRVClientSettings::AutoLaunch, aValue); }
    QString SingleImageFile() const { return Get(ZRVClientSettings::SingleImageFile); }
    void SetSingleImageFile(const QString& aValue) { Set(ZRVClientSettings::SingleImageFile, aValue); }
    int BackgroundMode() const { return Get(ZRVClientSettings::BackgroundMode); }
    void SetBackgroundMode(int aValue) { Set(ZRVClientSettings::BackgroundMode, aValue); }
    int DiaporamaDelay() const { return Get(ZRVClientSettings::DiaporamaDelay); }
    void SetDiaporamaDelay(int aValue) { Set(ZRVClientSettings::DiaporamaDelay, aValue); }
    QString ServerAddress() const { return Get(ZRVClientSettings::ServerAddress); }
    void SetServerAddress(const QString& aValue) { Set(ZRVClientSettings::ServerAddress, aValue); }
    int ServerPort() const { return Get(ZRVClientSettings::ServerPort); }
    void SetServerPort(int aValue) { Set(ZRVClientSettings::ServerPort, aValue); }
    int BootCount() const { return Get(ZRVClientSettings::BootCount); }
    void SetBootCount(int aValue) { Set(ZRVClientSettings::BootCount, aValue); }
    int PingInterval() const { return Get(ZRVClientSettings::PingInterval); }
    void SetPingInterval(int aValue) { Set(ZRVClientSettings::PingInterval, aValue); }
    int PingTimeOut() const { return Get(ZRVClientSettings::PingTimeOut); }
    void SetPingTimeOut(int aValue) { Set(ZRVClientSettings::PingTimeOut, aValue); }
    bool ClientPingEnabled() const { return Get(ZRVClientSettings::ClientPingEnabled); }
    void SetClientPingEnabled(bool aValue) { Set(ZRVClientSettings::ClientPingEnabled, aValue); }
    QString LockedHourFormula() const { return Get(ZRVClientSettings::LockedHourFormula); }
    void SetLockedHourFormula(const QString& aValue) { Set(ZRVClientSettings::LockedHourFormula, aValue); }
    QString UIUserID() const { return Get(ZRVClientSettings::UIUserID); }
    void SetUIUserID(const QString& aValue) { Set(ZRVClientSettings::UIUserID, aValue); }
    QString UIOwnerName() const { return Get(ZRVClientSettings::UIOwnerName); }
    void SetUIOwnerName(const QString& aValue) { Set(ZRVClientSettings::UIOwnerName, aValue); }
    QString UICompanyName() const { return Get(ZRVClientSettings::UICompanyName); }
    void SetUICompanyName(const QString& aValue) { Set(ZRVClientSettings::UICompanyName, aValue); }
    QString UIAddress() const { return Get(ZRVClientSettings::UIAddress); }
    void SetUIAddress(const QString& aValue) { Set(ZRVClientSettings::UIAddress, aValue); }
    QString UIPhone() const { return Get(ZRVClientSettings::UIPhone); }
    void SetUIPhone(const QString& aValue) { Set(ZRVClientSettings::UIPhone, aValue); }
    QString UIPoBox() const { return Get(ZRVClientSettings::UIPoBox); }
    void SetUIPoBox(const QString& aValue) { Set(ZRVClientSettings::UIPoBox, aValue); }
    QString UIEmail() const { return Get(ZRVClientSettings::UIEmail); }
    void SetUIEmail(const QString& aValue) { Set(ZRVClientSettings::UIEmail, aValue); }
    QString UIGeography() const { return Get(ZRVClientSettings::UIGeography); }
    void SetUIGeography(const QString& aValue) { Set(ZRVClientSettings::UIGeography, aValue); }
    QString UITown() const { return Get(ZRVClientSettings::UITown); }
    void SetUITown(const QString& aValue) { Set(ZRVClientSettings::UITown, aValue); }
    QString UICountry() const { return Get(ZRVClientSettings::UICountry); }
    void SetUICountry(const QString& aValue) { Set(ZRVClientSettings::UICountry, aValue); }
    bool WRFastTaskSwitchEnabled() const { return Get(ZRVClientSettings::WRFastTaskSwitchEnabled); }
    void SetWRFastTaskSwitchEnabled(bool aValue) { Set(ZRVClientSettings::WRFastTaskSwitchEnabled, aValue); }
    bool WRTaskMgrEnabled() const { return Get(ZRVClientSettings::WRTaskMgrEnabled); }
    void SetWRTaskMgrEnabled(bool aValue) { Set(ZRVClientSettings::WRTaskMgrEnabled, aValue); }
    bool WRDesktopVisible() const { return Get(ZRVClientSettings::WRDesktopVisible); }
    void SetWRDesktopVisible(bool aValue) { Set(ZRVClientSettings::WRDesktopVisible, aValue); }
    bool WRStartMenuEnabled() const { return Get(ZRVClientSettings::WRStartMenuEnabled); }
    void SetWRStartMenuEnabled(bool aValue) { Set(ZRVClientSettings::WRStartMenuEnabled, aValue); }
    bool WRShellTrayVisible() const { return Get(ZRVClientSettings::WRShellTrayVisible); }
    void SetWRShellTrayVisible(bool aValue) { Set(ZRVClientSettings::WRShellTrayVisible, aValue); }
    bool WRLockProgramFilesFolder() const { return Get(ZRVClientSettings::WRLockProgramFilesFolder); }
    void SetWRLockProgramFilesFolder(bool aValue) {
        Set(ZRVClientSettings::WRLockProgramFilesFolder, aValue);
    }
    bool WRLockSystemFolder() const { return Get(ZRVClientSettings::WRLockSystemFolder); }
    void SetWRLockSystemFolder(bool aValue) { Set(ZRVClientSettings::WRLockSystemFolder, aValue); }
    bool WRLockWindowsFolder() const { return Get(ZRVClientSettings::WRLockWindowsFolder); }
    void SetWRLockWindowsFolder(bool aValue) { Set(ZRVClientSettings::WRLockWindowsFolder, aValue); }
    bool WRLockConfigPanel() const { return Get(ZRVClientSettings::WRLockConfigPanel); }
    void SetWRLockConfigPanel(bool aValue) { Set(ZRVClientSettings::WRLockConfigPanel, aValue); }
    bool WRLockDisplaySettings() const { return Get(ZRVClientSettings::WRLockDisplaySettings); }
    void SetWRLockDisplaySettings(bool aValue) { Set(ZRVClientSettings::WRLockDisplaySettings, aValue); }
    bool WRLockIESettings() const { return Get(ZRVClientSettings::WRLockIESettings); }
    void SetWRLockIESettings(bool aValue) { Set(ZRVClientSettings::WRLockIESettings, aValue); }
    bool WRLockReboot() const { return Get(ZRVClientSettings::WRLockReboot); }
    void SetWRLockReboot(bool aValue) { Set(ZRVClientSettings::WRLockReboot, aValue); }
    bool WRLockLogOff() const { return Get(ZRVClientSettings::WRLockLogOff); }
    void SetWRLockLogOff(bool aValue) { Set(ZRVClientSettings::WRLockLogOff, aValue); }
    bool WRLockShutdown() const { return Get(ZRVClientSettings::WRLockShutdown); }
    void SetWRLockShutdown(bool aValue) { Set(ZRVClientSettings::WRLockShutdown, aValue); }
    QString UrlBaseSwf() const { return Get(ZRVClientSettings::UrlBaseSwf); }
    void SetUrlBaseSwf(const QString& aValue) { Set(ZRVClientSettings::UrlBaseSwf, aValue); }
    QString UrlLumeraHomePage() const { return Get(ZRVClientSettings::UrlLumeraHomePage); }
    void SetUrlLumeraHomePage(const QString& aValue) { Set(ZRVClientSettings::UrlLumeraHomePage, aValue); }

    // The command that starts the desktop's panel: the one set, else the first known panel found on
    // the system (empty when there is none).
    QString PanelCommand() const;
    void SetPanelCommand(const QString& aValue) { Set(ZRVClientSettings::PanelCommand, aValue); }

    // The running session in its buffer form, kept so that it survives a restart.
    QString getStoredSession() const { return Get(ZRVClientSettings::StoredSession); }
    void setStoredSession(const QString& aValue) { Set(ZRVClientSettings::StoredSession, aValue); }

    // Applies a ClC_ record through the setters in record order: texts as they are, integers
    // leniently (malformed or missing gives 0), booleans strictly. The first malformed boolean or
    // failed write ends the reading; what was applied before it stays.
    void LoadFromStringList(const TStringList& List);
    // The 32 lines of the ClC_ record, read from the store.
    TStringList SaveToStringList() const;
    void LoadFromBuffer(const QString& Buffer);
    QString SaveToBuffer() const;

    // Removes every setting of the workstation, lifts all restrictions and puts the desktop shell
    // back. True when no setting is left.
    bool Uninstall();
};
