#include "ZRVClientConfig.h"

#include "ZRVFunctions.h"

#include "ZRVSystem.h"
#include "platform/ZRVRegistry.h"

#include <QStandardPaths>

#include <variant>

using namespace ZRVClientConfig;

namespace {

// A ClC_ field: its key and the setting it carries.
using TZRVClCSetting =
    std::variant<const TZRVSetting<QString>*, const TZRVSetting<int>*, const TZRVSetting<bool>*>;
struct TZRVClCField {
    const QString& Key;
    TZRVClCSetting Setting;
};

// The ClC_ record, in the order it is written and read.
const TZRVClCField c_ClCRecord[] = {
    {c_ClC_UIUID, &ZRVClientSettings::UIUserID},
    {c_ClC_UION, &ZRVClientSettings::UIOwnerName},
    {c_ClC_UICN, &ZRVClientSettings::UICompanyName},
    {c_ClC_UIA, &ZRVClientSettings::UIAddress},
    {c_ClC_UIPh, &ZRVClientSettings::UIPhone},
    {c_ClC_UIPoB, &ZRVClientSettings::UIPoBox},
    {c_ClC_UIEm, &ZRVClientSettings::UIEmail},
    {c_ClC_UIGeo, &ZRVClientSettings::UIGeography},
    {c_ClC_UITwn, &ZRVClientSettings::UITown},
    {c_ClC_UICnt, &ZRVClientSettings::UICountry},
    {c_ClC_AL, &ZRVClientSettings::AutoLaunch},
    {c_ClC_SIF, &ZRVClientSettings::SingleImageFile},
    {c_ClC_DD, &ZRVClientSettings::DiaporamaDelay},
    {c_ClC_BM, &ZRVClientSettings::BackgroundMode},
    {c_ClC_SAd, &ZRVClientSettings::ServerAddress},
    {c_ClC_SPt, &ZRVClientSettings::ServerPort},
    {c_ClC_BootC, &ZRVClientSettings::BootCount},
    {c_ClC_WRFTSE, &ZRVClientSettings::WRFastTaskSwitchEnabled},
    {c_ClC_WRTME, &ZRVClientSettings::WRTaskMgrEnabled},
    {c_ClC_WRDV, &ZRVClientSettings::WRDesktopVisible},
    {c_ClC_WRSME, &ZRVClientSettings::WRStartMenuEnabled},
    {c_ClC_WRSTV, &ZRVClientSettings::WRShellTrayVisible},
    {c_ClC_WRLPFF, &ZRVClientSettings::WRLockProgramFilesFolder},
    {c_ClC_WRLSF, &ZRVClientSettings::WRLockSystemFolder},
    {c_ClC_WRLWF, &ZRVClientSettings::WRLockWindowsFolder},
    {c_ClC_WRLCP, &ZRVClientSettings::WRLockConfigPanel},
    {c_ClC_WRLDS, &ZRVClientSettings::WRLockDisplaySettings},
    {c_ClC_WRLIES, &ZRVClientSettings::WRLockIESettings},
    {c_ClC_WRLR, &ZRVClientSettings::WRLockReboot},
    {c_ClC_WRLL, &ZRVClientSettings::WRLockLogOff},
    {c_ClC_WRLS, &ZRVClientSettings::WRLockShutdown},
    {c_ClC_LHF, &ZRVClientSettings::LockedHourFormula},
};

} // namespace

void TZRVClientConfig::LoadFromStringList(const TStringList& List) {
    if (List.IsEmpty())
        return;
    try {
        for (const auto& field : c_ClCRecord) {
            const QString value = List.Values(field.Key);
            const bool written = std::visit(
                [&](const auto* S) {
                    using T = std::decay_t<decltype(S->Fallback)>;
                    if constexpr (std::is_same_v<T, int>)
                        return Set(*S, NValue(value));
                    else
                        return Set(*S, ClCValue<T>(value));
                },
                field.Setting);
            if (!written)
                return;
        }
    } catch (const EConvertError&) {
    }
}

TStringList TZRVClientConfig::SaveToStringList() const {
    TStringList list;
    for (const auto& field : c_ClCRecord)
        list.Add(field.Key, std::visit([this](const auto* S) { return ClCText(Get(*S)); }, field.Setting));
    return list;
}

void TZRVClientConfig::LoadFromBuffer(const QString& Buffer) {
    TStringList list;
    list.SetText(Buffer);
    LoadFromStringList(list);
}

QString TZRVClientConfig::SaveToBuffer() const {
    return SaveToStringList().Text();
}

QString TZRVClientConfig::PanelCommand() const {
    const QString stored = Get(ZRVClientSettings::PanelCommand);
    if (!stored.isEmpty())
        return stored;
    for (const QString& panel : ZRVClientConfig::c_KnownPanels) {
        const QString found = QStandardPaths::findExecutable(panel);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

bool TZRVClientConfig::Uninstall() {
    DeleteKey(c_MAINKEY);
    TZRVLockWindows restrictions;
    restrictions.UnLockAll();
    restrictions.SetShellProcess(c_ExplorerShell);
    restrictions.SetExplorerEnabled(true);
    return !CreateHKLM()->KeyExists(c_MAINKEY);
}
