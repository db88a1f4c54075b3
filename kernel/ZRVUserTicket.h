#pragma once
// The user ticket record: a prepaid code with its credit, validity, hour window, group and
// last-use workstation ("UTt_" keys).

#include "ZRVGroup.h"
#include "ZRVMachine.h"

class TZRVErrorLogger;

class TZRVCustomUserTicket {
public:
    // The packed window Monday 16 h to Sunday 11 h, named "Default".
    static constexpr int32_t c_DefaultHourFormula = 24449;
    static QString DefaultHourFormulaName() { return QStringLiteral("Default"); }

    TZRVCustomUserTicket();
    virtual ~TZRVCustomUserTicket() = default;
    TZRVCustomUserTicket(const TZRVCustomUserTicket&) = delete;
    TZRVCustomUserTicket& operator=(const TZRVCustomUserTicket&) = delete;

    uint32_t TicketID() const { return fTicketID; }
    const QString& Code() const { return fCode; }
    uint32_t Credit() const { return fCredit; }
    int32_t Cost() const { return fCost; }
    bool Active() const { return fActive; }
    TDateTime ActivationDate() const { return fActivationDate; }
    int32_t DaysAllowed() const { return fDaysAllowed; }
    bool PrintFlag() const { return fPrintFlag; }
    bool UsedFlag() const { return fUsedFlag; }
    bool DeletedFlag() const { return fDeletedFlag; }
    TDateTime CreationDate() const { return fCreationDate; }
    TDateTime LastUseDate() const { return fLastUseDate; }
    uint32_t LastUseTime() const { return fLastUseTime; }
    int32_t HourFormula() const { return fHourFormula; }
    const QString& HourFormulaName() const { return fHourFormulaName; }
    TZRVGroup* Group() const { return fGroup.get(); }
    TZRVMachine* LastUsePC() const { return fLastUsePC.get(); }
    // The employee who owns the ticket; kept in the database only, never in the text form.
    uint32_t OwnerID() const { return fOwnerID; }
    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }

    void SetTicketID(uint32_t aValue) { fTicketID = aValue; }
    void SetCode(const QString& aValue) { fCode = aValue; }
    void SetCredit(uint32_t aValue) { fCredit = aValue; }
    void SetCost(int32_t aValue) { fCost = aValue; }
    void SetActive(bool aValue) { fActive = aValue; }
    void SetActivationDate(TDateTime aValue) { fActivationDate = aValue; }
    void SetDaysAllowed(int32_t aValue) { fDaysAllowed = aValue; }
    void SetPrintFlag(bool aValue) { fPrintFlag = aValue; }
    void SetUsedFlag(bool aValue) { fUsedFlag = aValue; }
    void SetDeletedFlag(bool aValue) { fDeletedFlag = aValue; }
    void SetCreationDate(TDateTime aValue) { fCreationDate = aValue; }
    void SetLastUseDate(TDateTime aValue) { fLastUseDate = aValue; }
    void SetLastUseTime(uint32_t aValue) { fLastUseTime = aValue; }
    // Raises EZRVError("Invalid value") when the start hour (bits 3-7) or the end hour
    // (bits 11-15) is above 23; the formula then keeps its previous value.
    void SetHourFormula(int32_t aValue);
    void SetHourFormulaName(const QString& aValue) { fHourFormulaName = aValue; }
    // The ticket adopts the sub-record; nothing gives an empty one.
    void SetGroup(std::unique_ptr<TZRVGroup> aValue);
    void SetLastUsePC(std::unique_ptr<TZRVMachine> aValue);
    void SetOnwerID(uint32_t aValue) { fOwnerID = aValue; }
    void SetErrorLogger(TZRVErrorLogger* aValue) { fErrorLogger = aValue; }

    // Flags false, numbers 0, Code empty, dates 0, the default hour formula, the group cleared;
    // the last-use workstation stays.
    void Clear();
    // Copies the data fields; the error logger stays the destination's own.
    void Copy(const TZRVCustomUserTicket* Source);
    // Clears first, even for an empty list; the three dates must be present and valid.
    void LoadFromStringList(const TZRVRecordLines& List);
    TStringList SaveToStringList() const;
    void LoadFromBuffer(const QString& Buffer);
    QString SaveToBuffer() const;

    void LogError(const QString& aMessage, const QString& aUnitName, const QString& aRoutineName,
                  const QString& aAction) const;

private:
    uint32_t fTicketID = 0;
    QString fCode;
    uint32_t fCredit = 0;
    int32_t fCost = 0;
    bool fActive = false;
    TDateTime fActivationDate = 0;
    int32_t fDaysAllowed = 0;
    bool fPrintFlag = false;
    bool fUsedFlag = false;
    bool fDeletedFlag = false;
    TDateTime fCreationDate = 0;
    TDateTime fLastUseDate = 0;
    uint32_t fLastUseTime = 0;
    int32_t fHourFormula = c_DefaultHourFormula;
    QString fHourFormulaName = DefaultHourFormulaName();
    std::unique_ptr<TZRVGroup> fGroup;
    std::unique_ptr<TZRVMachine> fLastUsePC;
    uint32_t fOwnerID = 0;
    TZRVErrorLogger* fErrorLogger = nullptr;
};

class TZRVUserTicket : public TZRVCustomUserTicket {
public:
    using TZRVCustomUserTicket::TZRVCustomUserTicket;
};
