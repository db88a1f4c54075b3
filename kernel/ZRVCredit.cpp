#include "ZRVCredit.h"

#include <algorithm>
#include <limits>

void TZRVCustomCredit::SetCreditValue(uint32_t aValue) {
    fCreditValue = aValue;
    fHour = TZRVHour(aValue / 3600);
    fMinute = TZRVMinute((aValue % 3600) / 60);
    fSecond = TZRVSecond(aValue % 60);
}

void TZRVCustomCredit::SetClamped(int64_t aValue) {
    SetCreditValue(uint32_t(std::clamp<int64_t>(aValue, 0, std::numeric_limits<uint32_t>::max())));
}

int64_t TZRVCustomCredit::Amount(int aSecond, int aMinute, int aHour) {
    return int64_t(aSecond) + 60 * int64_t(aMinute) + 3600 * int64_t(aHour);
}

QString TZRVCustomCredit::Add(int aSecond, int aMinute, int aHour) {
    SetClamped(int64_t(fCreditValue) + Amount(aSecond, aMinute, aHour));
    return CreditFormatted();
}

QString TZRVCustomCredit::Remove(int aSecond, int aMinute, int aHour) {
    SetClamped(int64_t(fCreditValue) - Amount(aSecond, aMinute, aHour));
    return CreditFormatted();
}

QString TZRVCustomCredit::Next() {
    if (fIncremental) {
        SetClamped(int64_t(fCreditValue) + 1);
    } else {
        if (fCreditValue == 0)
            DoCreditEmpty();
        SetClamped(int64_t(fCreditValue) - 1);
        if (fCreditValue == 0)
            DoCreditEmpty();
    }
    return CreditFormatted();
}

QString TZRVCustomCredit::CreditFormatted(const QString& aFormat) const {
    TZRVCreditUtilities utilities;
    utilities.SetcFormat(aFormat);
    QString text;
    utilities.CreditValueToStr(text, fCreditValue);
    return text;
}

void TZRVCustomCredit::Clear() {
    SetCreditValue(0);
    fIncremental = false;
}

void TZRVCustomCredit::LoadFromStringList(const TStringList& List) {
    Clear();
    if (List.IsEmpty())
        return;
    fIncremental = ReadBool(List, QStringLiteral("Cdt_Inc"));
    SetCreditValue(ReadUInt(List, QStringLiteral("Cdt_CrV")));
}

TStringList TZRVCustomCredit::SaveToStringList() const {
    TStringList L;
    L.Add(QStringLiteral("Cdt_Inc"), BoolToStr(fIncremental));
    L.Add(QStringLiteral("Cdt_CrV"), IntToStr(fCreditValue));
    return L;
}

void TZRVCustomCredit::LoadFromBuffer(const QString& aBuffer) {
    TStringList L;
    L.SetText(aBuffer);
    LoadFromStringList(L);
}

QString TZRVCustomCredit::SaveToBuffer() const {
    return SaveToStringList().Text();
}

void TZRVCustomCredit::DoCreditEmpty() {
    if (fOnCreditEmpty && !fDestroying)
        fOnCreditEmpty(this);
}
