#include "ZRVLocalAccount.h"

#include "ZRVCrypt.h"
#include "ZRVErrorLogger.h"
#include "ZRVUserAccount.h"
#include "platform/ZRVRegistry.h"

#include <algorithm>

namespace {

const QString c_Count = QStringLiteral("Count");
const QString c_UnitName = QStringLiteral("ZRVLocalAccount");

QString ValueName(int Index) {
    return IntToStr(Index);
}

// The highest index among the values named by a positive decimal number.
int HighestIndex(const TZRVRegistry& aReg) {
    int highest = 0;
    for (const QString& name : aReg.GetValueNames()) {
        bool ok = false;
        const int index = name.toInt(&ok);
        if (ok && index > 0 && name == ValueName(index))
            highest = std::max(highest, index);
    }
    return highest;
}

// "Count", kept within 0 ... the highest index present so that a damaged count cannot send the
// loops past the stored accounts. Raises when "Count" cannot be read.
int StoredCount(const TZRVRegistry& aReg) {
    return std::clamp(aReg.ReadInteger(c_Count), 0, HighestIndex(aReg));
}

} // namespace

TZRVCustomLocalAccount::TZRVCustomLocalAccount(QObject* aOwner)
    : QObject(aOwner), fMainSection(c_DefaultLocalAccountMainRegistrySection) {}

TZRVRegistry TZRVCustomLocalAccount::OpenSection() const {
    // A key that cannot be opened leaves none open: reads and writes then raise.
    TZRVRegistry reg(TZRVRootKey::HKEY_LOCAL_MACHINE);
    reg.OpenKey(fMainSection, true);
    return reg;
}

int TZRVCustomLocalAccount::GetCount() {
    try {
        return StoredCount(OpenSection());
    } catch (const ERegistryException& e) {
        LogError(e.Message(), c_UnitName, QStringLiteral("TZRVCustomLocalAccount.GetCount"),
                 QStringLiteral("handle"));
        return 0;
    }
}

int TZRVCustomLocalAccount::AddAccount(const TZRVCustomUserAccount* Account) {
    try {
        QString buffer = Account->SaveToBuffer();
        TZRVCrypt().Encrypt(buffer);
        TZRVRegistry reg = OpenSection();
        int count = 0;
        try {
            count = StoredCount(reg);
        } catch (const ERegistryException&) {
            // no account stored yet
        }
        reg.WriteString(ValueName(count + 1), buffer);
        reg.WriteInteger(c_Count, count + 1);
        return count + 1;
    } catch (const std::exception& e) {
        LogError(QString::fromStdString(e.what()), c_UnitName, QStringLiteral("AddAccount"),
                 QStringLiteral("free and exit"));
        return 0;
    }
}

QString TZRVCustomLocalAccount::GetAccount(int Index) {
    if (Index < 1 || Index > GetCount())
        return QString();
    QString buffer = OpenSection().ReadString(ValueName(Index));
    TZRVCrypt().Decrypt(buffer);
    return buffer;
}

void TZRVCustomLocalAccount::UpdateAccount(int Index, const QString& Buffer) {
    if (Index < 1 || Index > GetCount())
        return;
    QString buffer = Buffer;
    TZRVCrypt().Encrypt(buffer);
    OpenSection().WriteString(ValueName(Index), buffer);
}

void TZRVCustomLocalAccount::DeleteAccount(int Index) {
    if (Index < 1 || Index > GetCount())
        return;
    OpenSection().DeleteValue(ValueName(Index));
    CompactAccounts();
}

bool TZRVCustomLocalAccount::ReadAccount(const TZRVRegistry& aReg, int Index,
                                         TZRVCustomUserAccount& Account) const {
    const QString name = ValueName(Index);
    QString failure;
    try {
        QString buffer = aReg.ReadString(name);
        TZRVCrypt().Decrypt(buffer);
        if (buffer.isEmpty())
            return false; // a gap holds no account, not one with an empty name
        Account.LoadFromBuffer(buffer);
        return true;
    } catch (const ERegistryException& e) {
        if (!aReg.ValueExists(name))
            throw; // the store itself failed
        failure = e.Message();
    } catch (const EConvertError& e) {
        failure = e.Message();
    }
    LogError(QStringLiteral("Local account %1: %2").arg(name, failure), c_UnitName,
             QStringLiteral("TZRVCustomLocalAccount.FindAccount"), QStringLiteral("LOG-CONTINUE"));
    return false;
}

int TZRVCustomLocalAccount::FindAccount(const QString& AccountName, const QString& AccountPassword) {
    const int count = GetCount();
    const TZRVRegistry reg = OpenSection();
    TZRVUserAccount account;
    for (int index = 1; index <= count; ++index) {
        if (ReadAccount(reg, index, account) && account.AccountName() == AccountName &&
            account.AccountPassword() == AccountPassword)
            return index;
    }
    return 0;
}

void TZRVCustomLocalAccount::CompactAccounts() {
    TZRVRegistry reg = OpenSection();
    const int count = StoredCount(reg);
    int kept = 0;
    for (int index = 1; index <= count; ++index) {
        if (!reg.ValueExists(ValueName(index)))
            continue;
        ++kept;
        if (kept != index)
            reg.WriteString(ValueName(kept), reg.ReadString(ValueName(index)));
    }
    reg.WriteInteger(c_Count, kept);
}

void TZRVCustomLocalAccount::LogError(const QString& aMessage, const QString& aUnitName,
                                      const QString& aRoutineName, const QString& aAction) const {
    LogErrorTo(fErrorLogger, aMessage, aUnitName, aRoutineName, aAction);
}
