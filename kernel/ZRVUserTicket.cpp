#include "ZRVUserTicket.h"

#include "ZRVErrorLogger.h"

namespace {

const QString c_KeyTicketID = QStringLiteral("UTt_TID");
const QString c_KeyCode = QStringLiteral("UTt_Cod");
const QString c_KeyCredit = QStringLiteral("UTt_Cdt");
const QString c_KeyCost = QStringLiteral("UTt_Cos");
const QString c_KeyActive = QStringLiteral("UTt_Ave");
const QString c_KeyActivationDate = QStringLiteral("UTt_ADt");
const QString c_KeyDaysAllowed = QStringLiteral("UTt_DAw");
const QString c_KeyPrintFlag = QStringLiteral("UTt_PFg");
const QString c_KeyUsedFlag = QStringLiteral("UTt_UFg");
const QString c_KeyDeletedFlag = QStringLiteral("UTt_DFg");
const QString c_KeyCreationDate = QStringLiteral("UTt_CnD");
const QString c_KeyLastUseDate = QStringLiteral("UTt_LUD");
const QString c_KeyLastUseTime = QStringLiteral("UTt_LUT");
const QString c_KeyHourFormula = QStringLiteral("UTt_HrF");
const QString c_KeyHourFormulaName = QStringLiteral("UTt_HFN");

// Nested records: the group keeps its own keys behind "UTt_"; the machine's "Mcn_" becomes "UTt_LUP_".
const QString c_TicketPrefix = QStringLiteral("UTt_");
const QString c_GroupPrefix = QStringLiteral("Grp_");
const QString c_MachinePrefix = QStringLiteral("Mcn_");
const QString c_LastUsePCPrefix = QStringLiteral("UTt_LUP_");

constexpr int c_MaxHour = 23;

bool HoursAreValid(int32_t aHourFormula) {
    const int startHour = (aHourFormula >> 3) & 0x1F;
    const int endHour = (aHourFormula >> 11) & 0x1F;
    return startHour <= c_MaxHour && endHour <= c_MaxHour;
}

} // namespace

TZRVCustomUserTicket::TZRVCustomUserTicket()
    : fGroup(std::make_unique<TZRVGroup>()), fLastUsePC(std::make_unique<TZRVMachine>()) {}

void TZRVCustomUserTicket::SetHourFormula(int32_t aValue) {
    if (!HoursAreValid(aValue))
        throw EZRVError(QStringLiteral("Invalid value"));
    fHourFormula = aValue;
}

void TZRVCustomUserTicket::SetGroup(std::unique_ptr<TZRVGroup> aValue) {
    fGroup = AdoptOrCreate(std::move(aValue));
}

void TZRVCustomUserTicket::SetLastUsePC(std::unique_ptr<TZRVMachine> aValue) {
    fLastUsePC = AdoptOrCreate(std::move(aValue));
}

void TZRVCustomUserTicket::Clear() {
    fTicketID = 0;
    fCode.clear();
    fCredit = 0;
    fCost = 0;
    fActive = false;
    fActivationDate = 0;
    fDaysAllowed = 0;
    fPrintFlag = false;
    fUsedFlag = false;
    fDeletedFlag = false;
    fCreationDate = 0;
    fLastUseDate = 0;
    fLastUseTime = 0;
    fHourFormula = c_DefaultHourFormula;
    fHourFormulaName = DefaultHourFormulaName();
    fOwnerID = 0;
    fGroup->Clear();
}

void TZRVCustomUserTicket::Copy(const TZRVCustomUserTicket* Source) {
    if (!Source || Source == this)
        return;
    fTicketID = Source->fTicketID;
    fCode = Source->fCode;
    fCredit = Source->fCredit;
    fCost = Source->fCost;
    fActive = Source->fActive;
    fActivationDate = Source->fActivationDate;
    fDaysAllowed = Source->fDaysAllowed;
    fPrintFlag = Source->fPrintFlag;
    fUsedFlag = Source->fUsedFlag;
    fDeletedFlag = Source->fDeletedFlag;
    fCreationDate = Source->fCreationDate;
    fLastUseDate = Source->fLastUseDate;
    fLastUseTime = Source->fLastUseTime;
    fHourFormula = Source->fHourFormula;
    fHourFormulaName = Source->fHourFormulaName;
    fOwnerID = Source->fOwnerID;
    fGroup->Copy(Source->fGroup.get());
    fLastUsePC->Copy(Source->fLastUsePC.get());
}

void TZRVCustomUserTicket::LoadFromStringList(const TZRVRecordLines& List) {
    Clear();
    if (List.IsEmpty())
        return;
    fPrintFlag = ReadBool(List, c_KeyPrintFlag);
    fActive = ReadBool(List, c_KeyActive);
    fUsedFlag = ReadBool(List, c_KeyUsedFlag);
    fDeletedFlag = ReadBool(List, c_KeyDeletedFlag);
    fTicketID = ReadUInt(List, c_KeyTicketID);
    fDaysAllowed = ReadInt(List, c_KeyDaysAllowed);
    fCode = List.Values(c_KeyCode);
    fCost = ReadInt(List, c_KeyCost);
    fCredit = ReadUInt(List, c_KeyCredit);
    fLastUseTime = ReadUInt(List, c_KeyLastUseTime);
    fCreationDate = ReadDateTime(List, c_KeyCreationDate);
    fActivationDate = ReadDateTime(List, c_KeyActivationDate);
    fLastUseDate = ReadDateTime(List, c_KeyLastUseDate);
    // Stored as it comes, without the hour check of SetHourFormula.
    fHourFormula = ReadInt(List, c_KeyHourFormula);
    fHourFormulaName = List.Values(c_KeyHourFormulaName);
    fLastUsePC->LoadFromStringList(List.Nested(c_LastUsePCPrefix, c_MachinePrefix));
    fGroup->LoadFromStringList(List.Nested(TZRVName(c_TicketPrefix, c_GroupPrefix), c_GroupPrefix));
}

TStringList TZRVCustomUserTicket::SaveToStringList() const {
    TStringList L;
    L.Add(c_KeyPrintFlag, BoolToStr(fPrintFlag));
    L.Add(c_KeyActive, BoolToStr(fActive));
    L.Add(c_KeyUsedFlag, BoolToStr(fUsedFlag));
    L.Add(c_KeyDeletedFlag, BoolToStr(fDeletedFlag));
    L.Add(c_KeyTicketID, IntToStr(fTicketID));
    L.Add(c_KeyDaysAllowed, IntToStr(fDaysAllowed));
    L.Add(c_KeyCode, fCode);
    L.Add(c_KeyCost, IntToStr(fCost));
    L.Add(c_KeyCredit, IntToStr(fCredit));
    L.Add(c_KeyLastUseTime, IntToStr(fLastUseTime));
    L.Add(c_KeyActivationDate, DateTimeToStr(fActivationDate));
    L.Add(c_KeyCreationDate, DateTimeToStr(fCreationDate));
    L.Add(c_KeyLastUseDate, DateTimeToStr(fLastUseDate));
    L.Add(c_KeyHourFormula, IntToStr(fHourFormula));
    L.Add(c_KeyHourFormulaName, fHourFormulaName);
    L.AddStrings(CollectPrefixed(fLastUsePC->SaveToStringList(), c_MachinePrefix, c_LastUsePCPrefix));
    AddPrefixed(L, fGroup->SaveToStringList(), c_TicketPrefix);
    return L;
}

void TZRVCustomUserTicket::LoadFromBuffer(const QString& Buffer) {
    TStringList L;
    L.SetText(Buffer);
    LoadFromStringList(L);
}

QString TZRVCustomUserTicket::SaveToBuffer() const {
    return SaveToStringList().Text();
}

void TZRVCustomUserTicket::LogError(const QString& aMessage, const QString& aUnitName,
                                    const QString& aRoutineName, const QString& aAction) const {
    LogErrorTo(fErrorLogger, aMessage, aUnitName, aRoutineName, aAction);
}
