#include "ZRVMachine.h"

#include "platform/ZRVPlatform.h"

namespace {

const QString c_KeyMachineID = QStringLiteral("Mcn_MID");
const QString c_KeyRam = QStringLiteral("Mcn_Ram");
const QString c_KeyMachineName = QStringLiteral("Mcn_MNm");
const QString c_KeyCpu = QStringLiteral("Mcn_Cpu");
const QString c_KeyOSystem = QStringLiteral("Mcn_OSm");
const QString c_KeyGeography = QStringLiteral("Mcn_Geo");
const QString c_KeyLoggedUserName = QStringLiteral("Mcn_LUN");
const QString c_GamesPrefix = QStringLiteral("Mcn_Gam_");
const QString c_ApplicationsPrefix = QStringLiteral("Mcn_App_");

constexpr int c_MaxMachineNameLength = 15;
constexpr int c_MaxUserNameLength = 127;

} // namespace

TZRVCustomMachine::TZRVCustomMachine()
    : fMachineName(GetMachinename()), fLoggedUserName(GetLoggedUserName()),
      fGames(std::make_unique<TZRVGames>()), fApplications(std::make_unique<TZRVApplications>()) {}

void TZRVCustomMachine::Copy(const TZRVCustomMachine* Source) {
    if (!Source || Source == this)
        return;
    fMachineID = Source->fMachineID;
    fRam = Source->fRam;
    fMachineName = Source->fMachineName;
    fCpu = Source->fCpu;
    fOSystem = Source->fOSystem;
    fGeography = Source->fGeography;
    fLoggedUserName = Source->fLoggedUserName;
    fGames->Copy(Source->fGames.get());
    fApplications->Copy(Source->fApplications.get());
}

void TZRVCustomMachine::LoadFromStringList(const TZRVRecordLines& List) {
    if (List.IsEmpty())
        return;
    fMachineID = ReadUInt(List, c_KeyMachineID);
    fRam = ReadUInt(List, c_KeyRam);
    fMachineName = List.Values(c_KeyMachineName);
    fCpu = List.Values(c_KeyCpu);
    fOSystem = List.Values(c_KeyOSystem);
    fGeography = List.Values(c_KeyGeography);
    fLoggedUserName = List.Values(c_KeyLoggedUserName);
    fGames->LoadFromStringList(List.Nested(c_GamesPrefix));
    fApplications->LoadFromStringList(List.Nested(c_ApplicationsPrefix));
}

TStringList TZRVCustomMachine::SaveToStringList() const {
    TStringList L;
    L.Add(c_KeyMachineID, IntToStr(fMachineID));
    L.Add(c_KeyRam, IntToStr(fRam));
    L.Add(c_KeyMachineName, fMachineName);
    L.Add(c_KeyCpu, fCpu);
    L.Add(c_KeyOSystem, fOSystem);
    L.Add(c_KeyGeography, fGeography);
    L.Add(c_KeyLoggedUserName, fLoggedUserName);
    AddPrefixed(L, fGames->SaveToStringList(), c_GamesPrefix);
    AddPrefixed(L, fApplications->SaveToStringList(), c_ApplicationsPrefix);
    return L;
}

void TZRVCustomMachine::LoadFromBuffer(const QString& Buffer) {
    TStringList L;
    L.SetText(Buffer);
    LoadFromStringList(L);
}

QString TZRVCustomMachine::SaveToBuffer() const {
    return SaveToStringList().Text();
}

QString TZRVCustomMachine::GetMachinename() {
    return Platform().Machine().HostName().left(c_MaxMachineNameLength);
}

QString TZRVCustomMachine::GetLoggedUserName() {
    return Platform().Machine().UserName().left(c_MaxUserNameLength);
}

QString TZRVCustomMachine::GetCpu() {
    return QString::number(Platform().Machine().CpuMhz()) + QStringLiteral(" Mhz");
}

uint32_t TZRVCustomMachine::GetRam() {
    return Platform().Machine().RamMegabytes();
}

QString TZRVCustomMachine::GetOSystem() {
    return Platform().Machine().OSystem();
}
