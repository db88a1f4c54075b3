#include "ZRVCommon.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <QVarLengthArray>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// ---------------------------------------------------------------------------------------------
// Errors

EZRVError::EZRVError(const QString& aMessage)
    : std::runtime_error(aMessage.toStdString()), fMessage(aMessage) {}

// ---------------------------------------------------------------------------------------------
// String list

namespace {

// A nested record whose lines lie among this many lines of an indexed list is read by scanning them.
constexpr int c_RangeScanLimit = 32;
// The most lines a cursor moves past that its reader did not ask for.
constexpr int c_CursorReach = 16;

// The bits of four UTF-16 units that only units beyond ASCII have, and the ASCII case bits.
constexpr quint64 c_NonAscii = 0xFF80FF80FF80FF80u, c_CaseBits = 0x0020002000200020u;

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

// Hashes aSize units four at a time, the ASCII case bit set in each, so that ASCII names equal
// without regard to case hash alike; aUnion gets every unit or'ed together.
uint32_t HashUnits(const char16_t* aUnits, qsizetype aSize, quint64& aUnion) {
    quint64 hash = 14695981039346656037u ^ quint64(aSize);
    quint64 seen = 0;
    qsizetype i = 0;
    for (; i + 4 <= aSize; i += 4) {
        quint64 word = 0;
        std::memcpy(&word, aUnits + i, sizeof word);
        seen |= word;
        hash = (hash ^ (word | c_CaseBits)) * 1099511628211u;
    }
    if (i < aSize) {
        quint64 word = 0;
        std::memcpy(&word, aUnits + i, size_t(aSize - i) * sizeof(char16_t));
        seen |= word;
        hash = (hash ^ (word | c_CaseBits)) * 1099511628211u;
    }
    aUnion = seen;
    return uint32_t(hash ^ (hash >> 32));
}

// The hash of a name, equal for names equal without regard to case: beyond ASCII, the name is
// folded code point by code point first (folding keeps each one's length), then hashed like an
// ASCII one, its folded units beyond ASCII joining the words as they are.
uint32_t NameHash(QStringView aName) {
    quint64 seen = 0;
    const uint32_t hash = HashUnits(aName.utf16(), aName.size(), seen);
    if (!(seen & c_NonAscii))
        return hash;
    std::u16string name(aName.utf16(), size_t(aName.size())); // a name beyond ASCII is rare
    const size_t size = name.size();
    for (size_t i = 0; i < size; ++i) {
        char32_t c = name[i];
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(name[i + 1]);
        if (pair)
            c = QChar::surrogateToUcs4(char16_t(c), name[i + 1]);
        c = QChar::toCaseFolded(c);
        if (pair) {
            name[i++] = QChar::highSurrogate(c);
            name[i] = QChar::lowSurrogate(c);
        } else {
            name[i] = char16_t(c);
        }
    }
    return HashUnits(name.data(), aName.size(), seen);
}

// The same for the name aPrefix followed by aName.
uint32_t NameHash(QStringView aPrefix, QStringView aName) {
    if (aPrefix.isEmpty())
        return NameHash(aName);
    QVarLengthArray<char16_t, 128> name(aPrefix.size() + aName.size());
    // An empty view may hold no storage at all: copy by element, never memcpy from null.
    std::copy_n(aPrefix.utf16(), aPrefix.size(), name.data());
    std::copy_n(aName.utf16(), aName.size(), name.data() + aPrefix.size());
    return NameHash(QStringView(name.constData(), name.size()));
}

// A constant, so that lists built during static initialisation work too.
constexpr QStringView c_LineEnd = u"\r\n";

// The first line break or "=" at or after aFrom in aText[0, aSize), or aSize; sixteen units at a
// time where the processor offers it.
inline qsizetype NextLineMark(const char16_t* aText, qsizetype aFrom, qsizetype aSize) {
    qsizetype i = aFrom;
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), eq = _mm_set1_epi8('=');
    for (; i + 16 <= aSize; i += 16) {
        // Packed to bytes, the units beyond 0x7F saturate to 0x7F or 0x80: none becomes a mark.
        const __m128i units =
            _mm_packs_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(aText + i)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(aText + i + 8)));
        const __m128i marks = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(units, cr), _mm_cmpeq_epi8(units, lf)),
                                           _mm_cmpeq_epi8(units, eq));
        if (const int mask = _mm_movemask_epi8(marks))
            return i + std::countr_zero(unsigned(mask));
    }
#endif
    while (i < aSize && aText[i] != u'\r' && aText[i] != u'\n' && aText[i] != u'=')
        ++i;
    return i;
}

// The four units before aEnd as one word.
quint64 WordBefore(const char16_t* aEnd) {
    quint64 word = 0;
    std::memcpy(&word, aEnd - 4, sizeof word);
    return word;
}

// Whether aSize units at a and b are the same, several at a time, the last ones overlapping those
// before (names are short).
inline bool SameUnits(const char16_t* a, const char16_t* b, qsizetype aSize) {
#ifdef __SSE2__
    for (qsizetype i = 0; aSize >= 8; i += 8) { // eight at a time where the processor offers it
        const qsizetype at = std::min(i, aSize - 8);
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + at));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + at));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(x, y)) != 0xFFFF)
            return false;
        if (at == aSize - 8)
            return true;
    }
#endif
    if (aSize < 4) {
        for (qsizetype i = 0; i < aSize; ++i)
            if (a[i] != b[i])
                return false;
        return true;
    }
    for (qsizetype i = 0;; i += 4) {
        const qsizetype at = std::min(i, aSize - 4);
        if (WordBefore(a + at + 4) != WordBefore(b + at + 4))
            return false;
        if (at == aSize - 4)
            return true;
    }
}

} // namespace

bool SameText(QStringView a, QStringView b) {
    // Folding never changes a text's length, so texts of different lengths differ.
    const qsizetype size = a.size();
    if (size != b.size())
        return false;
    const char16_t* x = a.utf16();
    const char16_t* y = b.utf16();
    // ASCII four units at a time, the last four overlapping those before: equal but for the case
    // bit of letters.
    for (qsizetype i = 0; size >= 4; i += 4) {
        const qsizetype at = std::min(i, size - 4);
        quint64 u = 0, v = 0;
        std::memcpy(&u, x + at, sizeof u);
        std::memcpy(&v, y + at, sizeof v);
        if (u != v) {
            if ((u | v) & c_NonAscii)
                break;
            if ((u ^ v) & ~c_CaseBits)
                return false;
            break; // a case difference: letters only, told unit by unit
        }
        if (at == size - 4)
            return true;
    }
    for (qsizetype i = 0; i < size; ++i) {
        if (x[i] == y[i])
            continue;
        if ((x[i] | y[i]) >= 0x80) // beyond ASCII, folding is the library's
            return a.compare(b, Qt::CaseInsensitive) == 0;
        if (AsciiLower(x[i]) != AsciiLower(y[i]))
            return false;
    }
    return true;
}

bool StartsWithText(QStringView aText, QStringView aPrefix) {
    return aText.size() >= aPrefix.size() && SameText(aText.first(aPrefix.size()), aPrefix);
}

namespace {

// Whether two words of four units differ without regard to case for certain: ASCII units that
// differ beyond the case bit (no ASCII unit folds otherwise).
bool SurelyDiffer(quint64 u, quint64 v) {
    return !((u | v) & c_NonAscii) && ((u ^ v) & ~c_CaseBits);
}

// A mark of a name among 256, alike for names equal without regard to case: mixed from its length
// and its last four units, their case bits set; units beyond ASCII are folded first (surrogates
// all read alike), and names shorter than four units are hashed whole.
inline uint32_t NameMark(QStringView aName) {
    const qsizetype size = aName.size();
    if (size < 4)
        return NameHash(aName) % 256;
    quint64 word = WordBefore(aName.utf16() + size);
    if (word & c_NonAscii) {
        char16_t units[4];
        for (int i = 0; i < 4; ++i) {
            const char16_t c = aName[size - 4 + i].unicode();
            units[i] = QChar::isSurrogate(c) ? char16_t(0xD800) : char16_t(QChar::toCaseFolded(char32_t(c)));
        }
        std::memcpy(&word, units, sizeof word);
    }
    return uint32_t((((word | c_CaseBits) ^ quint64(size)) * 0x9E3779B97F4A7C15u) >> 56);
}

// StartsWithText for the lines of a list, most of which lack the prefix sought: the prefixes of a
// record's nested records differ in their last units ("UTt_LUP_", "UTt_Grp_"), so those are
// compared first.
bool LineHasPrefix(QStringView aLine, QStringView aPrefix) {
    const qsizetype size = aPrefix.size();
    if (aLine.size() < size)
        return false;
    if (size >= 4 && SurelyDiffer(WordBefore(aLine.utf16() + size), WordBefore(aPrefix.utf16() + size)))
        return false;
    return SameUnits(aLine.utf16(), aPrefix.utf16(), size) || SameText(aLine.first(size), aPrefix);
}

} // namespace

TStringList::TStringList(const QStringList& aLines) {
    for (const QString& line : aLines)
        Append(line);
}

QStringList TStringList::Lines() const {
    QStringList lines;
    lines.reserve(Count());
    for (int i = 0; i < Count(); ++i)
        lines.append(Line(i).toString());
    return lines;
}

void TStringList::AddLine(qsizetype aFrom, qsizetype aSize) {
    fLines.push_back({aFrom, aSize, QStringView(fText).sliced(aFrom, aSize).indexOf(u'=')});
    if (!fIndex.empty())
        IndexLine(Count() - 1);
    else if (Count() > c_ScanLimit)
        Reindex();
}

void TStringList::Append(QStringView aLine) {
    AddWithPrefix(QStringView(), aLine);
}

void TStringList::AddWithPrefix(QStringView aPrefix, QStringView aLine) {
    const auto inText = [this](QStringView aPart) {
        const std::less_equal<const QChar*> le;
        return !aPart.isEmpty() && le(fText.constData(), aPart.data()) &&
               le(aPart.data(), fText.constData() + fText.size());
    };
    if (inText(aPrefix) || inText(aLine)) // a line of this very list: copied before the text grows
        return AddWithPrefix(aPrefix.toString(), aLine.toString());
    const qsizetype from = fText.size();
    fText.append(aPrefix);
    fText.append(aLine);
    fText.append(c_LineEnd);
    AddLine(from, aPrefix.size() + aLine.size());
}

void TStringList::Add(const QString& aName, const QString& aValue) {
    const qsizetype from = fText.size();
    fText.append(aName);
    fText.append(u'=');
    fText.append(aValue);
    fText.append(c_LineEnd);
    AddLine(from, fText.size() - c_LineEnd.size() - from);
}

void TStringList::AddStrings(const TStringList& aOther) {
    for (int i = 0, n = aOther.Count(); i < n; ++i) // the same list may be added to itself
        Append(aOther.Line(i));
}

void TStringList::Rejoin(const std::vector<QString>& aLines) {
    Clear();
    for (const QString& line : aLines)
        Append(line);
}

void TStringList::Insert(int Index, const QString& aLine) {
    std::vector<QString> lines;
    for (int i = 0; i < Count(); ++i)
        lines.push_back(Line(i).toString());
    lines.insert(lines.begin() + std::clamp(Index, 0, Count()), aLine);
    Rejoin(lines);
}

void TStringList::Delete(int Index) {
    std::vector<QString> lines;
    for (int i = 0; i < Count(); ++i)
        if (i != Index)
            lines.push_back(Line(i).toString());
    Rejoin(lines);
}

void TStringList::Clear() {
    fText.clear();
    fLines.clear();
    Reindex();
}

QStringView TStringList::NameOf(const TLine& aLine) const {
    return QStringView(fText).sliced(aLine.From, aLine.Eq);
}

QString TStringList::Names(int Index) const {
    const TLine& line = fLines.at(size_t(Index));
    return line.Eq < 0 ? Line(Index).toString() : NameOf(line).toString();
}

QString TStringList::ValueFromIndex(int Index) const {
    const TLine& line = fLines.at(size_t(Index));
    return line.Eq < 0 ? QString() : Line(Index).sliced(line.Eq + 1).toString();
}

inline bool TStringList::HasName(int Index, QStringView aPrefix, QStringView aName) const {
    const TLine& line = fLines[size_t(Index)];
    if (line.Eq != aPrefix.size() + aName.size())
        return false;
    const QStringView name = NameOf(line);
    // Names are mostly written as they are asked for: the same units settle it.
    if (SameUnits(name.utf16(), aPrefix.utf16(), aPrefix.size()) &&
        SameUnits(name.utf16() + aPrefix.size(), aName.utf16(), aName.size()))
        return true;
    return SameText(name.first(aPrefix.size()), aPrefix) && SameText(name.sliced(aPrefix.size()), aName);
}

int TStringList::ScanForName(QStringView aPrefix, QStringView aName, int aFirst, int aEnd) const {
    const qsizetype size = aPrefix.size() + aName.size();
    // Names of the same length are told apart by their last units first (the keys of a record
    // share their beginning).
    const bool byLastUnits = aName.size() >= 4;
    const quint64 last = byLastUnits ? WordBefore(aName.utf16() + aName.size()) : 0;
    const char16_t* text = QStringView(fText).utf16();
    for (int i = std::max(aFirst, 0), end = std::min(aEnd, Count()); i < end; ++i) {
        const TLine& line = fLines[size_t(i)];
        if (line.Eq != size || (byLastUnits && SurelyDiffer(WordBefore(text + line.From + size), last)))
            continue;
        if (HasName(i, aPrefix, aName))
            return i;
    }
    return -1;
}

int TStringList::IndexOfName(QStringView aPrefix, QStringView aName, int aFirst, int aEnd) const {
    if (fIndex.empty() || aEnd - aFirst <= c_RangeScanLimit)
        return ScanForName(aPrefix, aName, aFirst, aEnd);
    return fIndex[SlotOf(aPrefix, aName, NameHash(aPrefix, aName))].Line;
}

QStringView TStringList::Value(QStringView aPrefix, QStringView aName, int aFirst, int aEnd) const {
    const int i = IndexOfName(aPrefix, aName, aFirst, aEnd);
    return i < 0 ? QStringView() : Line(i).sliced(fLines[size_t(i)].Eq + 1);
}

inline bool TStringList::Note(TCursor& aCursor, int Index) const {
    const TLine& line = fLines[size_t(Index)];
    if (line.Eq < 0)
        return true; // no name: never found
    // Names equal without regard to case hash alike, so set alike.
    const uint32_t bit = NameMark(NameOf(line));
    quint64& seen = aCursor.Seen[bit / 64];
    const quint64 mask = quint64(1) << (bit % 64);
    const bool fresh = !(seen & mask);
    seen |= mask;
    return fresh;
}

inline bool TStringList::HasPrefix(int Index, QStringView aPrefix, quint64 aLastUnits) const {
    const TLine& line = fLines[size_t(Index)];
    const qsizetype size = aPrefix.size();
    if (line.Size < size)
        return false;
    const QStringView start = QStringView(fText).sliced(line.From, size);
    if (size >= 4 && SurelyDiffer(WordBefore(start.utf16() + size), aLastUnits))
        return false;
    return SameUnits(start.utf16(), aPrefix.utf16(), size) || SameText(start, aPrefix);
}

QStringView TStringList::Value(QStringView aPrefix, QStringView aName, int aFirst, int aEnd,
                               TCursor& aCursor) const {
    int& next = aCursor.Next;
    next = std::max(next, aFirst);
    if (next < std::min(aEnd, Count())) {
        const TLine& line = fLines[size_t(next)];
        const char16_t* name = QStringView(fText).utf16() + line.From;
        // A name written as it is asked for has the same units; one in another case is searched for.
        if (line.Eq == aPrefix.size() + aName.size() && SameUnits(name, aPrefix.utf16(), aPrefix.size()) &&
            SameUnits(name + aPrefix.size(), aName.utf16(), aName.size()) && Note(aCursor, next)) {
            ++next;
            return QStringView(name + line.Eq + 1, line.Size - line.Eq - 1);
        }
    }
    const int i = IndexOfName(aPrefix, aName, aFirst, aEnd);
    // The cursor moves on to the line after the one found, unless that lies far ahead.
    if (i >= next && i - next < c_CursorReach)
        while (next <= i)
            Note(aCursor, next++);
    return i < 0 ? QStringView() : Line(i).sliced(fLines[size_t(i)].Eq + 1);
}

int TStringList::FirstWithPrefix(QStringView aPrefix, int aFirst, int aEnd) const {
    const quint64 last = aPrefix.size() >= 4 ? WordBefore(aPrefix.utf16() + aPrefix.size()) : 0;
    for (int i = std::max(aFirst, 0), end = std::min(aEnd, Count()); i < end; ++i)
        if (HasPrefix(i, aPrefix, last))
            return i;
    return -1;
}

int TStringList::LastWithPrefix(QStringView aPrefix, int aFirst, int aEnd) const {
    const quint64 last = aPrefix.size() >= 4 ? WordBefore(aPrefix.utf16() + aPrefix.size()) : 0;
    for (int i = std::min(aEnd, Count()) - 1, first = std::max(aFirst, 0); i >= first; --i)
        if (HasPrefix(i, aPrefix, last))
            return i;
    return -1;
}

size_t TStringList::SlotOf(QStringView aPrefix, QStringView aName, uint32_t aHash) const {
    const size_t mask = fIndex.size() - 1;
    size_t s = aHash & mask;
    while (fIndex[s].Line >= 0 && !(fIndex[s].Hash == aHash && HasName(fIndex[s].Line, aPrefix, aName)))
        s = (s + 1) & mask;
    return s;
}

// Records line Index under its name unless an earlier line has that name (lookups find the first).
void TStringList::IndexLine(int Index) {
    const TLine& line = fLines[size_t(Index)];
    if (line.Eq < 0)
        return;
    if (size_t(fIndexed + 1) * 2 > fIndex.size()) // kept at most half full
        GrowIndex();
    const QStringView name = NameOf(line);
    const uint32_t hash = NameHash(name);
    TNameSlot& slot = fIndex[SlotOf(QStringView(), name, hash)];
    if (slot.Line < 0) {
        slot = {hash, Index};
        ++fIndexed;
    }
}

void TStringList::GrowIndex() {
    std::vector<TNameSlot> old(std::max<size_t>(fIndex.size() * 2, 2 * size_t(c_ScanLimit)),
                               TNameSlot{0, -1});
    old.swap(fIndex);
    const size_t mask = fIndex.size() - 1;
    for (const TNameSlot& slot : old) {
        size_t s = slot.Hash & mask;
        while (slot.Line >= 0 && fIndex[s].Line >= 0) // names are distinct: the first free slot
            s = (s + 1) & mask;
        if (slot.Line >= 0)
            fIndex[s] = slot;
    }
}

void TStringList::Reindex() {
    fIndex.clear();
    fIndexed = 0;
    if (Count() <= c_ScanLimit)
        return;
    fIndex.assign(std::bit_ceil(size_t(Count()) * 2), TNameSlot{0, -1});
    for (int i = 0; i < Count(); ++i)
        IndexLine(i);
}

void TStringList::SetValues(const QString& aName, const QString& aValue) {
    const int index = IndexOfName(aName);
    if (index < 0) {
        Add(aName, aValue);
        return;
    }
    std::vector<QString> lines;
    for (int i = 0; i < Count(); ++i)
        lines.push_back(i == index ? aName + u'=' + aValue : Line(i).toString());
    Rejoin(lines);
}

void TStringList::SetText(const QString& aText) {
    fLines.clear();
    // A text in the buffer form is kept as it is; any other is written in it.
    bool bufferForm = true;
    const char16_t* text = QStringView(aText).utf16();
    const qsizetype n = aText.size();
    qsizetype start = 0, eq = -1;
    for (qsizetype i = NextLineMark(text, 0, n); i < n; i = NextLineMark(text, i, n)) {
        if (text[i] == u'=') {
            eq = eq < 0 ? i - start : eq;
            ++i;
            continue;
        }
        fLines.push_back({start, i - start, eq});
        const bool crLf = text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n';
        bufferForm = bufferForm && crLf;
        i += crLf ? 2 : 1;
        start = i;
        eq = -1;
    }
    if (start < n) {
        fLines.push_back({start, n - start, eq});
        bufferForm = false;
    }
    fText = aText;
    if (!bufferForm) {
        std::vector<QString> lines;
        for (const TLine& line : fLines)
            lines.push_back(aText.sliced(line.From, line.Size));
        Rejoin(lines);
        return;
    }
    Reindex();
}

bool TStringList::operator==(const TStringList& aOther) const {
    if (Count() != aOther.Count())
        return false;
    for (int i = 0; i < Count(); ++i)
        if (Line(i) != aOther.Line(i))
            return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// A record's lines

TZRVName& TZRVName::Append(int aNumber) {
    char16_t digits[12];
    char16_t* end = std::end(digits);
    char16_t* at = end;
    auto rest = aNumber < 0 ? -qint64(aNumber) : qint64(aNumber);
    do {
        *--at = char16_t(u'0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (aNumber < 0)
        *--at = u'-';
    return Append(QStringView(at, end));
}

TZRVRecordLines::TZRVRecordLines(const TStringList& aList) : fList(&aList), fFirst(0), fEnd(aList.Count()) {}

TZRVRecordLines::TZRVRecordLines(const TStringList& aList, QString aKeyPrefix, int aFirst, int aEnd)
    : fList(&aList), fKeyPrefix(std::move(aKeyPrefix)), fFirst(aFirst), fEnd(aEnd) {}

bool TZRVRecordLines::ListPrefix(QStringView aKeyPrefix, TZRVName& aPrefix) const {
    if (!StartsWithText(aKeyPrefix, fKeyPrefix))
        return false;
    aPrefix.Append(fPrefix).Append(aKeyPrefix.sliced(fKeyPrefix.size()));
    return true;
}

TZRVRecordLines TZRVRecordLines::Nested(QStringView aPrefix, const QString& aKeyPrefix, int aFirst,
                                        int aEnd) const {
    TZRVRecordLines nested(*fList, aKeyPrefix, 0, 0);
    if (ListPrefix(aPrefix, nested.fPrefix) && aFirst < aEnd) {
        nested.fFirst = aFirst;
        nested.fEnd = aEnd;
    }
    return nested;
}

TZRVRecordLines TZRVRecordLines::Nested(QStringView aPrefix, const QString& aKeyPrefix) const {
    TZRVRecordLines nested(*fList, aKeyPrefix, fEnd, fEnd);
    if (!ListPrefix(aPrefix, nested.fPrefix))
        return nested;
    // A record's lines usually lie together: the first is sought from the front, the last from the
    // back, and the lines between are not read.
    const int first = fList->FirstWithPrefix(nested.fPrefix, fFirst, fEnd);
    if (first < 0)
        return nested;
    nested.fFirst = first;
    nested.fEnd = fList->LastWithPrefix(nested.fPrefix, first, fEnd) + 1;
    return nested;
}

QStringView TZRVRecordLines::Value(QStringView aKey) const {
    if (!fKeyPrefix.isEmpty() && !StartsWithText(aKey, fKeyPrefix))
        return QStringView(); // no line of this record carries such a key
    return fList->Value(fPrefix, aKey.sliced(fKeyPrefix.size()), fFirst, fEnd, fCursor);
}

void AddPrefixed(TStringList& Outer, const TStringList& Inner, const QString& aPrefix) {
    for (int i = 0; i < Inner.Count(); ++i)
        Outer.AddWithPrefix(aPrefix, Inner.Line(i));
}

TStringList CollectPrefixed(const TStringList& aList, const QString& aPrefix) {
    return CollectPrefixed(aList, aPrefix, QString());
}

TStringList CollectPrefixed(const TStringList& aList, const QString& aPrefix, const QString& aReplacement) {
    TStringList result;
    for (int i = 0; i < aList.Count(); ++i)
        if (const QStringView line = aList.Line(i); StartsWithText(line, aPrefix))
            result.AddWithPrefix(aReplacement, line.sliced(aPrefix.size()));
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

[[noreturn]] void RaiseConvert(QStringView aText, const char* aKind) {
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

namespace {

// Two ASCII digits at aAt, or -1.
int TwoDigits(QStringView aText, qsizetype aAt) {
    const auto digit = [&](qsizetype i) {
        return aText[i] >= u'0' && aText[i] <= u'9' ? aText[i].unicode() - u'0' : -100;
    };
    const int value = digit(aAt) * 10 + digit(aAt + 1);
    return value < 0 ? -1 : value;
}

// The form the default settings write ("dd/MM/yyyy", then " HH:mm:ss" unless midnight), read
// without the general parser, which costs more than the rest of a record; false for any other
// text, which the general parser then reads to the same value or refuses.
bool ReadWrittenForm(QStringView aText, TDateTime& aValue) {
    if (aText.size() != 10 && aText.size() != 19)
        return false;
    const int day = TwoDigits(aText, 0), month = TwoDigits(aText, 3);
    const int century = TwoDigits(aText, 6), year = TwoDigits(aText, 8);
    if (aText[2] != u'/' || aText[5] != u'/' || day < 0 || month < 0 || century < 0 || year < 0)
        return false;
    const QDate date(century * 100 + year, month, day);
    QTime time(0, 0);
    if (aText.size() == 19) {
        if (aText[10] != u' ' || aText[13] != u':' || aText[16] != u':')
            return false;
        time = QTime(TwoDigits(aText, 11), TwoDigits(aText, 14), TwoDigits(aText, 17));
    }
    if (!date.isValid() || !time.isValid())
        return false;
    aValue = Combine(c_DateTimeBase.daysTo(date), time.msecsSinceStartOfDay());
    return true;
}

} // namespace

TDateTime StrToDateTime(QStringView aText) {
    const TZRVFormatSettings& fs = FormatSettings();
    TDateTime value = 0;
    if (fs.ShortDateFormat == TZRVFormatSettings().ShortDateFormat &&
        fs.LongTimeFormat == TZRVFormatSettings().LongTimeFormat && ReadWrittenForm(aText, value))
        return value;
    const QString text = aText.trimmed().toString();
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

namespace {

// The form writers give an integer (a minus sign or none, then up to nine digits), read without the
// general parser; false for any other text, which that parser then reads or refuses.
bool ReadPlainInt(QStringView aText, int& aValue) {
    const bool negative = !aText.isEmpty() && aText[0] == u'-';
    const QStringView digits = aText.sliced(negative ? 1 : 0);
    if (digits.isEmpty() || digits.size() > 9)
        return false;
    int value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c.unicode() - u'0');
    }
    aValue = negative ? -value : value;
    return true;
}

} // namespace

int StrToInt(QStringView aText) {
    if (int value = 0; ReadPlainInt(aText, value))
        return value;
    bool ok = false;
    const qlonglong v = aText.toLongLong(&ok, 10);
    const bool plain = !aText.isEmpty() && !aText.at(0).isSpace() && !aText.back().isSpace();
    if (!ok || !plain || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        RaiseConvert(aText, "integer value");
    return int(v);
}

uint32_t StrToUInt(QStringView aText) {
    const int v = StrToInt(aText);
    if (v < 0)
        RaiseConvert(aText, "unsigned integer value");
    return uint32_t(v);
}

bool StrToBool(QStringView aText) {
    if (aText == u"-1") // the written forms, read without the number parser
        return true;
    if (aText == u"0")
        return false;
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

void TZRVAuthorisation::LoadFromStringList(const TZRVRecordLines& List) {
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

void TZRVApplication::LoadFromStringList(const TZRVRecordLines& List) {
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

void TZRVGame::LoadFromStringList(const TZRVRecordLines& List) {
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

void TZRVSecretQuestion::LoadFromStringList(const TZRVRecordLines& List) {
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

void TZRVGroupAuthorisation::LoadFromStringList(const TZRVRecordLines& List) {
    if (List.IsEmpty())
        return;
    Clear();
    fGroupID = ReadUInt(List, QStringLiteral("GroupAuthorisation_GroupID"));
    fValue = ReadBool(List, QStringLiteral("GroupAuthorisation_Value"));
    fValueEx = List.Values(QStringLiteral("GroupAuthorisation_ValueEx"));
    fAuthorisation->LoadFromStringList(List.Nested(QStringLiteral("GroupAuthorisation_")));
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

namespace {

// The item of a list a line belongs to, from what follows the list's prefix ("Games_"): the index
// as the writer writes it (decimal, no leading zero) and below aCount, then the item's own line;
// -1 for any other line.
int ItemOfLine(QStringView aAfterPrefix, int aCount) {
    qsizetype end = 0;
    qint64 index = 0;
    while (end < aAfterPrefix.size() && aAfterPrefix[end] >= u'0' && aAfterPrefix[end] <= u'9' &&
           index < aCount)
        index = index * 10 + (aAfterPrefix[end++].unicode() - u'0');
    if (end == 0 || index >= aCount || (end > 1 && aAfterPrefix[0] == u'0'))
        return -1;
    return int(index);
}

} // namespace

template <class T> void TZRVRecordList<T>::LoadFromStringList(const TZRVRecordLines& List) {
    if (List.IsEmpty())
        return;
    Clear();
    if (!fOwnerName.isEmpty())
        fOwnerID = ReadUInt(List, TZRVName(fListName, u"_", fOwnerName));
    const QStringView countText = List.Value(TZRVName(fListName, u"_Count"));
    const int count = std::min(StrToInt(countText), c_MaxCount + 1);
    // One pass over the lines tells where the lines of each item lie; an index that is another
    // item's with more digits ("Games_1" of "Games_10...") stays that other item's, and the keys of
    // an item never begin with a digit.
    TZRVName prefix;
    const bool listed = List.ListPrefix(TZRVName(fListName, u"_"), prefix);
    QVarLengthArray<std::pair<int, int>, 32> itemLines(std::max(count, 0)); // first and end
    std::fill(itemLines.begin(), itemLines.end(), std::pair(0, 0));
    int lines = 0;
    for (int i = List.FirstLine(); i < List.EndLine() && listed; ++i) {
        const QStringView line = List.List().Line(i);
        if (!LineHasPrefix(line, prefix))
            continue;
        ++lines;
        if (const int item = ItemOfLine(line.sliced(prefix.View().size()), count); item >= 0) {
            auto& [first, end] = itemLines[item];
            first = first < end ? first : i;
            end = i + 1;
        }
    }
    // Every item brings at least one line: a larger count is not believed, nor one past the cap,
    // nor one below zero.
    if (count < 0 || count > lines || count > c_MaxCount)
        throw EConvertError(QStringLiteral("'%1' is not a valid item count").arg(countText));
    fItems.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        auto item = std::make_unique<T>();
        item->LoadFromStringList(
            List.Nested(TZRVName(fListName, u"_", i), QString(), itemLines[i].first, itemLines[i].second));
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
