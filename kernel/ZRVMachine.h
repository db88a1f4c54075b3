#pragma once
// The machine record: one workstation's name, hardware, system, place in the café, logged user,
// and the games and applications installed on it ("Mcn_" keys). Also detects the local machine.

#include "ZRVCommon.h"

// Records that adopt a sub-record keep an empty one when handed nothing, so their getters never
// yield a null pointer.
template <class T> std::unique_ptr<T> AdoptOrCreate(std::unique_ptr<T> aValue) {
    return aValue ? std::move(aValue) : std::make_unique<T>();
}

class TZRVCustomMachine {
public:
    // A new record carries MachineID 1 and the local computer's name and user.
    TZRVCustomMachine();
    virtual ~TZRVCustomMachine() = default;
    TZRVCustomMachine(const TZRVCustomMachine&) = delete;
    TZRVCustomMachine& operator=(const TZRVCustomMachine&) = delete;

    uint32_t MachineID() const { return fMachineID; }
    uint32_t Ram() const { return fRam; }
    const QString& MachineName() const { return fMachineName; }
    const QString& Cpu() const { return fCpu; }
    const QString& OSystem() const { return fOSystem; }
    const QString& Geography() const { return fGeography; }
    const QString& LoggedUserName() const { return fLoggedUserName; }
    TZRVGames* Games() const { return fGames.get(); }
    TZRVApplications* Applications() const { return fApplications.get(); }

    void SetMachineID(uint32_t aValue) { fMachineID = aValue; }
    void SetRam(uint32_t aValue) { fRam = aValue; }
    void SetMachineName(const QString& aValue) { fMachineName = aValue; }
    void SetCpu(const QString& aValue) { fCpu = aValue; }
    void SetOSystem(const QString& aValue) { fOSystem = aValue; }
    void SetGeography(const QString& aValue) { fGeography = aValue; }
    // The record adopts the list; nothing gives an empty list.
    void SetGames(std::unique_ptr<TZRVGames> aValue) { fGames = AdoptOrCreate(std::move(aValue)); }
    void SetApplications(std::unique_ptr<TZRVApplications> aValue) {
        fApplications = AdoptOrCreate(std::move(aValue));
    }

    void Copy(const TZRVCustomMachine* Source);
    // An empty list leaves the record as it is.
    void LoadFromStringList(const TZRVRecordLines& List);
    TStringList SaveToStringList() const;
    void LoadFromBuffer(const QString& Buffer);
    QString SaveToBuffer() const;

    // Detection of the local machine through the platform layer; each returns the value without
    // storing it.
    // The host name, at most 15 characters; empty when it cannot be read.
    static QString GetMachinename();
    // The name of the user running the process, at most 127 characters; empty when unknown.
    static QString GetLoggedUserName();
    // The processor clock, "2394 Mhz"; "-1 Mhz" when the system does not tell.
    static QString GetCpu();
    // Physical memory in megabytes.
    static uint32_t GetRam();
    // "<distribution> [Linux v<kernel release>]"; the distribution and its space are left out
    // when /etc/os-release cannot be read.
    static QString GetOSystem();

private:
    uint32_t fMachineID = 1;
    uint32_t fRam = 0;
    QString fMachineName;
    QString fCpu;
    QString fOSystem;
    QString fGeography;
    QString fLoggedUserName;
    std::unique_ptr<TZRVGames> fGames;
    std::unique_ptr<TZRVApplications> fApplications;
};

class TZRVMachine : public TZRVCustomMachine {
public:
    using TZRVCustomMachine::TZRVCustomMachine;
};
