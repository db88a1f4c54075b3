#include "ZRVMessage.h"

#include "ZRVCrypt.h"

#include <QTimer>

#include <algorithm>

namespace {

// The code page is a fixed part of the wire form, so it is carried here rather than asked of the
// converter library: Qt 6.4's ICU converter writes 0x1A, not "?", for a character it cannot hold,
// and a Qt built without ICU has no Windows-1252 at all.
constexpr char16_t c_Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool SameAsLatin1(char16_t c) {
    return c < 0x80 || (c >= 0xA0 && c <= 0xFF);
}

char EncodeUnit(char16_t c) {
    if (SameAsLatin1(c))
        return char(c);
    const auto* found = std::find(std::begin(c_Cp1252High), std::end(c_Cp1252High), c);
    return found == std::end(c_Cp1252High) ? '?' : char(0x80 + (found - std::begin(c_Cp1252High)));
}

const QByteArray c_Marker = c_MessageMarquer_string.toLatin1();

} // namespace

QByteArray ToWindows1252(QStringView aText) {
    QByteArray out(aText.size(), Qt::Uninitialized);
    qsizetype n = 0;
    for (qsizetype i = 0; i < aText.size(); ++i) {
        const QChar c = aText[i];
        if (c.isHighSurrogate() && i + 1 < aText.size() && aText[i + 1].isLowSurrogate())
            ++i; // one character outside the code page, one "?"
        out[n++] = EncodeUnit(c.unicode());
    }
    out.truncate(n);
    return out;
}

QString FromWindows1252(QByteArrayView aBytes) {
    QString out = QString::fromLatin1(aBytes);
    for (qsizetype i = 0; i < aBytes.size(); ++i) {
        const auto c = char16_t(uchar(aBytes[i]));
        if (!SameAsLatin1(c))
            out[i] = QChar(c_Cp1252High[c - 0x80]);
    }
    return out;
}

QByteArray EncodeMessage(const QString& aBody, const TZRVCustomCrypt& aCrypt) {
    QString text = c_MessageMarquer_string + aBody;
    aCrypt.Encrypt(text);
    return ToWindows1252(text);
}

int DataSplit(const QString& aText, TZRVArrayOfString& aPieces) {
    aPieces.clear();
    qsizetype start = aText.indexOf(c_MessageMarquer_string);
    while (start >= 0) {
        const qsizetype body = start + c_MessageMarquer_size;
        const qsizetype next = aText.indexOf(c_MessageMarquer_string, body);
        aPieces.append(aText.mid(body, next < 0 ? -1 : next - body));
        start = next;
    }
    return int(aPieces.size());
}

// ---------------------------------------------------------------------------------------------

TZRVArrayOfString TZRVReceiveBuffer::Feed(QByteArrayView aBytes) {
    fData.append(aBytes);
    TZRVArrayOfString bodies;
    qsizetype start = fData.indexOf(c_Marker);
    if (start < 0) {
        KeepPossibleMarkerStart();
        return bodies;
    }
    qsizetype next = fData.indexOf(c_Marker, std::max(start + c_MessageMarquer_size, fSearchFrom));
    while (next >= 0) {
        const qsizetype body = start + c_MessageMarquer_size;
        bodies.append(FromWindows1252(QByteArrayView(fData).sliced(body, next - body)));
        start = next;
        next = fData.indexOf(c_Marker, start + c_MessageMarquer_size);
    }
    KeepTail(start);
    if (fData.size() > fMaxTail)
        Overflow();
    return bodies;
}

// A kept message past the bound is no message of this system: it is dropped and reported.
void TZRVReceiveBuffer::Overflow() {
    const qsizetype dropped = fData.size();
    Clear();
    if (fOnTailDropped)
        fOnTailDropped(dropped);
}

TZRVArrayOfString TZRVReceiveBuffer::Flush() {
    TZRVArrayOfString bodies;
    if (fData.startsWith(c_Marker)) {
        bodies.append(FromWindows1252(QByteArrayView(fData).sliced(c_MessageMarquer_size)));
        Clear();
    }
    return bodies;
}

void TZRVReceiveBuffer::Clear() {
    fData.clear();
    fSearchFrom = 0;
}

void TZRVReceiveBuffer::KeepPossibleMarkerStart() {
    const qsizetype keep = c_MessageMarquer_size - 1;
    if (fData.size() > keep)
        fData.remove(0, fData.size() - keep);
    fSearchFrom = 0;
}

void TZRVReceiveBuffer::KeepTail(qsizetype aMarkerAt) {
    fData.remove(0, aMarkerAt);
    // A marker not found yet can only start in the last 13 bytes.
    fSearchFrom = std::max<qsizetype>(c_MessageMarquer_size, fData.size() - (c_MessageMarquer_size - 1));
}

// ---------------------------------------------------------------------------------------------

TZRVMessageReader::TZRVMessageReader(QObject* aOwner) : QObject(aOwner), fQuiet(new QTimer(this)) {
    fQuiet->setSingleShot(true);
    fQuiet->setInterval(c_DefaultQuietTime);
    connect(fQuiet, &QTimer::timeout, this, [this] { Deliver(fBuffer.Flush()); });
}

void TZRVMessageReader::Feed(QByteArrayView aBytes) {
    fQuiet->stop();
    Deliver(fBuffer.Feed(aBytes));
    if (fBuffer.Pending() > c_MessageMarquer_size - 1)
        fQuiet->start();
}

void TZRVMessageReader::Clear() {
    fQuiet->stop();
    fBuffer.Clear();
}

int TZRVMessageReader::QuietTime() const {
    return fQuiet->interval();
}

void TZRVMessageReader::SetQuietTime(int aMSecs) {
    fQuiet->setInterval(aMSecs);
}

void TZRVMessageReader::Deliver(const TZRVArrayOfString& aBodies) {
    for (const QString& body : aBodies)
        if (fOnBody)
            fOnBody(body);
}

// ---------------------------------------------------------------------------------------------

TZRVMessageKind MessageKindOf(const TStringList& aMessage) {
    const QString id = aMessage.Values(c_MessageID);
    const std::pair<const QString&, TZRVMessageKind> kinds[] = {{c_CLIENT_CONNECTION, mkClientConnection},
                                                                {c_USER_CONNECTION, mkUserConnection},
                                                                {c_CUSTOM_MESSAGE, mkCustomMessage}};
    for (const auto& [name, kind] : kinds)
        if (id.compare(name, Qt::CaseInsensitive) == 0)
            return kind;
    return mkUnknown;
}

TZRVMessageKind LoadMessage(const QString& aPiece, TStringList& aMessage) {
    aMessage.SetText(aPiece);
    return MessageKindOf(aMessage);
}
