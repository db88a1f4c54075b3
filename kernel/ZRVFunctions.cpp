#include "ZRVFunctions.h"

#include <algorithm>

namespace {

struct THourFormulaFields {
    int16_t StartDay, StartHour, EndDay, EndHour;
};

THourFormulaFields Decode(int32_t aHourFormula) {
    THourFormulaFields f{};
    TZRVHourFormulaData::DecodeValue(aHourFormula, f.StartDay, f.StartHour, f.EndDay, f.EndHour);
    return f;
}

// Two decimal digits of a credit text; signs and spaces are not digits.
uint32_t CreditPart(const QString& aText, qsizetype aAt) {
    const QString part = aText.mid(aAt, 2);
    if (!std::all_of(part.begin(), part.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(part));
    return uint32_t(part.toUInt());
}

} // namespace

int NValue(const QString& aText) {
    try {
        return StrToInt(aText);
    } catch (const EConvertError&) {
        return 0;
    }
}

QString CreditFormatted(uint32_t aSeconds) {
    return FormatCredit(aSeconds);
}

uint32_t UnformatCredit(const QString& aText) {
    if (aText.size() != 9)
        return 0;
    return CreditPart(aText, 0) * 3600 + CreditPart(aText, 3) * 60 + CreditPart(aText, 6);
}

int GetStartDay(int32_t aHourFormula) {
    return Decode(aHourFormula).StartDay;
}

int GetStartHour(int32_t aHourFormula) {
    return Decode(aHourFormula).StartHour;
}

int GetEndDay(int32_t aHourFormula) {
    return Decode(aHourFormula).EndDay;
}

int GetEndHour(int32_t aHourFormula) {
    return Decode(aHourFormula).EndHour;
}

QString GetLastDirectory(const QString& aPath) {
    const qsizetype at = std::max(aPath.lastIndexOf(u'\\'), aPath.lastIndexOf(u'/'));
    return aPath.mid(at + 1);
}
