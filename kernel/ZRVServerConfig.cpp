#include "ZRVServerConfig.h"

#include "platform/ZRVRegistry.h"

#include <algorithm>
#include <variant>

using namespace ZRVServerConfig;
using namespace ZRVClientConfig;

namespace {

// The file name of a path written with either kind of separator.
QString ExtractFileName(const QString& aPath) {
    const qsizetype slash = std::max(aPath.lastIndexOf(u'\\'), aPath.lastIndexOf(u'/'));
    return aPath.mid(slash + 1);
}

} // namespace

void TZRVServerConfig::SetBonus_Frequency(int aValue) {
    Set(ZRVServerSettings::Bonus_Frequency, aValue);
    SetBonus_LastBonusDate(Now());
}

void TZRVServerConfig::SetDB_CleanFrequency(int aValue) {
    Set(ZRVServerSettings::DB_CleanFrequency, aValue);
    SetDB_LastCleanDate(Now());
}

// The start-up entry is named after the program file; without a program there is nothing to start.
void TZRVServerConfig::SetOthers_AutoStart(bool aValue) {
    Set(ZRVServerSettings::Others_AutoStart, aValue);
    const QString entry = ExtractFileName(fExeName);
    if (entry.isEmpty())
        return;
    if (aValue)
        WriteString(entry, c_RunAtStartupKey, fExeName);
    else
        DeleteValue(entry, c_RunAtStartupKey);
}

TZRVThrottleSettings TZRVServerConfig::GuessThrottleSettings() const {
    return {.FreeFailures = GetGuess_FreeFailures(),
            .WindowSecs = GetGuess_Window(),
            .FirstDelayMs = GetGuess_FirstDelay(),
            .LockOutSecs = GetGuess_LockOut()};
}

TZRVThrottleSettings TZRVServerConfig::AccountCreationThrottleSettings() const {
    return {.FreeFailures = GetAccountCreations(), .WindowSecs = GetAccountCreationWindow()};
}

bool TZRVServerConfig::Uninstall() {
    DeleteKey(ZRVServerConfig::c_MAINKEY);
    return !CreateHKLM()->KeyExists(ZRVServerConfig::c_MAINKEY);
}

// ---------------------------------------------------------------------------------------------
// TZRVServerClientConfig

struct TZRVServerClientConfig::TZRVField {
    const QString& Key;
    std::variant<QString TZRVServerClientConfig::*, int TZRVServerClientConfig::*,
                 bool TZRVServerClientConfig::*>
        Member;
};

// The ClC_ record without the boot counter, in the order it is written and read.
const std::vector<TZRVServerClientConfig::TZRVField>& TZRVServerClientConfig::Fields() {
    static const std::vector<TZRVField> fields = {
        {c_ClC_UIUID, &TZRVServerClientConfig::fUIUserID},
        {c_ClC_UION, &TZRVServerClientConfig::fUIOwnerName},
        {c_ClC_UICN, &TZRVServerClientConfig::fUICompanyName},
        {c_ClC_UIA, &TZRVServerClientConfig::fUIAddress},
        {c_ClC_UIPh, &TZRVServerClientConfig::fUIPhone},
        {c_ClC_UIPoB, &TZRVServerClientConfig::fUIPoBox},
        {c_ClC_UIEm, &TZRVServerClientConfig::fUIEmail},
        {c_ClC_UIGeo, &TZRVServerClientConfig::fUIGeography},
        {c_ClC_UITwn, &TZRVServerClientConfig::fUITown},
        {c_ClC_UICnt, &TZRVServerClientConfig::fUICountry},
        {c_ClC_AL, &TZRVServerClientConfig::fAutoLaunch},
        {c_ClC_SIF, &TZRVServerClientConfig::fSingleImageFile},
        {c_ClC_DD, &TZRVServerClientConfig::fDiaporamaDelay},
        {c_ClC_BM, &TZRVServerClientConfig::fBackgroundMode},
        {c_ClC_SAd, &TZRVServerClientConfig::fServerAddress},
        {c_ClC_SPt, &TZRVServerClientConfig::fServerPort},
        {c_ClC_WRFTSE, &TZRVServerClientConfig::fWRFastTaskSwitchEnabled},
        {c_ClC_WRTME, &TZRVServerClientConfig::fWRTaskMgrEnabled},
        {c_ClC_WRDV, &TZRVServerClientConfig::fWRDesktopVisible},
        {c_ClC_WRSME, &TZRVServerClientConfig::fWRStartMenuEnabled},
        {c_ClC_WRSTV, &TZRVServerClientConfig::fWRShellTrayVisible},
        {c_ClC_WRLPFF, &TZRVServerClientConfig::fWRLockProgramFilesFolder},
        {c_ClC_WRLSF, &TZRVServerClientConfig::fWRLockSystemFolder},
        {c_ClC_WRLWF, &TZRVServerClientConfig::fWRLockWindowsFolder},
        {c_ClC_WRLCP, &TZRVServerClientConfig::fWRLockConfigPanel},
        {c_ClC_WRLDS, &TZRVServerClientConfig::fWRLockDisplaySettings},
        {c_ClC_WRLIES, &TZRVServerClientConfig::fWRLockIESettings},
        {c_ClC_WRLR, &TZRVServerClientConfig::fWRLockReboot},
        {c_ClC_WRLL, &TZRVServerClientConfig::fWRLockLogOff},
        {c_ClC_WRLS, &TZRVServerClientConfig::fWRLockShutdown},
        {c_ClC_LHF, &TZRVServerClientConfig::fLockedHourFormula},
    };
    return fields;
}

void TZRVServerClientConfig::Clear() {
    const QString lockedHourFormula = fLockedHourFormula;
    *this = TZRVServerClientConfig();
    fLockedHourFormula = lockedHourFormula;
}

void TZRVServerClientConfig::LoadFromStringList(const TStringList& List) {
    if (List.IsEmpty())
        return;
    try {
        for (const auto& field : Fields()) {
            const QString value = List.Values(field.Key);
            std::visit(
                [&](auto M) {
                    using T = std::decay_t<decltype(this->*M)>;
                    this->*M = ClCValue<T>(value);
                },
                field.Member);
        }
    } catch (const EConvertError&) {
    }
}

TStringList TZRVServerClientConfig::SaveToStringList() const {
    TStringList list;
    for (const auto& field : Fields())
        list.Add(field.Key, std::visit([this](auto M) { return ClCText(this->*M); }, field.Member));
    return list;
}

void TZRVServerClientConfig::LoadFromBuffer(const QString& Buffer) {
    TStringList list;
    list.SetText(Buffer);
    LoadFromStringList(list);
}

QString TZRVServerClientConfig::SaveToBuffer() const {
    return SaveToStringList().Text();
}
