#include "ZRVUserAccount.h"

#include "ZRVErrorLogger.h"

namespace {

const QString c_KeyAccountID = QStringLiteral("UAt_AID");
const QString c_KeyAccountName = QStringLiteral("UAt_ANm");
const QString c_KeyAccountPassword = QStringLiteral("UAt_APw");
const QString c_KeyActive = QStringLiteral("UAt_Ave");
const QString c_KeyCredit = QStringLiteral("UAt_Cdt");
const QString c_KeyCreditTotal = QStringLiteral("UAt_CrT");
const QString c_KeyCreationDate = QStringLiteral("UAt_CrD");
const QString c_KeyLastUseDate = QStringLiteral("UAt_LUD");
const QString c_KeyLastUseTime = QStringLiteral("UAt_LUT");
const QString c_KeyLastUpdateDate = QStringLiteral("UAt_LDD");
const QString c_KeyDaysAllowed = QStringLiteral("UAt_DAw");
const QString c_KeyDeletedFlag = QStringLiteral("UAt_DFg");
const QString c_KeyFirstName = QStringLiteral("UAt_FNm");
const QString c_KeySecondName = QStringLiteral("UAt_SNm");
const QString c_KeyPseudo = QStringLiteral("UAt_Psd");
const QString c_KeyEmail = QStringLiteral("UAt_Eml");
const QString c_KeyPhone = QStringLiteral("UAt_Pho");
const QString c_KeyOld = QStringLiteral("UAt_Old");
const QString c_KeySex = QStringLiteral("UAt_Sex");
const QString c_KeyDescription = QStringLiteral("UAt_Dsc");
const QString c_KeySecretAnswer = QStringLiteral("UAt_SAw");

// Nested records: the secret question and the group keep their own keys behind "UAt_"; the
// machine's "Mcn_" becomes "UAt_LUP_".
const QString c_AccountPrefix = QStringLiteral("UAt_");
const QString c_SecretQuestionPrefix = QStringLiteral("SQt_");
const QString c_GroupPrefix = QStringLiteral("Grp_");
const QString c_MachinePrefix = QStringLiteral("Mcn_");
const QString c_LastUsePCPrefix = QStringLiteral("UAt_LUP_");

// A sex ordinal outside the enumeration is refused like any malformed number.
TZRVSex ReadSex(const TZRVRecordLines& List) {
    const int value = ReadInt(List, c_KeySex);
    if (value < sNone || value > sCouple)
        throw EConvertError(QStringLiteral("'%1' is not a valid sex").arg(value));
    return TZRVSex(value);
}

// An empty or missing date leaves aDate as it was.
void ReadOptionalDate(const TZRVRecordLines& List, const QString& aKey, TDateTime& aDate) {
    const QStringView text = List.Value(aKey);
    if (!text.isEmpty())
        aDate = StrToDateTime(text);
}

} // namespace

TZRVCustomUserAccount::TZRVCustomUserAccount()
    : fSecretQuestion(std::make_unique<TZRVSecretQuestion>()), fGroup(std::make_unique<TZRVGroup>()),
      fLastUsePC(std::make_unique<TZRVMachine>()) {}

void TZRVCustomUserAccount::SetSecretQuestion(std::unique_ptr<TZRVSecretQuestion> aValue) {
    fSecretQuestion = AdoptOrCreate(std::move(aValue));
}

void TZRVCustomUserAccount::SetGroup(std::unique_ptr<TZRVGroup> aValue) {
    fGroup = AdoptOrCreate(std::move(aValue));
}

void TZRVCustomUserAccount::SetLastUsePC(std::unique_ptr<TZRVMachine> aValue) {
    fLastUsePC = AdoptOrCreate(std::move(aValue));
}

void TZRVCustomUserAccount::Clear() {
    fAccountID = 0;
    fActive = false;
    fDeletedFlag = false;
    fOld = 0;
    fDaysAllowed = 0;
    fCredit = 0;
    fLastUseTime = 0;
    fFirstName.clear();
    fSecondName.clear();
    fPseudo.clear();
    fPhone.clear();
    fEmail.clear();
    fDescription.clear();
    fAccountName.clear();
    fAccountPassword.clear();
    fSecretQuestion->Clear();
    fGroup->Clear();
}

void TZRVCustomUserAccount::Copy(const TZRVCustomUserAccount* Source) {
    if (!Source || Source == this)
        return;
    fAccountID = Source->fAccountID;
    fAccountName = Source->fAccountName;
    fAccountPassword = Source->fAccountPassword;
    fActive = Source->fActive;
    fCredit = Source->fCredit;
    fCreditTotal = Source->fCreditTotal;
    fCreationDate = Source->fCreationDate;
    fLastUseDate = Source->fLastUseDate;
    fLastUseTime = Source->fLastUseTime;
    fLastUpdateDate = Source->fLastUpdateDate;
    fDaysAllowed = Source->fDaysAllowed;
    fDeletedFlag = Source->fDeletedFlag;
    fFirstName = Source->fFirstName;
    fSecondName = Source->fSecondName;
    fPseudo = Source->fPseudo;
    fEmail = Source->fEmail;
    fPhone = Source->fPhone;
    fOld = Source->fOld;
    fSex = Source->fSex;
    fDescription = Source->fDescription;
    fSecretAnswer = Source->fSecretAnswer;
    fSecretQuestion->Copy(Source->fSecretQuestion.get());
    fGroup->Copy(Source->fGroup.get());
    fLastUsePC->Copy(Source->fLastUsePC.get());
}

void TZRVCustomUserAccount::LoadFromStringList(const TZRVRecordLines& List) {
    Clear();
    if (List.IsEmpty())
        return;
    fSex = ReadSex(List);
    fSecretAnswer = List.Values(c_KeySecretAnswer);
    fSecondName = List.Values(c_KeySecondName);
    fPseudo = List.Values(c_KeyPseudo);
    fPhone = List.Values(c_KeyPhone);
    fOld = ReadInt(List, c_KeyOld);
    ReadOptionalDate(List, c_KeyCreationDate, fCreationDate);
    fLastUseTime = ReadUInt(List, c_KeyLastUseTime);
    ReadOptionalDate(List, c_KeyLastUseDate, fLastUseDate);
    ReadOptionalDate(List, c_KeyLastUpdateDate, fLastUpdateDate);
    fFirstName = List.Values(c_KeyFirstName);
    fEmail = List.Values(c_KeyEmail);
    fDescription = List.Values(c_KeyDescription);
    fDeletedFlag = ReadBool(List, c_KeyDeletedFlag);
    fDaysAllowed = ReadInt(List, c_KeyDaysAllowed);
    fCreditTotal = ReadUInt(List, c_KeyCreditTotal);
    fCredit = ReadUInt(List, c_KeyCredit);
    fActive = ReadBool(List, c_KeyActive);
    fAccountPassword = List.Values(c_KeyAccountPassword);
    fAccountName = List.Values(c_KeyAccountName);
    fAccountID = ReadUInt(List, c_KeyAccountID);
    fLastUsePC->LoadFromStringList(List.Nested(c_LastUsePCPrefix, c_MachinePrefix));
    fGroup->LoadFromStringList(List.Nested(TZRVName(c_AccountPrefix, c_GroupPrefix), c_GroupPrefix));
    fSecretQuestion->LoadFromStringList(
        List.Nested(TZRVName(c_AccountPrefix, c_SecretQuestionPrefix), c_SecretQuestionPrefix));
}

TStringList TZRVCustomUserAccount::SaveToStringList() const {
    TStringList L;
    L.Add(c_KeySex, IntToStr(fSex));
    AddPrefixed(L, fSecretQuestion->SaveToStringList(), c_AccountPrefix);
    L.Add(c_KeySecretAnswer, fSecretAnswer);
    L.Add(c_KeySecondName, fSecondName);
    L.Add(c_KeyPseudo, fPseudo);
    L.Add(c_KeyPhone, fPhone);
    L.Add(c_KeyOld, IntToStr(fOld));
    L.Add(c_KeyLastUseTime, IntToStr(fLastUseTime));
    L.AddStrings(CollectPrefixed(fLastUsePC->SaveToStringList(), c_MachinePrefix, c_LastUsePCPrefix));
    L.Add(c_KeyCreationDate, DateTimeToStr(fCreationDate));
    L.Add(c_KeyLastUseDate, DateTimeToStr(fLastUseDate));
    L.Add(c_KeyLastUpdateDate, DateTimeToStr(fLastUpdateDate));
    L.Add(c_KeyFirstName, fFirstName);
    L.Add(c_KeyEmail, fEmail);
    L.Add(c_KeyDescription, fDescription);
    L.Add(c_KeyDeletedFlag, BoolToStr(fDeletedFlag));
    L.Add(c_KeyDaysAllowed, IntToStr(fDaysAllowed));
    L.Add(c_KeyCreditTotal, IntToStr(fCreditTotal));
    L.Add(c_KeyCredit, IntToStr(fCredit));
    L.Add(c_KeyActive, BoolToStr(fActive));
    L.Add(c_KeyAccountPassword, fAccountPassword);
    L.Add(c_KeyAccountName, fAccountName);
    L.Add(c_KeyAccountID, IntToStr(fAccountID));
    AddPrefixed(L, fGroup->SaveToStringList(), c_AccountPrefix);
    return L;
}

void TZRVCustomUserAccount::LoadFromBuffer(const QString& Buffer) {
    TStringList L;
    L.SetText(Buffer);
    LoadFromStringList(L);
}

QString TZRVCustomUserAccount::SaveToBuffer() const {
    return SaveToStringList().Text();
}

void TZRVCustomUserAccount::LogError(const QString& aMessage, const QString& aUnitName,
                                     const QString& aRoutineName, const QString& aAction) const {
    LogErrorTo(fErrorLogger, aMessage, aUnitName, aRoutineName, aAction);
}

bool SamePassword(const QString& aStored, const QString& aGiven) {
    if (aGiven.isEmpty() || aStored.size() != aGiven.size())
        return false;
    const auto fold = [](QChar c) { return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + 32) : c; };
    for (qsizetype i = 0; i < aStored.size(); ++i)
        if (fold(aStored[i]) != fold(aGiven[i]))
            return false;
    return true;
}
