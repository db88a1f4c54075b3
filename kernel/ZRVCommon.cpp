#include "ZRVCommon.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <atomic>
#include <cmath>
#include <limits>

// ---------------------------------------------------------------------------------------------
// Errors

EZRVError::EZRVError(const QString& aMessage)
    : std::runtime_error(aMessage.toStdString()), fMessage(aMessage) {}

// ---------------------------------------------------------------------------------------------
// String list

QString TStringList::Names(int Index) const {
    const QString& line = fLines.at(Index);
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? line : line.left(eq);
}

QString TStringList::ValueFromIndex(int Index) const {
    const QString& line = fLines.at(Index);
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

int TStringList::IndexOfName(const QString& aName) const {
    for (int i = 0; i < Count(); ++i) {
        const QString& line = fLines.at(i);
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && QStringView(line).left(eq).compare(aName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TStringList::Values(const QString& aName) const {
    const int i = IndexOfName(aName);
    return i < 0 ? QString() : ValueFromIndex(i);
}

void TStringList::SetValues(const QString& aName, const QString& aValue) {
    const int i = IndexOfName(aName);
    if (i < 0)
        Add(aName, aValue);
    else
        fLines[i] = aName + u'=' + aValue;
}

QString TStringList::Text() const {
    qsizetype size = 0;
    for (const QString& line : fLines)
        size += line.size() + 2;
    QString text;
    text.reserve(size);
    for (const QString& line : fLines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text;
}

void TStringList::SetText(const QString& aText) {
    fLines.clear();
    qsizetype start = 0;
    const qsizetype n = aText.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = aText.at(i);
        if (c == u'\r' || c == u'\n') {
            fLines.append(aText.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && aText.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < n)
        fLines.append(aText.mid(start));
}

void AddPrefixed(TStringList& Outer, const TStringList& Inner, const QString& aPrefix) {
    for (const QString& line : Inner.Lines())
        Outer.Add(aPrefix + line);
}

TStringList CollectPrefixed(const TStringList& aList, const QString& aPrefix) {
    return CollectPrefixed(aList, aPrefix, QString());
}

TStringList CollectPrefixed(const TStringList& aList, const QString& aPrefix, const QString& aReplacement) {
    TStringList result;
    for (const QString& line : aList.Lines())
        if (line.startsWith(aPrefix, Qt::CaseInsensitive))
            result.Add(aReplacement + line.mid(aPrefix.size()));
    return result;
}

// ---------------------------------------------------------------------------------------------
// Date-times

namespace {

// 30 December 1899, day 0 of every date-time (a constant, so that date helpers work during static
// initialisation too).
constexpr QDate c_DateTimeBase = QDate::fromJulianDay(2415019);
constexpr qint64 c_MSecsPerDay = 86400000;

TZRVFormatSettings ReadFormatSettings() {
    TZRVFormatSettings s;
    const QString date = qEnvironmentVariable("ZRV_SHORT_DATE_FORMAT");
    const QString time = qEnvironmentVariable("ZRV_LONG_TIME_FORMAT");
    if (!date.isEmpty())
        s.ShortDateFormat = date;
    if (!time.isEmpty())
        s.LongTimeFormat = time;
    return s;
}

TZRVFormatSettings& MutableFormatSettings() {
    static TZRVFormatSettings settings = ReadFormatSettings();
    return settings;
}

// Splits a date-time into whole days and milliseconds of the day (negative values keep their
// time of day as the positive fraction, as date-times always have).
void SplitDateTime(TDateTime aValue, qint64& Days, qint64& MSecs) {
    if (!std::isfinite(aValue) || std::fabs(aValue) > 3.0e6)
        aValue = 0;
    Days = qint64(std::trunc(aValue));
    MSecs = std::llround(std::fabs(aValue - double(Days)) * double(c_MSecsPerDay));
    if (MSecs >= c_MSecsPerDay) {
        MSecs -= c_MSecsPerDay;
        Days += aValue < 0 ? -1 : 1;
    }
}

TDateTime Combine(qint64 Days, qint64 MSecs) {
    const double frac = double(MSecs) / double(c_MSecsPerDay);
    return Days < 0 ? double(Days) - frac : double(Days) + frac;
}

// Readers accept one-digit days, months and time fields where the format writes two.
QString Lenient(QString aFormat) {
    aFormat.replace(QLatin1String("dd"), QLatin1String("d"));
    aFormat.replace(QLatin1String("MM"), QLatin1String("M"));
    aFormat.replace(QLatin1String("HH"), QLatin1String("H"));
    aFormat.replace(QLatin1String("hh"), QLatin1String("h"));
    aFormat.replace(QLatin1String("mm"), QLatin1String("m"));
    aFormat.replace(QLatin1String("ss"), QLatin1String("s"));
    return aFormat;
}

[[noreturn]] void RaiseConvert(const QString& aText, const char* aKind) {
    throw EConvertError(QStringLiteral("'%1' is not a valid %2").arg(aText, QLatin1String(aKind)));
}

} // namespace

const TZRVFormatSettings& FormatSettings() {
    return MutableFormatSettings();
}

void SetFormatSettings(const TZRVFormatSettings& aSettings) {
    MutableFormatSettings() = aSettings;
}

TDateTime QDateTimeToDateTime(const QDateTime& aValue) {
    return Combine(c_DateTimeBase.daysTo(aValue.date()), aValue.time().msecsSinceStartOfDay());
}

QDateTime DateTimeToQDateTime(TDateTime aValue) {
    qint64 days, msecs;
    SplitDateTime(aValue, days, msecs);
    return QDateTime(c_DateTimeBase.addDays(days), QTime::fromMSecsSinceStartOfDay(int(msecs)));
}

namespace {

// Where a stopped clock stands, in milliseconds since the epoch; c_Running while it runs.
constexpr qint64 c_Running = std::numeric_limits<qint64>::min();
std::atomic<qint64> sStoppedAt{c_Running};

} // namespace

TDateTime TZRVClock::Now() {
    const qint64 at = sStoppedAt.load();
    return QDateTimeToDateTime(at == c_Running ? QDateTime::currentDateTime()
                                               : QDateTime::fromMSecsSinceEpoch(at));
}

void TZRVClock::Stop(TDateTime aAt) {
    sStoppedAt.store(DateTimeToQDateTime(aAt).toMSecsSinceEpoch());
}

void TZRVClock::Advance(qint64 aMSecs) {
    qint64 at = sStoppedAt.load();
    while (at != c_Running && !sStoppedAt.compare_exchange_weak(at, at + aMSecs)) {
    }
}

void TZRVClock::Run() {
    sStoppedAt.store(c_Running);
}

bool TZRVClock::Stopped() {
    return sStoppedAt.load() != c_Running;
}

TDateTime Now() {
    return TZRVClock::Now();
}

TDateTime Date() {
    return DateOf(Now());
}

TDateTime EncodeDate(int Year, int Month, int Day) {
    return double(c_DateTimeBase.daysTo(QDate(Year, Month, Day)));
}

TDateTime EncodeTime(int Hour, int Minute, int Second, int MSec) {
    return double(((Hour * 60 + Minute) * 60 + Second) * 1000 + MSec) / double(c_MSecsPerDay);
}

TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second, int MSec) {
    return Combine(c_DateTimeBase.daysTo(QDate(Year, Month, Day)),
                   ((Hour * 60 + Minute) * 60 + Second) * 1000 + MSec);
}

int DayOfTheWeek(TDateTime aValue) {
    return DateTimeToQDateTime(aValue).date().dayOfWeek();
}

int HourOf(TDateTime aValue) {
    return DateTimeToQDateTime(aValue).time().hour();
}

TDateTime DateOf(TDateTime aValue) {
    qint64 days, msecs;
    SplitDateTime(aValue, days, msecs);
    return double(days);
}

TDateTime IncDay(TDateTime aValue, int Days) {
    return aValue + Days;
}

QString DateToStr(TDateTime aValue) {
    return DateTimeToQDateTime(aValue).date().toString(FormatSettings().ShortDateFormat);
}

QString TimeToStr(TDateTime aValue) {
    return DateTimeToQDateTime(aValue).time().toString(FormatSettings().LongTimeFormat);
}

QString DateTimeToStr(TDateTime aValue) {
    const QDateTime dt = DateTimeToQDateTime(aValue);
    QString text = dt.date().toString(FormatSettings().ShortDateFormat);
    if (dt.time().msecsSinceStartOfDay() != 0)
        text += u' ' + dt.time().toString(FormatSettings().LongTimeFormat);
    return text;
}

TDateTime StrToDateTime(const QString& aText) {
    const TZRVFormatSettings& fs = FormatSettings();
    const QString text = aText.trimmed();
    const qsizetype space = text.indexOf(u' ');
    const QString datePart = space < 0 ? text : text.left(space);
    const QDate date = QDate::fromString(datePart, Lenient(fs.ShortDateFormat));
    if (text.isEmpty() || !date.isValid())
        RaiseConvert(aText, "date and time");
    int msecs = 0;
    if (space >= 0) {
        const QTime time = QTime::fromString(text.mid(space + 1).trimmed(), Lenient(fs.LongTimeFormat));
        if (!time.isValid())
            RaiseConvert(aText, "date and time");
        msecs = time.msecsSinceStartOfDay();
    }
    return Combine(c_DateTimeBase.daysTo(date), msecs);
}

// ---------------------------------------------------------------------------------------------
// Conversions

int StrToInt(const QString& aText) {
    bool ok = false;
    const qlonglong v = aText.toLongLong(&ok, 10);
    const bool plain = !aText.isEmpty() && !aText.at(0).isSpace() && !aText.back().isSpace();
    if (!ok || !plain || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        RaiseConvert(aText, "integer value");
    return int(v);
}

uint32_t StrToUInt(const QString& aText) {
    const int v = StrToInt(aText);
    if (v < 0)
        RaiseConvert(aText, "unsigned integer value");
    return uint32_t(v);
}

bool StrToBool(const QString& aText) {
    if (aText.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (aText.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double v = QLocale::c().toDouble(aText, &ok);
    const bool plain = !aText.isEmpty() && !aText.at(0).isSpace() && !aText.back().isSpace();
    if (!ok || !plain || !std::isfinite(v))
        RaiseConvert(aText, "boolean value");
    return v != 0;
}

QString IntToStr(qint64 aValue) {
    return QString::number(aValue);
}

QString BoolToStr(bool aValue) {
    return aValue ? QStringLiteral("-1") : QStringLiteral("0");
}

// ---------------------------------------------------------------------------------------------
// Constants

const char Alphanum[62] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'a', 'B', 'b', 'C', 'c',
                           'D', 'd', 'E', 'e', 'F', 'f', 'G', 'g', 'H', 'h', 'I', 'i', 'J', 'j', 'K', 'k',
                           'L', 'l', 'M', 'm', 'N', 'n', 'O', 'o', 'P', 'p', 'Q', 'q', 'R', 'r', 'S', 's',
                           'T', 't', 'U', 'u', 'V', 'v', 'W', 'w', 'X', 'x', 'Y', 'y', 'Z', 'z'};
const char Alphanum_upper[36] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B',
                                 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N',
                                 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z'};
const char Alphanum_lower[36] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b',
                                 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n',
                                 'o', 'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z'};

// ---------------------------------------------------------------------------------------------
// Shared records

void TZRVAuthorisation::Clear() {
    *this = TZRVAuthorisation();
}

void TZRVAuthorisation::Copy(const TZRVAuthorisation* Source) {
    if (Source)
        *this = *Source;
}

void TZRVAuthorisation::LoadFromStringList(const TStringList& List) {
    if (List.IsEmpty())
        return;
    Clear();
    fAuthorisationID = ReadUInt(List, QStringLiteral("Authorisation_AuthorisationID"));
    fAuthorisationName = List.Values(QStringLiteral("Authorisation_AuthorisationName"));
    fDescription = List.Values(QStringLiteral("Authorisation_Description"));
}

TStringList TZRVAuthorisation::SaveToStringList() const {
    TStringList L;
    L.Add(QStringLiteral("Authorisation_AuthorisationID"), IntToStr(fAuthorisationID));
    L.Add(QStringLiteral("Authorisation_AuthorisationName"), fAuthorisationName);
    L.Add(QStringLiteral("Authorisation_Description"), fDescription);
    return L;
}

void TZRVApplication::Clear() {
    *this = TZRVApplication();
}

void TZRVApplication::Copy(const TZRVApplication* Source) {
    if (Source)
        *this = *Source;
}

void TZRVApplication::LoadFromStringList(const TStringList& List) {
    if (List.IsEmpty())
        return;
    Clear();
    fApplicationID = ReadUInt(List, QStringLiteral("Application_ApplicationID"));
    fApplicationName = List.Values(QStringLiteral("Application_ApplicationName"));
    fCommandLine = List.Values(QStringLiteral("Application_CommandLine"));
}

TStringList TZRVApplication::SaveToStringList() const {
    TStringList L;
    L.Add(QStringLiteral("Application_ApplicationID"), IntToStr(fApplicationID));
    L.Add(QStringLiteral("Application_ApplicationName"), fApplicationName);
    L.Add(QStringLiteral("Application_CommandLine"), fCommandLine);
    return L;
}

void TZRVGame::Clear() {
    *this = TZRVGame();
}

void TZRVGame::Copy(const TZRVGame* Source) {
    if (Source)
        *this = *Source;
}

void TZRVGame::LoadFromStringList(const TStringList& List) {
    if (List.IsEmpty())
        return;
    Clear();
    fGameID = ReadUInt(List, QStringLiteral("Game_GameID"));
    fGameName = List.Values(QStringLiteral("Game_GameName"));
    fDescription = List.Values(QStringLiteral("Game_Description"));
    fCommandLine = List.Values(QStringLiteral("Game_CommandLine"));
}

TStringList TZRVGame::SaveToStringList() const {
    TStringList L;
    L.Add(QStringLiteral("Game_GameID"), IntToStr(fGameID));
    L.Add(QStringLiteral("Game_GameName"), fGameName);
    L.Add(QStringLiteral("Game_Description"), fDescription);
    L.Add(QStringLiteral("Game_CommandLine"), fCommandLine);
    return L;
}

void TZRVSecretQuestion::Clear() {
    *this = TZRVSecretQuestion();
}

void TZRVSecretQuestion::Copy(const TZRVSecretQuestion* Source) {
    if (Source)
        *this = *Source;
}

void TZRVSecretQuestion::LoadFromStringList(const TStringList& List) {
    if (List.IsEmpty())
        return;
    Clear();
    fSecretQuestionID = ReadUInt(List, QStringLiteral("SQt_SID"));
    fQuestion = List.Values(QStringLiteral("SQt_Qst"));
}

TStringList TZRVSecretQuestion::SaveToStringList() const {
    TStringList L;
    L.Add(QStringLiteral("SQt_SID"), IntToStr(fSecretQuestionID));
    L.Add(QStringLiteral("SQt_Qst"), fQuestion);
    return L;
}

TZRVGroupAuthorisation::TZRVGroupAuthorisation() : fAuthorisation(std::make_unique<TZRVAuthorisation>()) {}

void TZRVGroupAuthorisation::Clear() {
    fGroupID = 0;
    fValue = false;
    fValueEx.clear();
    fAuthorisation->Clear();
}

void TZRVGroupAuthorisation::Copy(const TZRVGroupAuthorisation* Source) {
    if (!Source)
        return;
    fGroupID = Source->fGroupID;
    fValue = Source->fValue;
    fValueEx = Source->fValueEx;
    fAuthorisation->Copy(Source->fAuthorisation.get());
}

void TZRVGroupAuthorisation::LoadFromStringList(const TStringList& List) {
    if (List.IsEmpty())
        return;
    Clear();
    fGroupID = ReadUInt(List, QStringLiteral("GroupAuthorisation_GroupID"));
    fValue = ReadBool(List, QStringLiteral("GroupAuthorisation_Value"));
    fValueEx = List.Values(QStringLiteral("GroupAuthorisation_ValueEx"));
    fAuthorisation->LoadFromStringList(CollectPrefixed(List, QStringLiteral("GroupAuthorisation_")));
}

TStringList TZRVGroupAuthorisation::SaveToStringList() const {
    TStringList L;
    L.Add(QStringLiteral("GroupAuthorisation_GroupID"), IntToStr(fGroupID));
    L.Add(QStringLiteral("GroupAuthorisation_Value"), BoolToStr(fValue));
    L.Add(QStringLiteral("GroupAuthorisation_ValueEx"), fValueEx);
    AddPrefixed(L, fAuthorisation->SaveToStringList(), QStringLiteral("GroupAuthorisation_"));
    return L;
}

// ---------------------------------------------------------------------------------------------
// Lists of shared records

template <class T> int TZRVRecordList<T>::Add(std::unique_ptr<T> aItem) {
    if (!aItem)
        return -1;
    fItems.push_back(std::move(aItem));
    return Count() - 1;
}

template <class T> void TZRVRecordList<T>::SetItem(int Index, std::unique_ptr<T> aItem) {
    if (!InRange(Index))
        return;
    fItems[size_t(Index)] = std::move(aItem);
    Compact();
}

template <class T> bool TZRVRecordList<T>::Remove(int Index) {
    if (!InRange(Index))
        return false;
    fItems.erase(fItems.begin() + Index);
    return true;
}

template <class T> void TZRVRecordList<T>::Compact() {
    std::erase_if(fItems, [](const std::unique_ptr<T>& p) { return !p; });
}

template <class T> void TZRVRecordList<T>::Clear() {
    fItems.clear();
    fOwnerID = 0;
}

template <class T> void TZRVRecordList<T>::Copy(const TZRVRecordList* Source) {
    if (!Source || Source == this)
        return;
    fItems.clear();
    fOwnerID = Source->fOwnerID;
    for (const auto& item : Source->fItems) {
        auto copy = std::make_unique<T>();
        copy->Copy(item.get());
        fItems.push_back(std::move(copy));
    }
}

template <class T> void TZRVRecordList<T>::LoadFromStringList(const TStringList& List) {
    if (List.IsEmpty())
        return;
    Clear();
    if (!fOwnerName.isEmpty())
        fOwnerID = ReadUInt(List, fListName + u'_' + fOwnerName);
    const QString countText = List.Values(fListName + QStringLiteral("_Count"));
    const int count = StrToInt(countText);
    // Every item brings at least one line: a larger count is not believed.
    if (count > List.Count())
        throw EConvertError(QStringLiteral("'%1' is not a valid item count").arg(countText));
    for (int i = 0; i < count; ++i) {
        auto item = std::make_unique<T>();
        item->LoadFromStringList(CollectPrefixed(List, fListName + u'_' + QString::number(i)));
        fItems.push_back(std::move(item));
    }
}

template <class T> TStringList TZRVRecordList<T>::SaveToStringList() const {
    TStringList L;
    if (!fOwnerName.isEmpty())
        L.Add(fListName + u'_' + fOwnerName, IntToStr(fOwnerID));
    L.Add(fListName + QStringLiteral("_Count"), IntToStr(Count()));
    for (int i = 0; i < Count(); ++i)
        AddPrefixed(L, fItems[size_t(i)]->SaveToStringList(), fListName + u'_' + QString::number(i));
    return L;
}

template class TZRVRecordList<TZRVApplication>;
template class TZRVRecordList<TZRVGame>;
template class TZRVRecordList<TZRVAuthorisation>;
template class TZRVRecordList<TZRVGroupAuthorisation>;

TZRVAuthorisation* TZRVAuthorisations::Exists(uint32_t AuthorisationID) const {
    for (int i = 0; i < Count(); ++i)
        if (Item(i)->AuthorisationID() == AuthorisationID)
            return Item(i);
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Tariff data

void TZRVHourFormulaData::Clear() {
    *this = TZRVHourFormulaData();
}

int32_t TZRVHourFormulaData::GetValue() const {
    return int32_t(fStartDay) | (int32_t(fStartHour) << 3) | (int32_t(fEndDay) << 8) |
           (int32_t(fEndHour) << 11);
}

bool TZRVHourFormulaData::DecodeValue(int32_t Value, int16_t& StartDay, int16_t& StartHour, int16_t& EndDay,
                                      int16_t& EndHour) {
    StartDay = int16_t(Value & 0x7);
    StartHour = int16_t((Value >> 3) & 0x1F);
    EndDay = int16_t((Value >> 8) & 0x7);
    EndHour = int16_t((Value >> 11) & 0x1F);
    return true;
}

bool TZRVHourFormulaData::Contains(int32_t Value, int aDayOfWeek, int aHour) {
    int16_t sd, sh, ed, eh;
    DecodeValue(Value, sd, sh, ed, eh);
    return sd <= aDayOfWeek && aDayOfWeek <= ed && sh <= aHour && aHour <= eh;
}

QString TZRVCreditData::GetCreditFormatted() const {
    return FormatCredit(fCreditValue);
}

int TZRVTarification::AddCredit(std::unique_ptr<TZRVCreditData> Credit) {
    if (!Credit)
        return -1;
    fCredits.push_back(std::move(Credit));
    return Count() - 1;
}

TZRVCreditData* TZRVTarification::Credits(int Index) const {
    return Index >= 0 && Index < Count() ? fCredits[size_t(Index)].get() : nullptr;
}

void TZRVTarification::Clear() {
    fCredits.clear();
    fHourFormula.reset();
}

QString FormatCredit(uint32_t Value) {
    return QString::asprintf("%.2uh%.2um%.2us", Value / 3600, (Value % 3600) / 60, Value % 60);
}

namespace {

// Formats up to three unsigned values with a format of literal text, "%%" and
// "%[-][width][.precision]d|u" specifiers; any other specifier, or a fourth one, fails.
bool FormatUnsigned(const QString& aFormat, const uint32_t (&Args)[3], QString& Text) {
    QString out;
    int arg = 0;
    for (qsizetype i = 0; i < aFormat.size(); ++i) {
        if (aFormat.at(i) != u'%') {
            out += aFormat.at(i);
            continue;
        }
        if (++i < aFormat.size() && aFormat.at(i) == u'%') {
            out += u'%';
            continue;
        }
        const bool left = i < aFormat.size() && aFormat.at(i) == u'-';
        if (left)
            ++i;
        auto number = [&](int& n) {
            n = 0;
            while (i < aFormat.size() && aFormat.at(i).isDigit() && n < 1000)
                n = n * 10 + aFormat.at(i++).digitValue();
        };
        int width = 0, precision = 0;
        number(width);
        if (i < aFormat.size() && aFormat.at(i) == u'.') {
            ++i;
            number(precision);
        }
        if (i >= aFormat.size() || (aFormat.at(i) != u'u' && aFormat.at(i) != u'd') || arg >= 3)
            return false;
        QString value = QString::number(Args[arg++]).rightJustified(precision, u'0');
        out += left ? value.leftJustified(width) : value.rightJustified(width);
    }
    Text = out;
    return true;
}

// Delphi's Copy: Count characters from the 1-based Index; nothing for a count below 1.
QString CopyText(const QString& S, qsizetype Index, qsizetype Count) {
    if (Count <= 0)
        return QString();
    return S.mid(std::max<qsizetype>(Index, 1) - 1, Count);
}

} // namespace

bool TZRVCreditUtilities::CreditValueToStr(QString& Text, uint32_t Value) const {
    const uint32_t parts[3] = {Value / 3600, (Value % 3600) / 60, Value % 60};
    return FormatUnsigned(fcFormat.isEmpty() ? GetDefaultcFormat() : fcFormat, parts, Text);
}

bool TZRVCreditUtilities::StrToCreditValue(const QString& Text, uint32_t& Value) const {
    if (!fcFormat.isEmpty() || Text.isEmpty())
        return false;
    const QString t = Text.toLower();
    const qsizetype h = t.indexOf(u'h') + 1; // 1-based positions, 0 when absent
    const qsizetype m = t.indexOf(u'm') + 1;
    const qsizetype s = t.indexOf(u's') + 1;
    const qint64 total = qint64(StrToUInt(CopyText(t, 1, h - 1))) * 3600 +
                         qint64(StrToUInt(CopyText(t, h + 1, m - h - 1))) * 60 +
                         StrToUInt(CopyText(t, m + 1, s - m - 1));
    if (total > std::numeric_limits<uint32_t>::max())
        RaiseConvert(Text, "credit");
    Value = uint32_t(total);
    return true;
}

bool TZRVCreditUtilities::EncodeCreditCostStr(QString& Text, uint32_t Value, int32_t Cost) const {
    QString credit;
    if (!CreditValueToStr(credit, Value)) {
        Text.clear();
        return false;
    }
    Text = credit + QStringLiteral(" - ") + QString::number(Cost);
    return true;
}

bool TZRVCreditUtilities::DecodeCreditCostStr(const QString& Text, uint32_t& Value, int32_t& Cost) const {
    if (!fcFormat.isEmpty() || Text.isEmpty())
        return false;
    if (!StrToCreditValue(Text, Value))
        return false;
    try {
        Cost = StrToInt(CopyText(Text, Text.indexOf(u'-') + 1 + 2, 10));
    } catch (const EConvertError&) {
        return false;
    }
    return true;
}
