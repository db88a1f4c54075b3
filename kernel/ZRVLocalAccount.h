#pragma once
// The workstation's own accounts, kept in the settings store under HKEY_LOCAL_MACHINE: the integer
// "Count" and the string values "1" ... "Count", each the buffer form of one "UAt_" record passed
// through the crypt. Every operation opens the store, works and closes it; nothing is cached.

#include "ZRVCommon.h"

class TZRVCustomUserAccount;
class TZRVErrorLogger;
class TZRVRegistry;

class TZRVCustomLocalAccount : public QObject {
    Q_OBJECT
public:
    explicit TZRVCustomLocalAccount(QObject* aOwner = nullptr);

    const QString& MainSection() const { return fMainSection; }
    void SetMainSection(const QString& aValue) { fMainSection = aValue; }
    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }
    void SetErrorLogger(TZRVErrorLogger* aValue) { fErrorLogger = aValue; }

    // The number of stored accounts; 0, with a log line, when "Count" cannot be read. A damaged
    // "Count" is kept within 0 ... the highest numbered value present.
    int GetCount();
    // Stores the account after the last one and returns its index; 0 (logged) when nothing was stored.
    int AddAccount(const TZRVCustomUserAccount* Account);
    // The stored buffer for 1 <= Index <= GetCount, else the empty text.
    QString GetAccount(int Index);
    // Replaces the stored buffer for 1 <= Index <= GetCount; other indices change nothing.
    void UpdateAccount(int Index, const QString& Buffer);
    // Removes the account for 1 <= Index <= GetCount and closes the gap; other indices change nothing.
    void DeleteAccount(int Index);
    // The index of the first account whose name and password are exactly these (letter case
    // counts), or 0. A stored value that does not read as an account is logged and passed over.
    int FindAccount(const QString& AccountName, const QString& AccountPassword);
    // Renumbers the stored accounts 1 ... M without gaps, keeping their order, and sets "Count" to
    // M; values left above M are ignored.
    void CompactAccounts();

    void LogError(const QString& aMessage, const QString& aUnitName, const QString& aRoutineName,
                  const QString& aAction) const;

private:
    TZRVRegistry OpenSection() const;
    // Loads the account stored at Index; false, logged unless it is a gap, when the value does not
    // read as an account (another kind, a malformed record). A failing store raises.
    bool ReadAccount(const TZRVRegistry& aReg, int Index, TZRVCustomUserAccount& Account) const;

    QString fMainSection;
    TZRVErrorLogger* fErrorLogger = nullptr;
};

class TZRVLocalAccount : public TZRVCustomLocalAccount {
    Q_OBJECT
public:
    using TZRVCustomLocalAccount::TZRVCustomLocalAccount;
};
