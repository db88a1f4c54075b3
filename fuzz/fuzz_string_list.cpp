// The string list's buffer form: lines as the splitting rules say, every name found where a plain
// scan finds it (first line, without regard to case), whatever the list's length, before and
// after it changes, and the text read back as the same lines.

#include "ZRVCommon.h"

#include <cstdlib>

namespace {

// The first line named aName, by a plain scan of the lines.
int ScannedIndexOf(const QStringList& aLines, const QString& aName) {
    for (int i = 0; i < aLines.size(); ++i) {
        const qsizetype eq = aLines[i].indexOf(u'=');
        if (eq >= 0 && QStringView(aLines[i]).left(eq).compare(aName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void Check(bool aHolds) {
    if (!aHolds)
        std::abort();
}

void CheckLookups(const TStringList& aList) {
    const QStringList lines = aList.Lines();
    Check(lines.size() == aList.Count());
    for (const QString& line : lines) {
        const QString name = line.section(u'=', 0, 0);
        for (const QString& query : {name, name.toUpper(), name.toLower(), name.toCaseFolded(), name + u'x'})
            Check(aList.IndexOfName(query) == ScannedIndexOf(lines, query));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
    if (aSize < 1)
        return 0;
    // The first byte picks how the bytes become text: the wire's code page, or UTF-8 for the rest
    // of Unicode (letters that fold beyond ASCII, surrogate pairs).
    const QByteArrayView bytes(aData + 1, qsizetype(aSize - 1));
    const QString text = aData[0] & 1 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);

    TStringList list;
    list.SetText(text);
    CheckLookups(list);

    TStringList again;
    again.SetText(list.Text());
    Check(again == list);

    // Long enough to be indexed, then changed.
    TStringList longer = list;
    for (int i = 0; i < 40; ++i)
        longer.Add(QStringLiteral("Pad%1=%1").arg(i));
    longer.AddStrings(list);
    CheckLookups(longer);
    if (!list.IsEmpty()) {
        longer.Insert(0, list[list.Count() - 1]);
        longer.Delete(longer.Count() / 2);
        longer.SetValues(list.Names(0), QStringLiteral("changed"));
        CheckLookups(longer);
    }
    return 0;
}
