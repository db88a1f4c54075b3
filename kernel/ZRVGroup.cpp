#include "ZRVGroup.h"

#include "ZRVErrorLogger.h"
#include "ZRVMachine.h"

namespace {

const QString c_KeyGroupID = QStringLiteral("Grp_GID");
const QString c_KeyGroupName = QStringLiteral("Grp_GNm");
const QString c_KeyGroupDescription = QStringLiteral("Grp_GDs");
const QString c_KeyAuthorisations = QStringLiteral("Grp_Aut");
const QString c_KeyIncrementalCredit = QStringLiteral("Grp_ICr");
const QString c_AllowedGamesPrefix = QStringLiteral("Grp_AGm_");
const QString c_AllowedApplicationsPrefix = QStringLiteral("Grp_AAp_");

} // namespace

TZRVCustomGroup::TZRVCustomGroup()
    : fAllowedGames(std::make_unique<TZRVGames>()),
      fAllowedApplications(std::make_unique<TZRVApplications>()) {}

void TZRVCustomGroup::SetAllowedGames(std::unique_ptr<TZRVGames> aValue) {
    fAllowedGames = AdoptOrCreate(std::move(aValue));
}

void TZRVCustomGroup::SetAllowedApplications(std::unique_ptr<TZRVApplications> aValue) {
    fAllowedApplications = AdoptOrCreate(std::move(aValue));
}

void TZRVCustomGroup::Clear() {
    fGroupID = 0;
    fGroupName.clear();
    fGroupDescription.clear();
    fAuthorisations = TZRVUserRights{urNone};
    fIncrementalCredit = false;
    fAutoCredit = 0;
    fAllowedGames->Clear();
    fAllowedApplications->Clear();
}

void TZRVCustomGroup::Copy(const TZRVCustomGroup* Source) {
    if (!Source || Source == this)
        return;
    fGroupID = Source->fGroupID;
    fGroupName = Source->fGroupName;
    fGroupDescription = Source->fGroupDescription;
    fAuthorisations = Source->fAuthorisations;
    fIncrementalCredit = Source->fIncrementalCredit;
    fAutoCredit = Source->fAutoCredit;
    fAllowedGames->Copy(Source->fAllowedGames.get());
    fAllowedApplications->Copy(Source->fAllowedApplications.get());
}

void TZRVCustomGroup::LoadFromStringList(const TZRVRecordLines& List) {
    if (List.IsEmpty())
        return;
    Clear();
    fGroupID = ReadUInt(List, c_KeyGroupID);
    fAuthorisations = TZRVUserRights::FromMask(uint32_t(ReadInt(List, c_KeyAuthorisations)));
    fGroupName = List.Values(c_KeyGroupName);
    fGroupDescription = List.Values(c_KeyGroupDescription);
    fIncrementalCredit = ReadBool(List, c_KeyIncrementalCredit);
    fAllowedGames->LoadFromStringList(List.Nested(c_AllowedGamesPrefix));
    fAllowedApplications->LoadFromStringList(List.Nested(c_AllowedApplicationsPrefix));
}

TStringList TZRVCustomGroup::SaveToStringList() const {
    TStringList L;
    L.Add(c_KeyGroupDescription, fGroupDescription);
    L.Add(c_KeyGroupID, IntToStr(fGroupID));
    L.Add(c_KeyAuthorisations, IntToStr(fAuthorisations.Mask()));
    L.Add(c_KeyGroupName, fGroupName);
    L.Add(c_KeyIncrementalCredit, BoolToStr(fIncrementalCredit));
    AddPrefixed(L, fAllowedGames->SaveToStringList(), c_AllowedGamesPrefix);
    AddPrefixed(L, fAllowedApplications->SaveToStringList(), c_AllowedApplicationsPrefix);
    return L;
}

void TZRVCustomGroup::LoadFromBuffer(const QString& Buffer) {
    TStringList L;
    L.SetText(Buffer);
    LoadFromStringList(L);
}

QString TZRVCustomGroup::SaveToBuffer() const {
    return SaveToStringList().Text();
}

void TZRVCustomGroup::LogError(const QString& aMessage, const QString& aUnitName, const QString& aRoutineName,
                               const QString& aAction) const {
    LogErrorTo(fErrorLogger, aMessage, aUnitName, aRoutineName, aAction);
}
