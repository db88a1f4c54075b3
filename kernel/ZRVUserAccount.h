#pragma once
// The user account record: a customer's login, prepaid credit, personal details, group and
// last-use workstation ("UAt_" keys).

#include "ZRVGroup.h"
#include "ZRVMachine.h"

class TZRVErrorLogger;

class TZRVCustomUserAccount {
public:
    TZRVCustomUserAccount();
    virtual ~TZRVCustomUserAccount() = default;
    TZRVCustomUserAccount(const TZRVCustomUserAccount&) = delete;
    TZRVCustomUserAccount& operator=(const TZRVCustomUserAccount&) = delete;

    uint32_t AccountID() const { return fAccountID; }
    const QString& AccountName() const { return fAccountName; }
    const QString& AccountPassword() const { return fAccountPassword; }
    bool Active() const { return fActive; }
    uint32_t Credit() const { return fCredit; }
    uint32_t CreditTotal() const { return fCreditTotal; }
    TDateTime CreationDate() const { return fCreationDate; }
    TDateTime LastUseDate() const { return fLastUseDate; }
    uint32_t LastUseTime() const { return fLastUseTime; }
    TDateTime LastUpdateDate() const { return fLastUpdateDate; }
    // Days the account stays valid after its last use (its creation when never used); -1: never expires.
    int32_t DaysAllowed() const { return fDaysAllowed; }
    bool DeletedFlag() const { return fDeletedFlag; }
    const QString& FirstName() const { return fFirstName; }
    const QString& SecondName() const { return fSecondName; }
    const QString& Pseudo() const { return fPseudo; }
    const QString& Email() const { return fEmail; }
    const QString& Phone() const { return fPhone; }
    TZRVOld Old() const { return fOld; }
    TZRVSex Sex() const { return fSex; }
    const QString& Description() const { return fDescription; }
    const QString& SecretAnswer() const { return fSecretAnswer; }
    TZRVSecretQuestion* SecretQuestion() const { return fSecretQuestion.get(); }
    TZRVGroup* Group() const { return fGroup.get(); }
    TZRVMachine* LastUsePC() const { return fLastUsePC.get(); }
    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }

    void SetAccountID(uint32_t aValue) { fAccountID = aValue; }
    void SetAccountName(const QString& aValue) { fAccountName = aValue; }
    void SetAccountPassword(const QString& aValue) { fAccountPassword = aValue; }
    void SetActive(bool aValue) { fActive = aValue; }
    void SetCredit(uint32_t aValue) { fCredit = aValue; }
    void SetCreditTotal(uint32_t aValue) { fCreditTotal = aValue; }
    void SetCreationDate(TDateTime aValue) { fCreationDate = aValue; }
    void SetLastUseDate(TDateTime aValue) { fLastUseDate = aValue; }
    void SetLastUseTime(uint32_t aValue) { fLastUseTime = aValue; }
    void SetLastUpdateDate(TDateTime aValue) { fLastUpdateDate = aValue; }
    void SetDaysAllowed(int32_t aValue) { fDaysAllowed = aValue; }
    void SetDeletedFlag(bool aValue) { fDeletedFlag = aValue; }
    void SetFirstName(const QString& aValue) { fFirstName = aValue; }
    void SetSecondName(const QString& aValue) { fSecondName = aValue; }
    void SetPseudo(const QString& aValue) { fPseudo = aValue; }
    void SetEmail(const QString& aValue) { fEmail = aValue; }
    void SetPhone(const QString& aValue) { fPhone = aValue; }
    void SetOld(TZRVOld aValue) { fOld = aValue; }
    void SetSex(TZRVSex aValue) { fSex = aValue; }
    void SetDescription(const QString& aValue) { fDescription = aValue; }
    void SetSecretAnswer(const QString& aValue) { fSecretAnswer = aValue; }
    // The account adopts the sub-record; nothing gives an empty one.
    void SetSecretQuestion(std::unique_ptr<TZRVSecretQuestion> aValue);
    void SetGroup(std::unique_ptr<TZRVGroup> aValue);
    void SetLastUsePC(std::unique_ptr<TZRVMachine> aValue);
    void SetErrorLogger(TZRVErrorLogger* aValue) { fErrorLogger = aValue; }

    // Resets the identity, login, flags, personal texts, Old, DaysAllowed, Credit and LastUseTime,
    // and clears the secret question and the group; CreditTotal, SecretAnswer, Sex, the three
    // dates and the last-use workstation stay.
    void Clear();
    // Copies the data fields; the error logger stays the destination's own.
    void Copy(const TZRVCustomUserAccount* Source);
    // Clears first, even for an empty list. An empty or missing date keeps its previous value.
    void LoadFromStringList(const TZRVRecordLines& List);
    TStringList SaveToStringList() const;
    void LoadFromBuffer(const QString& Buffer);
    QString SaveToBuffer() const;

    void LogError(const QString& aMessage, const QString& aUnitName, const QString& aRoutineName,
                  const QString& aAction) const;

private:
    uint32_t fAccountID = 0;
    QString fAccountName;
    QString fAccountPassword;
    bool fActive = false;
    uint32_t fCredit = 0;
    uint32_t fCreditTotal = 0;
    TDateTime fCreationDate = 0;
    TDateTime fLastUseDate = 0;
    uint32_t fLastUseTime = 0;
    TDateTime fLastUpdateDate = 0;
    int32_t fDaysAllowed = 0;
    bool fDeletedFlag = false;
    QString fFirstName;
    QString fSecondName;
    QString fPseudo;
    QString fEmail;
    QString fPhone;
    TZRVOld fOld = 0;
    TZRVSex fSex = sNone;
    QString fDescription;
    QString fSecretAnswer;
    std::unique_ptr<TZRVSecretQuestion> fSecretQuestion;
    std::unique_ptr<TZRVGroup> fGroup;
    std::unique_ptr<TZRVMachine> fLastUsePC;
    TZRVErrorLogger* fErrorLogger = nullptr;
};

class TZRVUserAccount : public TZRVCustomUserAccount {
public:
    using TZRVCustomUserAccount::TZRVCustomUserAccount;
};

// Whether aGiven is the password aStored, as the server checks a login (a workstation's, or an
// employee's on the operator's page): equal when only ASCII letters differ in case. An empty
// password never matches.
bool SamePassword(const QString& aStored, const QString& aGiven);
