#pragma once
// The group record: a class of customers with its rights, credit rules and the games and
// applications its members may start ("Grp_" keys).

#include "ZRVCommon.h"

class TZRVErrorLogger;

class TZRVCustomGroup {
public:
    // A new group is cleared.
    TZRVCustomGroup();
    virtual ~TZRVCustomGroup() = default;
    TZRVCustomGroup(const TZRVCustomGroup&) = delete;
    TZRVCustomGroup& operator=(const TZRVCustomGroup&) = delete;

    uint32_t GroupID() const { return fGroupID; }
    const QString& GroupName() const { return fGroupName; }
    const QString& GroupDescription() const { return fGroupDescription; }
    TZRVUserRights Authorisations() const { return fAuthorisations; }
    bool IncrementalCredit() const { return fIncrementalCredit; }
    // Daily credit allowance in seconds; kept in the database only, never in the text form.
    uint32_t AutoCredit() const { return fAutoCredit; }
    TZRVGames* AllowedGames() const { return fAllowedGames.get(); }
    TZRVApplications* AllowedApplications() const { return fAllowedApplications.get(); }
    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }

    void SetGroupID(uint32_t aValue) { fGroupID = aValue; }
    void SetGroupName(const QString& aValue) { fGroupName = aValue; }
    void SetGroupDescription(const QString& aValue) { fGroupDescription = aValue; }
    void SetAuthorisations(TZRVUserRights aValue) { fAuthorisations = aValue; }
    void SetIncrementalCredit(bool aValue) { fIncrementalCredit = aValue; }
    void SetAutoCredit(uint32_t aValue) { fAutoCredit = aValue; }
    // The group adopts the list; nothing gives an empty list.
    void SetAllowedGames(std::unique_ptr<TZRVGames> aValue);
    void SetAllowedApplications(std::unique_ptr<TZRVApplications> aValue);
    void SetErrorLogger(TZRVErrorLogger* aValue) { fErrorLogger = aValue; }

    // ID 0, empty texts, rights {urNone}, no incremental or automatic credit, empty lists.
    void Clear();
    // Copies the data fields; the error logger stays the destination's own.
    void Copy(const TZRVCustomGroup* Source);
    // An empty list leaves the group as it is.
    void LoadFromStringList(const TZRVRecordLines& List);
    TStringList SaveToStringList() const;
    void LoadFromBuffer(const QString& Buffer);
    QString SaveToBuffer() const;

    void LogError(const QString& aMessage, const QString& aUnitName, const QString& aRoutineName,
                  const QString& aAction) const;

private:
    uint32_t fGroupID = 0;
    QString fGroupName;
    QString fGroupDescription;
    TZRVUserRights fAuthorisations{urNone};
    bool fIncrementalCredit = false;
    uint32_t fAutoCredit = 0;
    std::unique_ptr<TZRVGames> fAllowedGames;
    std::unique_ptr<TZRVApplications> fAllowedApplications;
    TZRVErrorLogger* fErrorLogger = nullptr;
};

class TZRVGroup : public TZRVCustomGroup {
public:
    using TZRVCustomGroup::TZRVCustomGroup;
};
