#pragma once
// The message envelope shared by the workstation and the server: the wire form of one message
// (marker, body, crypt, Windows-1252), the splitter of a received text into message bodies, the
// receive buffer that reassembles messages TCP split over several reads, and the identifier test
// that picks the layer a message goes to.

#include "ZRVCommon.h"

#include <QByteArray>
#include <QByteArrayView>

class TZRVCustomCrypt;

// ---------------------------------------------------------------------------------------------
// Code page of the wire: Windows-1252 on both ends. A character the code page cannot hold (one
// per code point, so a surrogate pair gives one) is written as "?". The five bytes the code page
// leaves undefined read as the C1 control of the same value and are written back unchanged.

QByteArray ToWindows1252(QStringView aText);
QString FromWindows1252(QByteArrayView aBytes);

// The bytes sent for one message: the marker followed by aBody, passed through aCrypt.Encrypt,
// in Windows-1252.
QByteArray EncodeMessage(const QString& aBody, const TZRVCustomCrypt& aCrypt);

// ---------------------------------------------------------------------------------------------
// Splitting one received text: every marker starts a message that runs to the next marker or to
// the end of the text. aPieces is emptied first; text before the first marker is discarded; a text
// without the marker gives no piece. Returns the number of pieces.

int DataSplit(const QString& aText, TZRVArrayOfString& aPieces);

// ---------------------------------------------------------------------------------------------
// Framing: where the message that starts at a marker ends. Its body runs to the next marker. The
// last message of what has arrived has no next marker yet, and TCP may have cut it anywhere:
// - complete: it evidently holds all its sender writes: it ends with CR LF, carries both header
//   lines, and ends with the line its reason's sender writes last (the request's last key, the
//   record's last line, the last item of a list's announced count);
// - unsure: it ends with CR LF but its end cannot be known (a list without a count, a message
//   another form of the same reason goes on from, a reason or identifier of someone else's);
// - incomplete: its last line has no line end yet, or a marker may be starting.
// A message longer than the bound is bad.

enum TZRVFrameState { fsIncomplete, fsUnsure, fsComplete, fsBad };

struct TZRVFrame {
    TZRVFrameState State;
    // The frame's bytes, marker included; for a frame not complete yet, all those seen.
    qsizetype Length;
};

// The framing of one message, read as its bytes arrive: each call sees the bytes of the previous
// one with more appended, and reads only what is new (a sender trickling a long message in small
// pieces costs no more than sending it at once). The result is that of ScanFrame on the same bytes.
class TZRVFrameScanner {
public:
    // aData starts with a marker; aMaxSize bounds the frame.
    TZRVFrame Scan(QByteArrayView aData, qsizetype aMaxSize);
    // Forgets the frame, for the next one.
    void Reset() { *this = TZRVFrameScanner(); }

    // The keys the end of a message depends on; their first lines' values are kept.
    enum TKey {
        kMessageID,
        kMessageReason,
        kFound,
        kReadyValue,
        kSessionType,
        kTicketApps,
        kAccountApps,
        kMachineApps,
        kKeyCount
    };

private:
    void ReadLines(QByteArrayView aData);
    TZRVFrameState EndState(QByteArrayView aData) const;

    qsizetype fSearchFrom = 0; // where the search for the next marker resumes
    qsizetype fLinesFrom = 0;  // the first byte of the body not read into lines yet
    qsizetype fBreakFrom = 0;  // where the search for that line's end resumes
    struct TValue {
        qsizetype From = -1; // -1: no line of that key yet
        qsizetype Size = 0;
    } fValues[kKeyCount];
};

// The framing of the message at the start of aData (which starts with a marker).
TZRVFrame ScanFrame(QByteArrayView aData, qsizetype aMaxSize);

// ---------------------------------------------------------------------------------------------
// Receive buffer: the socket feeds it every read; it returns the message bodies those bytes
// complete, decoded from Windows-1252 (the caller applies its crypt's Decrypt). Bytes before the
// first marker are discarded, except the last 13, which may be the start of a marker cut by the
// read. The last message is kept until framing finds it complete or the owner takes it with Flush
// (TZRVMessageReader below does so once the sender has been quiet long enough for its state). A
// kept message that grows past MaxTail bytes is dropped and reported through OnTailDropped; the
// rest of it then arrives without a marker and is discarded.

using TZRVTailDroppedEvent = std::function<void(qsizetype aDroppedBytes)>;

class TZRVReceiveBuffer {
public:
    static constexpr qsizetype c_DefaultMaxTail = 1024 * 1024;

    explicit TZRVReceiveBuffer(qsizetype aMaxTail = c_DefaultMaxTail) : fMaxTail(aMaxTail) {}

    TZRVArrayOfString Feed(QByteArrayView aBytes);
    // The kept message, then forgotten; nothing when no message is kept.
    TZRVArrayOfString Flush();
    // Forgets what is kept (a new connection starts clean).
    void Clear();

    // Bytes kept for the next read: an incomplete message or the possible start of a marker.
    qsizetype Pending() const { return fData.size(); }
    // The state of the kept message: fsIncomplete or fsUnsure; fsComplete when none is kept.
    TZRVFrameState TailState() const { return fTailState; }
    qsizetype MaxTail() const { return fMaxTail; }
    void SetMaxTail(qsizetype aValue) { fMaxTail = aValue; }
    const TZRVTailDroppedEvent& OnTailDropped() const { return fOnTailDropped; }
    void SetOnTailDropped(TZRVTailDroppedEvent aValue) { fOnTailDropped = std::move(aValue); }

private:
    // Drops the bytes before the first marker; false when there is none.
    bool SkipToMarker();
    void Overflow(qsizetype aDroppedBytes);

    QByteArray fData;
    TZRVFrameScanner fScanner;
    TZRVFrameState fTailState = fsComplete;
    qsizetype fMaxTail;
    TZRVTailDroppedEvent fOnTailDropped;
};

// ---------------------------------------------------------------------------------------------
// Message reader of a connection: feeds its reads to a receive buffer and hands on each complete
// body in order. The last body is handed on at once when it is evidently complete, after
// QuietTime milliseconds without more bytes when its end cannot be known (a sender's write arrives
// in segments a few milliseconds apart at most), and after StallTime milliseconds when it is cut
// inside a line (the rest of a message never comes that late unless the link is failing).

class TZRVMessageReader : public QObject {
    Q_OBJECT
public:
    static constexpr int c_DefaultQuietTime = 20;
    static constexpr int c_DefaultStallTime = 5000;
    using TZRVBodyEvent = std::function<void(const QString& aBody)>;

    explicit TZRVMessageReader(QObject* aOwner = nullptr);

    void Feed(QByteArrayView aBytes);
    // Forgets what is kept (a new connection starts clean).
    void Clear();
    TZRVReceiveBuffer& Buffer() { return fBuffer; }
    int QuietTime() const { return fQuietTime; }
    void SetQuietTime(int aMSecs) { fQuietTime = aMSecs; }
    int StallTime() const { return fStallTime; }
    void SetStallTime(int aMSecs) { fStallTime = aMSecs; }
    void SetOnBody(TZRVBodyEvent aEvent) { fOnBody = std::move(aEvent); }
    // Whether a kept rest waits for its sender to go quiet or to finish its line.
    bool Waiting() const;

private:
    void Deliver(const TZRVArrayOfString& aBodies);

    TZRVReceiveBuffer fBuffer;
    class QTimer* fWait;
    int fQuietTime = c_DefaultQuietTime;
    int fStallTime = c_DefaultStallTime;
    TZRVBodyEvent fOnBody;
};

// ---------------------------------------------------------------------------------------------
// Socket options of a workstation link, on both ends: every message goes out at once (no
// coalescing of small writes), and a peer that vanished without closing (a pulled cable, a
// powered-off machine) is noticed within about two minutes of silence.

inline constexpr int c_LinkKeepAliveIdle = 60;     // seconds of silence before the first probe
inline constexpr int c_LinkKeepAliveInterval = 10; // seconds between unanswered probes
inline constexpr int c_LinkKeepAliveProbes = 6;    // unanswered probes that end the link

void SetLinkSocketOptions(class QAbstractSocket& aSocket);

// ---------------------------------------------------------------------------------------------
// Dispatch: which layer handles a message, by its MessageID compared without regard to case.

enum TZRVMessageKind { mkUnknown, mkClientConnection, mkUserConnection, mkCustomMessage };

TZRVMessageKind MessageKindOf(const TStringList& aMessage);
// Loads aPiece into aMessage (replacing its lines) and tells which layer handles it.
TZRVMessageKind LoadMessage(const QString& aPiece, TStringList& aMessage);
