#include "ZRVMessage.h"

#include "ZRVCrypt.h"

#include <QAbstractSocket>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

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

constexpr QByteArrayView c_Marker("#ZRV2_SC_DATA#");
constexpr qsizetype c_MarkerSize = c_MessageMarquer_size;
static_assert(c_Marker.size() == c_MarkerSize);

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
    if (aBytes.isEmpty())
        return QString::fromLatin1(aBytes); // null or empty as the bytes are
    // Bytes read as in Latin-1 but for 0x80 to 0x9F, in one pass: sixteen at a time where the
    // processor offers it.
    QString out(aBytes.size(), Qt::Uninitialized);
    auto* chars = reinterpret_cast<char16_t*>(out.data());
    const auto* bytes = reinterpret_cast<const uchar*>(aBytes.data());
    const auto unit = [&](qsizetype i) {
        return (bytes[i] & 0xE0) == 0x80 ? c_Cp1252High[bytes[i] - 0x80] : char16_t(bytes[i]);
    };
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi8(char(0xE0)), c1 = _mm_set1_epi8(char(0x80));
    for (; i + 16 <= aBytes.size(); i += 16) {
        const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(chars + i), _mm_unpacklo_epi8(sixteen, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(chars + i + 8), _mm_unpackhi_epi8(sixteen, zero));
        auto mask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(sixteen, top), c1)));
        for (; mask != 0; mask &= mask - 1)
            chars[i + std::countr_zero(mask)] = unit(i + std::countr_zero(mask));
    }
#endif
    for (; i < aBytes.size(); ++i)
        chars[i] = unit(i);
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
// Framing

namespace {

using TKey = TZRVFrameScanner::TKey;
constexpr int c_KeyCount = TZRVFrameScanner::kKeyCount;

constexpr QByteArrayView c_KeyNames[c_KeyCount] = {"MessageID",
                                                   "MessageReason",
                                                   "Found",
                                                   "ReadyValue",
                                                   "SessionType",
                                                   "UTt_Grp_AAp_Applications_Count",
                                                   "UAt_Grp_AAp_Applications_Count",
                                                   "Mcn_App_Applications_Count"};

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

// Names compared without regard to case. The names framing looks for are ASCII, and no
// Windows-1252 letter folds onto an ASCII one, so this is the string list's comparison.
bool SameName(QByteArrayView aBytes, QByteArrayView aName) {
    if (aBytes.size() != aName.size())
        return false;
    for (qsizetype i = 0; i < aName.size(); ++i)
        if (AsciiLower(aBytes[i]) != AsciiLower(aName[i]))
            return false;
    return true;
}

// The name of a line: the bytes before its first "="; a line without "=" has none.
bool LineName(QByteArrayView aLine, QByteArrayView& aName) {
    const qsizetype eq = aLine.indexOf('=');
    if (eq < 0)
        return false;
    aName = aLine.first(eq);
    return true;
}

// The lengths of the keys, as a set of bits.
constexpr quint64 KeyLengths() {
    quint64 lengths = 0;
    for (const QByteArrayView name : c_KeyNames)
        lengths |= quint64(1) << name.size();
    return lengths;
}
constexpr quint64 c_KeyLengths = KeyLengths();
// No key is as long: a name is sought among as many bytes.
constexpr qsizetype c_KeySpan = 32;
static_assert(c_KeyNames[TZRVFrameScanner::kTicketApps].size() < c_KeySpan);

// The size of the name of the line aData[aFrom, aEnd) when a key may have it: where its first "="
// is among its first c_KeySpan bytes; c_KeySpan when there is none among them.
qsizetype KeyNameSize(QByteArrayView aData, qsizetype aFrom, qsizetype aEnd) {
    const qsizetype span = std::min(c_KeySpan, aEnd - aFrom);
#ifdef __SSE2__
    if (aFrom + c_KeySpan <= aData.size()) {
        const __m128i eq = _mm_set1_epi8('=');
        const auto* bytes = reinterpret_cast<const __m128i*>(aData.data() + aFrom);
        const unsigned marks = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(bytes), eq))) |
                               unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(bytes + 1), eq)))
                                   << 16;
        const qsizetype at = marks ? std::countr_zero(marks) : c_KeySpan;
        return at < span ? at : c_KeySpan;
    }
#endif
    const qsizetype at = aData.sliced(aFrom, span).indexOf('=');
    return at < 0 ? c_KeySpan : at;
}

// The first CR or LF at or after aFrom, or the end of aData; sixteen bytes at a time where the
// processor offers it.
qsizetype NextLineBreak(QByteArrayView aData, qsizetype aFrom) {
    const char* data = aData.data();
    qsizetype i = aFrom;
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; i + 16 <= aData.size(); i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        if (const int mask =
                _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf))))
            return i + std::countr_zero(unsigned(mask));
    }
#endif
    while (i < aData.size() && data[i] != '\r' && data[i] != '\n')
        ++i;
    return i;
}

// The first marker at or after aFrom, or -1 (a "#" is rare in a body, so it is sought first).
qsizetype FindMarker(QByteArrayView aData, qsizetype aFrom) {
    while (aFrom + c_MarkerSize <= aData.size()) {
        const auto* hash = static_cast<const char*>(
            std::memchr(aData.data() + aFrom, '#', size_t(aData.size() - aFrom - c_MarkerSize + 1)));
        if (!hash)
            return -1;
        const qsizetype at = hash - aData.data();
        if (aData.sliced(at, c_MarkerSize) == c_Marker)
            return at;
        aFrom = at + 1;
    }
    return -1;
}

// A plain decimal count ("12"); -1 for any other text.
int PlainCount(QByteArrayView aText) {
    if (aText.isEmpty() || aText.size() > 9)
        return -1;
    int count = 0;
    for (const char c : aText) {
        if (c < '0' || c > '9')
            return -1;
        count = count * 10 + (c - '0');
    }
    return count;
}

// What the end of a kept message is judged by: the name of its last line and the values of the
// keys that tell its form.
class TMessageEnd {
public:
    QByteArrayView LastName;
    QByteArrayView Values[c_KeyCount];
    bool Has[c_KeyCount] = {};

    bool LastIs(QByteArrayView aKey) const { return SameName(LastName, aKey); }
    bool LastIsHeader() const {
        return LastIs(c_KeyNames[TZRVFrameScanner::kMessageID]) ||
               LastIs(c_KeyNames[TZRVFrameScanner::kMessageReason]);
    }
    // The key's value as a boolean: 1 true, 0 false, -1 none.
    int Flag(TKey aKey) const {
        try {
            return Has[aKey] ? int(StrToBool(QString::fromLatin1(Values[aKey]))) : -1;
        } catch (const EConvertError&) {
            return -1;
        }
    }
    // The key's value as the writer writes a count, -1 for none or any other text.
    int Number(TKey aKey) const { return Has[aKey] ? PlainCount(Values[aKey]) : -1; }
    // The last line is the last item's last line of the application list counted by aCount.
    bool ListEnds(TKey aCount) const {
        const int count = Number(aCount);
        if (count <= 0)
            return count == 0 && LastIs(c_KeyNames[aCount]);
        // "<list>_<count - 1>Application_CommandLine"
        const QByteArrayView list = c_KeyNames[aCount].chopped(qsizetype(sizeof("Count")) - 1);
        const QByteArrayView item = "Application_CommandLine";
        const QByteArray index = QByteArray::number(count - 1);
        return LastName.size() == list.size() + index.size() + item.size() &&
               SameName(LastName.first(list.size()), list) &&
               LastName.sliced(list.size(), index.size()) == index &&
               SameName(LastName.last(item.size()), item);
    }
    // A reply that ends with its message when refused, with its record when granted.
    bool ReplyEnds(TKey aRecordApplications) const {
        const int found = Flag(TZRVFrameScanner::kFound);
        return (found == 0 && LastIs("Message")) || (found == 1 && ListEnds(aRecordApplications));
    }
};

struct TEndRule {
    QByteArrayView Reason;
    bool (*Ends)(const TMessageEnd& e);
};

bool HeadersOnly(const TMessageEnd& e) {
    return e.LastIsHeader();
}

// The line each reason's senders write last, in every direction and form. A reason without a
// rule (a list without a count, a host's own message) has no end that can be known, nor has a
// message that another form of its reason goes on from (a session report that a replay extends).
const TEndRule c_EndRules[] = {
    {"CLIENT_PING", HeadersOnly},
    {"SERVER_PING", HeadersOnly},
    {"cmdCLOSE_CLIENT_CONNECTION", HeadersOnly},
    {"cmdCLOSE_CLIENT_MODULE", HeadersOnly},
    {"cmdLAUNCH_CLIENT_MODULE", HeadersOnly},
    {"cmdCLOSE_USER_CONNECTION", HeadersOnly},
    {"cmdCLOSE_USER_SESSION", HeadersOnly},
    {"cmdREBOOT_WORKSTATION", HeadersOnly},
    {"cmdSHUTDOWN_WORKSTATION", HeadersOnly},
    {"CLOSE_USER_CONNECTION", HeadersOnly},
    {"CLOSE_USER_SESSION", HeadersOnly},
    {"SESSION_STARTED", HeadersOnly},
    {"CLIENT_HANDSHAKE", [](const TMessageEnd& e) { return e.ListEnds(TZRVFrameScanner::kMachineApps); }},
    {"SERVER_READY",
     [](const TMessageEnd& e) {
         return e.LastIs("ReadyComment") ||
                (e.LastIs("ReadyValue") && e.Flag(TZRVFrameScanner::kReadyValue) == 1);
     }},
    {"CLIENT_READY", [](const TMessageEnd& e) { return e.LastIs("ClC_LHF"); }},
    {"CLIENT_SHUTDOWN_STATE", [](const TMessageEnd& e) { return e.LastIs("NewState"); }},
    {"GET_CONFIG_LIST", [](const TMessageEnd& e) { return e.LastIs("ClC_LHF"); }},
    {"SET_CONFIG_LIST", [](const TMessageEnd& e) { return e.LastIsHeader() || e.LastIs("ClC_LHF"); }},
    {"INFOMESSAGE", [](const TMessageEnd& e) { return e.LastIs("INFOMESSAGE"); }},
    {"TERMINATE_APPLICATION", [](const TMessageEnd& e) { return e.LastIs("Notify") || e.LastIs("Success"); }},
    {"GET_ACCOUNT",
     [](const TMessageEnd& e) {
         return e.LastIs("AccountPassword") || e.ReplyEnds(TZRVFrameScanner::kAccountApps);
     }},
    {"GET_TICKET",
     [](const TMessageEnd& e) {
         return e.LastIs("TicketCode") || e.ReplyEnds(TZRVFrameScanner::kTicketApps);
     }},
    {"ADD_CREDIT", [](const TMessageEnd& e) { return e.LastIs("ReloadCode") || e.LastIs("Hours"); }},
    {"FIX_CREDIT", [](const TMessageEnd& e) { return e.LastIs("Message"); }},
    {"CREATE_ACCOUNT", [](const TMessageEnd& e) { return e.LastIs("Message"); }},
    {"UPDATE_ACCOUNT", [](const TMessageEnd& e) { return e.LastIs("Message"); }},
    {"RETRIEVE_PASSWORD",
     [](const TMessageEnd& e) {
         const int found = e.Flag(TZRVFrameScanner::kFound);
         return e.LastIs("SecretAnswer") || (found == 1 && e.LastIs("AccountPassword")) ||
                (found == 0 && e.LastIs("Message"));
     }},
    {"SESSION_UPDATE", [](const TMessageEnd& e) { return e.LastIs("SessionOpenned"); }},
    {"SESSION_STOPPED", [](const TMessageEnd& e) { return e.LastIs("CreditValue"); }},
    {"USER_CONNECTION_CLOSED",
     [](const TMessageEnd& e) {
         switch (e.Number(TZRVFrameScanner::kSessionType)) {
         case stAccount:
             return e.ListEnds(TZRVFrameScanner::kAccountApps);
         case stTicket:
             return e.ListEnds(TZRVFrameScanner::kTicketApps);
         default:
             return e.LastIs("SessionType");
         }
     }},
};

} // namespace

TZRVFrame ScanFrame(QByteArrayView aData, qsizetype aMaxSize) {
    return TZRVFrameScanner().Scan(aData, aMaxSize);
}

TZRVFrame TZRVFrameScanner::Scan(QByteArrayView aData, qsizetype aMaxSize) {
    if (aData.size() <= c_MarkerSize) // the marker, or part of it: the body has not begun
        return {aData.size() > aMaxSize ? fsBad : fsIncomplete, aData.size()};
    const qsizetype next = FindMarker(aData, std::max(fSearchFrom, c_MarkerSize));
    if (next >= 0)
        return {fsComplete, next};
    if (aData.size() > aMaxSize)
        return {fsBad, aData.size()};
    // A marker not found yet can only start in the last 13 bytes.
    fSearchFrom = std::max(c_MarkerSize, aData.size() - (c_MarkerSize - 1));
    ReadLines(aData);
    return {EndState(aData), aData.size()};
}

// Reads the lines of the body that have their line end, keeping the first value of each key.
void TZRVFrameScanner::ReadLines(QByteArrayView aData) {
    qsizetype from = std::max(fLinesFrom, c_MarkerSize);
    for (qsizetype at = std::max(from, fBreakFrom);; at = from) {
        at = NextLineBreak(aData, at);
        // A CR at the very end may be the first half of a CR LF.
        if (at == aData.size() || (aData[at] == '\r' && at + 1 == aData.size())) {
            fBreakFrom = at;
            break;
        }
        if (const qsizetype size = KeyNameSize(aData, from, at); (c_KeyLengths >> size) & 1)
            for (int k = 0; k < kKeyCount; ++k)
                if (fValues[k].From < 0 && c_KeyNames[k].size() == size &&
                    SameName(aData.sliced(from, size), c_KeyNames[k]))
                    fValues[k] = {from + size + 1, at - from - size - 1};
        from = at + (aData[at] == '\r' && aData[at + 1] == '\n' ? 2 : 1);
    }
    fLinesFrom = from;
}

TZRVFrameState TZRVFrameScanner::EndState(QByteArrayView aData) const {
    if (!aData.endsWith("\r\n"))
        return fsIncomplete;
    TMessageEnd e;
    for (int k = 0; k < kKeyCount; ++k) {
        e.Has[k] = fValues[k].From >= 0;
        if (e.Has[k])
            e.Values[k] = aData.sliced(fValues[k].From, fValues[k].Size);
    }
    if (!e.Has[kMessageID] || !e.Has[kMessageReason] ||
        !(SameName(e.Values[kMessageID], "CLIENT_CONNECTION") ||
          SameName(e.Values[kMessageID], "USER_CONNECTION")))
        return fsUnsure;
    qsizetype lastLine = aData.size() - 2;
    while (lastLine > c_MarkerSize && aData[lastLine - 1] != '\r' && aData[lastLine - 1] != '\n')
        --lastLine;
    if (!LineName(aData.sliced(lastLine, aData.size() - 2 - lastLine), e.LastName))
        return fsUnsure;
    for (const TEndRule& rule : c_EndRules)
        if (SameName(e.Values[kMessageReason], rule.Reason))
            return rule.Ends(e) ? fsComplete : fsUnsure;
    return fsUnsure;
}

// ---------------------------------------------------------------------------------------------
// Receive buffer

TZRVArrayOfString TZRVReceiveBuffer::Feed(QByteArrayView aBytes) {
    fData.append(aBytes);
    TZRVArrayOfString bodies;
    qsizetype start = 0;
    fTailState = fsComplete;
    for (;;) {
        if (!QByteArrayView(fData).sliced(start).startsWith(c_Marker)) {
            const qsizetype marker = FindMarker(fData, start);
            if (marker < 0) { // text before a marker is discarded, but for what may start one
                start = std::max(start, fData.size() - (c_MarkerSize - 1));
                break;
            }
            start = marker;
        }
        const QByteArrayView data = QByteArrayView(fData).sliced(start);
        const TZRVFrame frame = fScanner.Scan(data, fMaxTail);
        if (frame.State == fsIncomplete || frame.State == fsUnsure) {
            fTailState = frame.State;
            break;
        }
        fScanner.Reset();
        if (frame.State == fsBad) {
            Clear();
            Overflow(frame.Length);
            return bodies;
        }
        bodies.append(FromWindows1252(data.sliced(c_MarkerSize, frame.Length - c_MarkerSize)));
        start += frame.Length;
    }
    fData.remove(0, start);
    return bodies;
}

// A kept message past the bound is no message of this system: it is dropped and reported.
void TZRVReceiveBuffer::Overflow(qsizetype aDroppedBytes) {
    if (fOnTailDropped)
        fOnTailDropped(aDroppedBytes);
}

TZRVArrayOfString TZRVReceiveBuffer::Flush() {
    TZRVArrayOfString bodies;
    if (fData.startsWith(c_Marker)) {
        bodies.append(FromWindows1252(QByteArrayView(fData).sliced(c_MarkerSize)));
        Clear();
    }
    return bodies;
}

void TZRVReceiveBuffer::Clear() {
    fData.clear();
    fScanner.Reset();
    fTailState = fsComplete;
}

// ---------------------------------------------------------------------------------------------
// Message reader

TZRVMessageReader::TZRVMessageReader(QObject* aOwner) : QObject(aOwner), fWait(new QTimer(this)) {
    fWait->setSingleShot(true);
    connect(fWait, &QTimer::timeout, this, [this] { Deliver(fBuffer.Flush()); });
}

void TZRVMessageReader::Feed(QByteArrayView aBytes) {
    fWait->stop();
    Deliver(fBuffer.Feed(aBytes));
    if (fBuffer.TailState() == fsUnsure)
        fWait->start(fQuietTime);
    else if (fBuffer.TailState() == fsIncomplete)
        fWait->start(fStallTime);
}

void TZRVMessageReader::Clear() {
    fWait->stop();
    fBuffer.Clear();
}

bool TZRVMessageReader::Waiting() const {
    return fWait->isActive();
}

void TZRVMessageReader::Deliver(const TZRVArrayOfString& aBodies) {
    for (const QString& body : aBodies)
        if (fOnBody)
            fOnBody(body);
}

// ---------------------------------------------------------------------------------------------
// Socket options

void SetLinkSocketOptions(QAbstractSocket& aSocket) {
    aSocket.setSocketOption(QAbstractSocket::LowDelayOption, QVariant(1));
    aSocket.setSocketOption(QAbstractSocket::KeepAliveOption, QVariant(1));
#ifdef Q_OS_LINUX
    // The system's own keep-alive waits two hours before its first probe.
    const auto fd = int(aSocket.socketDescriptor());
    const int options[][2] = {{TCP_KEEPIDLE, c_LinkKeepAliveIdle},
                              {TCP_KEEPINTVL, c_LinkKeepAliveInterval},
                              {TCP_KEEPCNT, c_LinkKeepAliveProbes}};
    if (fd >= 0)
        for (const auto& [option, value] : options)
            setsockopt(fd, IPPROTO_TCP, option, &value, sizeof value);
#endif
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
