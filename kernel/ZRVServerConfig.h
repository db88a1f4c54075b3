#pragma once
// The server program's settings, read from and written to the settings store at every access, and
// the server's in-memory copy of one workstation's settings.

#include "ZRVClientConfig.h"
#include "ZRVThrottle.h"

namespace ZRVServerConfig {

inline const QString c_def_RegistryKey = QStringLiteral("\\Software\\Vantorel\\Tikora Manager\\2.3");
inline const QString c_MAINKEY = QStringLiteral("\\Software\\Vantorel\\Tikora Manager\\2.3\\Server");
inline const QString c_CONNECTIONSVIEW = QStringLiteral("\\ConnectionsView");
inline const QString c_SELLSVIEW = QStringLiteral("\\SellsView");
inline const QString c_ACCOUNTSVIEW = QStringLiteral("\\AccountsView");
inline const QString c_TICKETSVIEW = QStringLiteral("\\TicketsView");
inline const QString c_REPORTSVIEW = QStringLiteral("\\ReportsView");
inline const QString c_ADMINVIEW = QStringLiteral("\\AdminView");
inline const QString c_USERSGROUPS = QStringLiteral("\\AdminView\\UsersGroups");
inline const QString c_BONUS = QStringLiteral("\\AdminView\\Bonus");
inline const QString c_CLIENTSCONFIG = QStringLiteral("\\AdminView\\ClientsConfig");
inline const QString c_DATABASE = QStringLiteral("\\AdminView\\Database");
inline const QString c_OTHERS = QStringLiteral("\\AdminView\\Others");
inline const QString c_PRICESETUP = QStringLiteral("\\AdminView\\PriceSetup");
inline const QString c_URLS = QStringLiteral("\\Urls");
inline const QString c_SECURITY = QStringLiteral("\\AdminView\\Security");

inline const QString c_KLastPageIndex = QStringLiteral("LastPageIndex");
inline const QString c_KLastAutoCreditDate = QStringLiteral("LastAutoCreditDate");
inline const QString c_CnV_KListViewMode = QStringLiteral("ListViewMode");
inline const QString c_AdmV_KLastPageIndex = QStringLiteral("LastPageIndex");
inline const QString c_AdmV_Bonus_KAutoBonus = QStringLiteral("AutoBonus");
inline const QString c_AdmV_Bonus_KFrequency = QStringLiteral("Frequency");
inline const QString c_AdmV_Bonus_KDaysInterval = QStringLiteral("DaysInterval");
inline const QString c_AdmV_Bonus_KValueMode = QStringLiteral("ValueMode");
inline const QString c_AdmV_Bonus_KMinutes = QStringLiteral("Minutes");
inline const QString c_AdmV_Bonus_KPercent = QStringLiteral("Percent");
inline const QString c_AdmV_Bonus_KMessage = QStringLiteral("Message");
inline const QString c_AdmV_Bonus_KLastBonusDate = QStringLiteral("LastBonusDate");
inline const QString c_AdmV_ClientsCfg_KSynchronizeClientTimeToServer =
    QStringLiteral("SynchronizeClientTimeToServer");
inline const QString c_AdmV_ClientsCfg_ServerPingInterval = QStringLiteral("ServerPingInterval");
inline const QString c_AdmV_ClientsCfg_ServerPingTimeOut = QStringLiteral("ServerPingTimeOut");
inline const QString c_AdmV_DB_KAutoClean = QStringLiteral("AutoClean");
inline const QString c_AdmV_DB_KCleanExpiredAccounts = QStringLiteral("CleanExpiredAccounts");
inline const QString c_AdmV_DB_KCleanExpiredTickets = QStringLiteral("CleanExpiredTickets");
inline const QString c_AdmV_DB_KCleanEmptyTickets = QStringLiteral("CleanEmptyTickets");
inline const QString c_AdmV_DB_KEmptyTicketsValue = QStringLiteral("EmptyTicketsValue");
inline const QString c_AdmV_DB_KCleanFrequency = QStringLiteral("CleanFrequency");
inline const QString c_AdmV_DB_KLastCleanDate = QStringLiteral("LastCleanDate");
inline const QString c_AdmV_Others_KAutoStart = QStringLiteral("AutoStart");
inline const QString c_AdmV_Others_KCheckProgramUpdates = QStringLiteral("CheckProgramUpdates");
inline const QString c_AdmV_Others_KUpdatesCheckFrequency = QStringLiteral("UpdatesCheckFrequency");
inline const QString c_AdmV_Others_KLastCheckDate = QStringLiteral("LastCheckDate");
inline const QString c_AdmV_Others_KServerPort = QStringLiteral("ServerPort");
inline const QString c_AdmV_Others_KMaxPcs = QStringLiteral("MaxConnections");
inline const QString c_AdmV_Others_KCompanyID = QStringLiteral("CompanyID");
inline const QString c_AdmV_Others_KCompanyOwner = QStringLiteral("CompanyOwner");
inline const QString c_AdmV_Others_KCompanyName = QStringLiteral("CompanyName");
inline const QString c_AdmV_Others_KCompanyAddress = QStringLiteral("CompanyAddress");
inline const QString c_AdmV_Others_KCompanyPhone = QStringLiteral("CompanyPhone");
inline const QString c_AdmV_Others_KCompanyBP = QStringLiteral("CompanyBP");
inline const QString c_AdmV_Others_KCompanyEmail = QStringLiteral("CompanyEmail");
inline const QString c_AdmV_Others_KCompanyGeography = QStringLiteral("CompanyGeography");
inline const QString c_AdmV_Others_KCompanyTown = QStringLiteral("CompanyTown");
inline const QString c_AdmV_Others_KCompanyCountry = QStringLiteral("CompanyCountry");
inline const QString c_AdmV_AutoDBUpdateSession = QStringLiteral("AutoDBUpdateSession");
inline const QString c_AdmV_ServerPingEnabled = QStringLiteral("ServerPingEnabled");
inline const QString c_Sec_KGuessFreeFailures = QStringLiteral("GuessFreeFailures");
inline const QString c_Sec_KGuessWindow = QStringLiteral("GuessWindow");
inline const QString c_Sec_KGuessFirstDelay = QStringLiteral("GuessFirstDelay");
inline const QString c_Sec_KGuessLockOut = QStringLiteral("GuessLockOut");
inline const QString c_Sec_KAccountCreations = QStringLiteral("AccountCreationsPerAddress");
inline const QString c_Sec_KAccountCreationWindow = QStringLiteral("AccountCreationWindow");
inline const QString c_Sec_KSessionCountTolerance = QStringLiteral("SessionCountTolerance");
inline const QString c_Url_Suggests = QStringLiteral("Suggests");
inline const QString c_Url_ErrorsReport = QStringLiteral("ErrorsReport");
inline const QString c_Url_LumeraHomePage = QStringLiteral("LumeraHomePage");
inline const QString c_Url_ZRVHomePage = QStringLiteral("ZRVHomePage");
inline const QString c_Url_ZRVUpdatePage = QStringLiteral("ZRVUpdatePage");

inline const QString c_DefSuggests = QStringLiteral("http://zrv2.example.net/forum/suggestions");
inline const QString c_DefErrorsReport = QStringLiteral("http://zrv2.example.net/forum/support");
inline const QString c_DefLumeraHomePage = QStringLiteral("http://zrv2.example.net/");
inline const QString c_DefZRVHomePage = QStringLiteral("http://zrv2.example.net/forum/");
inline const QString c_DefZRVUpdatePage = QStringLiteral("http://zrv2.example.net/zrv/update.php");

// The settings: key path, value name and the fallback of a failed read.
namespace Settings {
inline const QString MainKey = c_MAINKEY;
inline const QString ConnectionsViewKey = c_MAINKEY + c_CONNECTIONSVIEW;
inline const QString AdminViewKey = c_MAINKEY + c_ADMINVIEW;
inline const QString BonusKey = c_MAINKEY + c_BONUS;
inline const QString ClientsConfigKey = c_MAINKEY + c_CLIENTSCONFIG;
inline const QString DatabaseKey = c_MAINKEY + c_DATABASE;
inline const QString OthersKey = c_MAINKEY + c_OTHERS;
inline const QString UrlsKey = c_MAINKEY + c_URLS;
inline const QString SecurityKey = c_MAINKEY + c_SECURITY;

inline const TZRVSetting<int> ProgramLastPageIndex{MainKey, c_KLastPageIndex, 0};
inline const TZRVSetting<TDateTime> LastAutoCreditDate{MainKey, c_KLastAutoCreditDate, 0};
inline const TZRVSetting<int> ConnectionsListViewMode{ConnectionsViewKey, c_CnV_KListViewMode, 1};
inline const TZRVSetting<int> AdminLastPageIndex{AdminViewKey, c_AdmV_KLastPageIndex, 0};
inline const TZRVSetting<bool> Bonus_AutoBonus{BonusKey, c_AdmV_Bonus_KAutoBonus, false};
inline const TZRVSetting<int> Bonus_Frequency{BonusKey, c_AdmV_Bonus_KFrequency, 1};
inline const TZRVSetting<int> Bonus_DaysInterval{BonusKey, c_AdmV_Bonus_KDaysInterval, 30};
inline const TZRVSetting<int> Bonus_ValueMode{BonusKey, c_AdmV_Bonus_KValueMode, 1};
inline const TZRVSetting<int> Bonus_Minutes{BonusKey, c_AdmV_Bonus_KMinutes, 0};
inline const TZRVSetting<int> Bonus_Percent{BonusKey, c_AdmV_Bonus_KPercent, 10};
inline const TZRVSetting<QString> Bonus_Message{BonusKey, c_AdmV_Bonus_KMessage, {}};
inline const TZRVSetting<TDateTime> Bonus_LastBonusDate{BonusKey, c_AdmV_Bonus_KLastBonusDate, 0};
inline const TZRVSetting<bool> ClientsCfg_SynchronizeClientTimeToServer{
    ClientsConfigKey, c_AdmV_ClientsCfg_KSynchronizeClientTimeToServer, false};
inline const TZRVSetting<int> ServerPingInterval{ClientsConfigKey, c_AdmV_ClientsCfg_ServerPingInterval,
                                                 120000};
inline const TZRVSetting<int> ServerPingTimeOut{ClientsConfigKey, c_AdmV_ClientsCfg_ServerPingTimeOut, 60000};
inline const TZRVSetting<bool> DB_AutoClean{DatabaseKey, c_AdmV_DB_KAutoClean, true};
inline const TZRVSetting<bool> DB_CleanExpiredAccounts{DatabaseKey, c_AdmV_DB_KCleanExpiredAccounts, false};
inline const TZRVSetting<bool> DB_CleanExpiredTickets{DatabaseKey, c_AdmV_DB_KCleanExpiredTickets, true};
inline const TZRVSetting<bool> DB_CleanEmptyTickets{DatabaseKey, c_AdmV_DB_KCleanEmptyTickets, true};
inline const TZRVSetting<int> DB_EmptyTicketsValue{DatabaseKey, c_AdmV_DB_KEmptyTicketsValue, 60};
inline const TZRVSetting<int> DB_CleanFrequency{DatabaseKey, c_AdmV_DB_KCleanFrequency, 3};
inline const TZRVSetting<TDateTime> DB_LastCleanDate{DatabaseKey, c_AdmV_DB_KLastCleanDate, 0};
inline const TZRVSetting<bool> Others_AutoStart{OthersKey, c_AdmV_Others_KAutoStart, false};
inline const TZRVSetting<bool> Others_CheckProgramUpdates{OthersKey, c_AdmV_Others_KCheckProgramUpdates,
                                                          false};
inline const TZRVSetting<int> Others_UpdatesCheckFrequency{OthersKey, c_AdmV_Others_KUpdatesCheckFrequency,
                                                           2};
inline const TZRVSetting<TDateTime> Others_LastCheckDate{OthersKey, c_AdmV_Others_KLastCheckDate, 0};
inline const TZRVSetting<int> Others_ServerPort{OthersKey, c_AdmV_Others_KServerPort, 12345};
inline const TZRVSetting<uint32_t> Others_MaxPcs{OthersKey, c_AdmV_Others_KMaxPcs, 10};
inline const TZRVSetting<uint32_t> Others_CompanyID{OthersKey, c_AdmV_Others_KCompanyID, 0};
inline const TZRVSetting<QString> Others_CompanyOwner{OthersKey, c_AdmV_Others_KCompanyOwner, {}};
inline const TZRVSetting<QString> Others_CompanyName{OthersKey, c_AdmV_Others_KCompanyName, {}};
inline const TZRVSetting<QString> Others_CompanyAddress{OthersKey, c_AdmV_Others_KCompanyAddress, {}};
inline const TZRVSetting<QString> Others_CompanyPhone{OthersKey, c_AdmV_Others_KCompanyPhone, {}};
inline const TZRVSetting<QString> Others_CompanyBP{OthersKey, c_AdmV_Others_KCompanyBP, {}};
inline const TZRVSetting<QString> Others_CompanyEmail{OthersKey, c_AdmV_Others_KCompanyEmail, {}};
inline const TZRVSetting<QString> Others_CompanyGeography{OthersKey, c_AdmV_Others_KCompanyGeography, {}};
inline const TZRVSetting<QString> Others_CompanyTown{OthersKey, c_AdmV_Others_KCompanyTown, {}};
inline const TZRVSetting<QString> Others_CompanyCountry{OthersKey, c_AdmV_Others_KCompanyCountry, {}};
inline const TZRVSetting<bool> AutoDBUpdateSession{OthersKey, c_AdmV_AutoDBUpdateSession, false};
inline const TZRVSetting<bool> ServerPingEnabled{OthersKey, c_AdmV_ServerPingEnabled, false};
// Guessing from one address: failures free within the window (seconds), the first wait (ms) and
// the longest, the lock-out (seconds).
inline const TZRVSetting<int> Guess_FreeFailures{SecurityKey, c_Sec_KGuessFreeFailures, 3};
inline const TZRVSetting<int> Guess_Window{SecurityKey, c_Sec_KGuessWindow, 600};
inline const TZRVSetting<int> Guess_FirstDelay{SecurityKey, c_Sec_KGuessFirstDelay, 1000};
inline const TZRVSetting<int> Guess_LockOut{SecurityKey, c_Sec_KGuessLockOut, 300};
// Account creations allowed from one address within the window (seconds).
inline const TZRVSetting<int> AccountCreations{SecurityKey, c_Sec_KAccountCreations, 3};
inline const TZRVSetting<int> AccountCreationWindow{SecurityKey, c_Sec_KAccountCreationWindow, 3600};
// Seconds a workstation's credit reports may lag behind the server's own count of a session.
inline const TZRVSetting<int> SessionCountTolerance{SecurityKey, c_Sec_KSessionCountTolerance, 30};
inline const TZRVSetting<QString> Url_Suggests{UrlsKey, c_Url_Suggests, c_DefSuggests};
inline const TZRVSetting<QString> Url_ErrorsReport{UrlsKey, c_Url_ErrorsReport, c_DefErrorsReport};
inline const TZRVSetting<QString> Url_LumeraHomePage{UrlsKey, c_Url_LumeraHomePage, c_DefLumeraHomePage};
inline const TZRVSetting<QString> Url_ZRVHomePage{UrlsKey, c_Url_ZRVHomePage, c_DefZRVHomePage};
inline const TZRVSetting<QString> Url_ZRVUpdatePage{UrlsKey, c_Url_ZRVUpdatePage, c_DefZRVUpdatePage};
} // namespace Settings

} // namespace ZRVServerConfig

namespace ZRVServerSettings = ZRVServerConfig::Settings;

class TZRVServerConfig : public TZRVCustomConfig {
    Q_OBJECT
public:
    using TZRVCustomConfig::TZRVCustomConfig;

    int GetProgramLastPageIndex() const { return Get(ZRVServerSettings::ProgramLastPageIndex); }
    void SetProgramLastPageIndex(int aValue) { Set(ZRVServerSettings::ProgramLastPageIndex, aValue); }
    TDateTime GetLastAutoCreditDate() const { return Get(ZRVServerSettings::LastAutoCreditDate); }
    void SetLastAutoCreditDate(TDateTime aValue) { Set(ZRVServerSettings::LastAutoCreditDate, aValue); }
    int GetConnectionsListViewMode() const { return Get(ZRVServerSettings::ConnectionsListViewMode); }
    void SetConnectionsListViewMode(int aValue) { Set(ZRVServerSettings::ConnectionsListViewMode, aValue); }
    int GetAdminLastPageIndex() const { return Get(ZRVServerSettings::AdminLastPageIndex); }
    void SetAdminLastPageIndex(int aValue) { Set(ZRVServerSettings::AdminLastPageIndex, aValue); }
    bool GetBonus_AutoBonus() const { return Get(ZRVServerSettings::Bonus_AutoBonus); }
    void SetBonus_AutoBonus(bool aValue) { Set(ZRVServerSettings::Bonus_AutoBonus, aValue); }
    int GetBonus_Frequency() const { return Get(ZRVServerSettings::Bonus_Frequency); }
    void SetBonus_Frequency(int aValue);
    int GetBonus_DaysInterval() const { return Get(ZRVServerSettings::Bonus_DaysInterval); }
    void SetBonus_DaysInterval(int aValue) { Set(ZRVServerSettings::Bonus_DaysInterval, aValue); }
    int GetBonus_ValueMode() const { return Get(ZRVServerSettings::Bonus_ValueMode); }
    void SetBonus_ValueMode(int aValue) { Set(ZRVServerSettings::Bonus_ValueMode, aValue); }
    int GetBonus_Minutes() const { return Get(ZRVServerSettings::Bonus_Minutes); }
    void SetBonus_Minutes(int aValue) { Set(ZRVServerSettings::Bonus_Minutes, aValue); }
    int GetBonus_Percent() const { return Get(ZRVServerSettings::Bonus_Percent); }
    void SetBonus_Percent(int aValue) { Set(ZRVServerSettings::Bonus_Percent, aValue); }
    QString GetBonus_Message() const { return Get(ZRVServerSettings::Bonus_Message); }
    void SetBonus_Message(const QString& aValue) { Set(ZRVServerSettings::Bonus_Message, aValue); }
    TDateTime GetBonus_LastBonusDate() const { return Get(ZRVServerSettings::Bonus_LastBonusDate); }
    void SetBonus_LastBonusDate(TDateTime aValue) { Set(ZRVServerSettings::Bonus_LastBonusDate, aValue); }
    bool GetClientsCfg_SynchronizeClientTimeToServer() const {
        return Get(ZRVServerSettings::ClientsCfg_SynchronizeClientTimeToServer);
    }
    void SetClientsCfg_SynchronizeClientTimeToServer(bool aValue) {
        Set(ZRVServerSettings::ClientsCfg_SynchronizeClientTimeToServer, aValue);
    }
    int GetServerPingInterval() const { return Get(ZRVServerSettings::ServerPingInterval); }
    void SetServerPingInterval(int aValue) { Set(ZRVServerSettings::ServerPingInterval, aValue); }
    int GetServerPingTimeOut() const { return Get(ZRVServerSettings::ServerPingTimeOut); }
    void SetServerPingTimeOut(int aValue) { Set(ZRVServerSettings::ServerPingTimeOut, aValue); }
    bool GetDB_AutoClean() const { return Get(ZRVServerSettings::DB_AutoClean); }
    void SetDB_AutoClean(bool aValue) { Set(ZRVServerSettings::DB_AutoClean, aValue); }
    bool GetDB_CleanExpiredAccounts() const { return Get(ZRVServerSettings::DB_CleanExpiredAccounts); }
    void SetDB_CleanExpiredAccounts(bool aValue) { Set(ZRVServerSettings::DB_CleanExpiredAccounts, aValue); }
    bool GetDB_CleanExpiredTickets() const { return Get(ZRVServerSettings::DB_CleanExpiredTickets); }
    void SetDB_CleanExpiredTickets(bool aValue) { Set(ZRVServerSettings::DB_CleanExpiredTickets, aValue); }
    bool GetDB_CleanEmptyTickets() const { return Get(ZRVServerSettings::DB_CleanEmptyTickets); }
    void SetDB_CleanEmptyTickets(bool aValue) { Set(ZRVServerSettings::DB_CleanEmptyTickets, aValue); }
    int GetDB_EmptyTicketsValue() const { return Get(ZRVServerSettings::DB_EmptyTicketsValue); }
    void SetDB_EmptyTicketsValue(int aValue) { Set(ZRVServerSettings::DB_EmptyTicketsValue, aValue); }
    int GetDB_CleanFrequency() const { return Get(ZRVServerSettings::DB_CleanFrequency); }
    void SetDB_CleanFrequency(int aValue);
    TDateTime GetDB_LastCleanDate() const { return Get(ZRVServerSettings::DB_LastCleanDate); }
    void SetDB_LastCleanDate(TDateTime aValue) { Set(ZRVServerSettings::DB_LastCleanDate, aValue); }
    bool GetOthers_AutoStart() const { return Get(ZRVServerSettings::Others_AutoStart); }
    void SetOthers_AutoStart(bool aValue);
    bool GetOthers_CheckProgramUpdates() const { return Get(ZRVServerSettings::Others_CheckProgramUpdates); }
    void SetOthers_CheckProgramUpdates(bool aValue) {
        Set(ZRVServerSettings::Others_CheckProgramUpdates, aValue);
    }
    int GetOthers_UpdatesCheckFrequency() const {
        return Get(ZRVServerSettings::Others_UpdatesCheckFrequency);
    }
    void SetOthers_UpdatesCheckFrequency(int aValue) {
        Set(ZRVServerSettings::Others_UpdatesCheckFrequency, aValue);
    }
    TDateTime GetOthers_LastCheckDate() const { return Get(ZRVServerSettings::Others_LastCheckDate); }
    void SetOthers_LastCheckDate(TDateTime aValue) { Set(ZRVServerSettings::Others_LastCheckDate, aValue); }
    int GetOthers_ServerPort() const { return Get(ZRVServerSettings::Others_ServerPort); }
    void SetOthers_ServerPort(int aValue) { Set(ZRVServerSettings::Others_ServerPort, aValue); }
    uint32_t GetOthers_MaxPcs() const { return Get(ZRVServerSettings::Others_MaxPcs); }
    void SetOthers_MaxPcs(uint32_t aValue) { Set(ZRVServerSettings::Others_MaxPcs, aValue); }
    uint32_t GetOthers_CompanyID() const { return Get(ZRVServerSettings::Others_CompanyID); }
    void SetOthers_CompanyID(uint32_t aValue) { Set(ZRVServerSettings::Others_CompanyID, aValue); }
    QString GetOthers_CompanyOwner() const { return Get(ZRVServerSettings::Others_CompanyOwner); }
    void SetOthers_CompanyOwner(const QString& aValue) {
        Set(ZRVServerSettings::Others_CompanyOwner, aValue);
    }
    QString GetOthers_CompanyName() const { return Get(ZRVServerSettings::Others_CompanyName); }
    void SetOthers_CompanyName(const QString& aValue) { Set(ZRVServerSettings::Others_CompanyName, aValue); }
    QString GetOthers_CompanyAddress() const { return Get(ZRVServerSettings::Others_CompanyAddress); }
    void SetOthers_CompanyAddress(const QString& aValue) {
        Set(ZRVServerSettings::Others_CompanyAddress, aValue);
    }
    QString GetOthers_CompanyPhone() const { return Get(ZRVServerSettings::Others_CompanyPhone); }
    void SetOthers_CompanyPhone(const QString& aValue) {
        Set(ZRVServerSettings::Others_CompanyPhone, aValue);
    }
    QString GetOthers_CompanyBP() const { return Get(ZRVServerSettings::Others_CompanyBP); }
    void SetOthers_CompanyBP(const QString& aValue) { Set(ZRVServerSettings::Others_CompanyBP, aValue); }
    QString GetOthers_CompanyEmail() const { return Get(ZRVServerSettings::Others_CompanyEmail); }
    void SetOthers_CompanyEmail(const QString& aValue) {
        Set(ZRVServerSettings::Others_CompanyEmail, aValue);
    }
    QString GetOthers_CompanyGeography() const { return Get(ZRVServerSettings::Others_CompanyGeography); }
    void SetOthers_CompanyGeography(const QString& aValue) {
        Set(ZRVServerSettings::Others_CompanyGeography, aValue);
    }
    QString GetOthers_CompanyTown() const { return Get(ZRVServerSettings::Others_CompanyTown); }
    void SetOthers_CompanyTown(const QString& aValue) { Set(ZRVServerSettings::Others_CompanyTown, aValue); }
    QString GetOthers_CompanyCountry() const { return Get(ZRVServerSettings::Others_CompanyCountry); }
    void SetOthers_CompanyCountry(const QString& aValue) {
        Set(ZRVServerSettings::Others_CompanyCountry, aValue);
    }
    bool GetAutoDBUpdateSession() const { return Get(ZRVServerSettings::AutoDBUpdateSession); }
    void SetAutoDBUpdateSession(bool aValue) { Set(ZRVServerSettings::AutoDBUpdateSession, aValue); }
    bool GetServerPingEnabled() const { return Get(ZRVServerSettings::ServerPingEnabled); }
    void SetServerPingEnabled(bool aValue) { Set(ZRVServerSettings::ServerPingEnabled, aValue); }
    int GetGuess_FreeFailures() const { return Get(ZRVServerSettings::Guess_FreeFailures); }
    void SetGuess_FreeFailures(int aValue) { Set(ZRVServerSettings::Guess_FreeFailures, aValue); }
    int GetGuess_Window() const { return Get(ZRVServerSettings::Guess_Window); }
    void SetGuess_Window(int aValue) { Set(ZRVServerSettings::Guess_Window, aValue); }
    int GetGuess_FirstDelay() const { return Get(ZRVServerSettings::Guess_FirstDelay); }
    void SetGuess_FirstDelay(int aValue) { Set(ZRVServerSettings::Guess_FirstDelay, aValue); }
    int GetGuess_LockOut() const { return Get(ZRVServerSettings::Guess_LockOut); }
    void SetGuess_LockOut(int aValue) { Set(ZRVServerSettings::Guess_LockOut, aValue); }
    int GetAccountCreations() const { return Get(ZRVServerSettings::AccountCreations); }
    void SetAccountCreations(int aValue) { Set(ZRVServerSettings::AccountCreations, aValue); }
    int GetAccountCreationWindow() const { return Get(ZRVServerSettings::AccountCreationWindow); }
    void SetAccountCreationWindow(int aValue) { Set(ZRVServerSettings::AccountCreationWindow, aValue); }
    int GetSessionCountTolerance() const { return Get(ZRVServerSettings::SessionCountTolerance); }
    void SetSessionCountTolerance(int aValue) { Set(ZRVServerSettings::SessionCountTolerance, aValue); }
    // The guessing limits and the account-creation limit as the listener's throttles take them.
    TZRVThrottleSettings GuessThrottleSettings() const;
    TZRVThrottleSettings AccountCreationThrottleSettings() const;

    QString GetUrl_Suggests() const { return Get(ZRVServerSettings::Url_Suggests); }
    void SetUrl_Suggests(const QString& aValue) { Set(ZRVServerSettings::Url_Suggests, aValue); }
    QString GetUrl_ErrorsReport() const { return Get(ZRVServerSettings::Url_ErrorsReport); }
    void SetUrl_ErrorsReport(const QString& aValue) { Set(ZRVServerSettings::Url_ErrorsReport, aValue); }
    QString GetUrl_LumeraHomePage() const { return Get(ZRVServerSettings::Url_LumeraHomePage); }
    void SetUrl_LumeraHomePage(const QString& aValue) { Set(ZRVServerSettings::Url_LumeraHomePage, aValue); }
    QString GetUrl_ZRVHomePage() const { return Get(ZRVServerSettings::Url_ZRVHomePage); }
    void SetUrl_ZRVHomePage(const QString& aValue) { Set(ZRVServerSettings::Url_ZRVHomePage, aValue); }
    QString GetUrl_ZRVUpdatePage() const { return Get(ZRVServerSettings::Url_ZRVUpdatePage); }
    void SetUrl_ZRVUpdatePage(const QString& aValue) { Set(ZRVServerSettings::Url_ZRVUpdatePage, aValue); }

    // The server program's path, kept in memory only; it names the start-up entry of AutoStart.
    const QString& GetExeName() const { return fExeName; }
    void SetExeName(const QString& aValue) { fExeName = aValue; }

    // Removes every setting of the server.
    bool Uninstall();

private:
    QString fExeName;
};

// The server's copy of one workstation's settings, carried by the ClC_ record. It never touches the
// settings store. Its cleared values lift every restriction, unlike the workstation's fallbacks.
class TZRVServerClientConfig {
public:
    const QString& UIUserID() const { return fUIUserID; }
    void SetUIUserID(const QString& aValue) { fUIUserID = aValue; }
    const QString& UIOwnerName() const { return fUIOwnerName; }
    void SetUIOwnerName(const QString& aValue) { fUIOwnerName = aValue; }
    const QString& UICompanyName() const { return fUICompanyName; }
    void SetUICompanyName(const QString& aValue) { fUICompanyName = aValue; }
    const QString& UIAddress() const { return fUIAddress; }
    void SetUIAddress(const QString& aValue) { fUIAddress = aValue; }
    const QString& UIPhone() const { return fUIPhone; }
    void SetUIPhone(const QString& aValue) { fUIPhone = aValue; }
    const QString& UIPoBox() const { return fUIPoBox; }
    void SetUIPoBox(const QString& aValue) { fUIPoBox = aValue; }
    const QString& UIEmail() const { return fUIEmail; }
    void SetUIEmail(const QString& aValue) { fUIEmail = aValue; }
    const QString& UIGeography() const { return fUIGeography; }
    void SetUIGeography(const QString& aValue) { fUIGeography = aValue; }
    const QString& UITown() const { return fUITown; }
    void SetUITown(const QString& aValue) { fUITown = aValue; }
    const QString& UICountry() const { return fUICountry; }
    void SetUICountry(const QString& aValue) { fUICountry = aValue; }
    bool AutoLaunch() const { return fAutoLaunch; }
    void SetAutoLaunch(bool aValue) { fAutoLaunch = aValue; }
    const QString& SingleImageFile() const { return fSingleImageFile; }
    void SetSingleImageFile(const QString& aValue) { fSingleImageFile = aValue; }
    int DiaporamaDelay() const { return fDiaporamaDelay; }
    void SetDiaporamaDelay(int aValue) { fDiaporamaDelay = aValue; }
    int BackgroundMode() const { return fBackgroundMode; }
    void SetBackgroundMode(int aValue) { fBackgroundMode = aValue; }
    const QString& ServerAddress() const { return fServerAddress; }
    void SetServerAddress(const QString& aValue) { fServerAddress = aValue; }
    int ServerPort() const { return fServerPort; }
    void SetServerPort(int aValue) { fServerPort = aValue; }
    bool WRFastTaskSwitchEnabled() const { return fWRFastTaskSwitchEnabled; }
    void SetWRFastTaskSwitchEnabled(bool aValue) { fWRFastTaskSwitchEnabled = aValue; }
    bool WRTaskMgrEnabled() const { return fWRTaskMgrEnabled; }
    void SetWRTaskMgrEnabled(bool aValue) { fWRTaskMgrEnabled = aValue; }
    bool WRDesktopVisible() const { return fWRDesktopVisible; }
    void SetWRDesktopVisible(bool aValue) { fWRDesktopVisible = aValue; }
    bool WRStartMenuEnabled() const { return fWRStartMenuEnabled; }
    void SetWRStartMenuEnabled(bool aValue) { fWRStartMenuEnabled = aValue; }
    bool WRShellTrayVisible() const { return fWRShellTrayVisible; }
    void SetWRShellTrayVisible(bool aValue) { fWRShellTrayVisible = aValue; }
    bool WRLockProgramFilesFolder() const { return fWRLockProgramFilesFolder; }
    void SetWRLockProgramFilesFolder(bool aValue) { fWRLockProgramFilesFolder = aValue; }
    bool WRLockSystemFolder() const { return fWRLockSystemFolder; }
    void SetWRLockSystemFolder(bool aValue) { fWRLockSystemFolder = aValue; }
    bool WRLockWindowsFolder() const { return fWRLockWindowsFolder; }
    void SetWRLockWindowsFolder(bool aValue) { fWRLockWindowsFolder = aValue; }
    bool WRLockConfigPanel() const { return fWRLockConfigPanel; }
    void SetWRLockConfigPanel(bool aValue) { fWRLockConfigPanel = aValue; }
    bool WRLockDisplaySettings() const { return fWRLockDisplaySettings; }
    void SetWRLockDisplaySettings(bool aValue) { fWRLockDisplaySettings = aValue; }
    bool WRLockIESettings() const { return fWRLockIESettings; }
    void SetWRLockIESettings(bool aValue) { fWRLockIESettings = aValue; }
    bool WRLockReboot() const { return fWRLockReboot; }
    void SetWRLockReboot(bool aValue) { fWRLockReboot = aValue; }
    bool WRLockLogOff() const { return fWRLockLogOff; }
    void SetWRLockLogOff(bool aValue) { fWRLockLogOff = aValue; }
    bool WRLockShutdown() const { return fWRLockShutdown; }
    void SetWRLockShutdown(bool aValue) { fWRLockShutdown = aValue; }
    const QString& LockedHourFormula() const { return fLockedHourFormula; }
    void SetLockedHourFormula(const QString& aValue) { fLockedHourFormula = aValue; }

    // Back to the cleared values; LockedHourFormula is kept.
    void Clear();
    // Reads the record in order: texts as they are (missing ones empty), integers and booleans
    // strictly. The first error ends the reading; fields read before it keep their new values.
    // The boot counter is not part of this copy.
    void LoadFromStringList(const TStringList& List);
    TStringList SaveToStringList() const;
    void LoadFromBuffer(const QString& Buffer);
    QString SaveToBuffer() const;

private:
    struct TZRVField;
    static const std::vector<TZRVField>& Fields();

    QString fUIUserID;
    QString fUIOwnerName;
    QString fUICompanyName;
    QString fUIAddress;
    QString fUIPhone;
    QString fUIPoBox;
    QString fUIEmail;
    QString fUIGeography;
    QString fUITown;
    QString fUICountry;
    bool fAutoLaunch = true;
    QString fSingleImageFile;
    int fDiaporamaDelay = 60000;
    int fBackgroundMode = 1;
    QString fServerAddress;
    int fServerPort = 12345;
    bool fWRFastTaskSwitchEnabled = true;
    bool fWRTaskMgrEnabled = true;
    bool fWRDesktopVisible = true;
    bool fWRStartMenuEnabled = true;
    bool fWRShellTrayVisible = true;
    bool fWRLockProgramFilesFolder = false;
    bool fWRLockSystemFolder = false;
    bool fWRLockWindowsFolder = false;
    bool fWRLockConfigPanel = false;
    bool fWRLockDisplaySettings = false;
    bool fWRLockIESettings = false;
    bool fWRLockReboot = false;
    bool fWRLockLogOff = false;
    bool fWRLockShutdown = false;
    QString fLockedHourFormula;
};
