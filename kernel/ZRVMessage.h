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
// Receive buffer: the socket feeds it every read; it returns the message bodies those bytes
// complete, decoded from Windows-1252 (the caller applies its crypt's Decrypt).
//
// A body is complete when another marker follows it. The last body of the data is kept, with its
// marker, until more bytes arrive: TCP may have cut it anywhere, even right after one of its line
// ends. When nothing follows it for a moment the sender is done with it: the owner then takes it
// with Flush (TZRVMessageReader below does so after a short quiet time). Bytes before the first marker are
// discarded, except the last 13, which may be the start of a marker cut by the read. A kept message that
// grows past MaxTail bytes is taken at once when it ends with CR LF, and otherwise dropped and reported
// through OnTailDropped; the rest of it then arrives without a marker and is discarded.

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
    qsizetype MaxTail() const { return fMaxTail; }
    void SetMaxTail(qsizetype aValue) { fMaxTail = aValue; }
    const TZRVTailDroppedEvent& OnTailDropped() const { return fOnTailDropped; }
    void SetOnTailDropped(TZRVTailDroppedEvent aValue) { fOnTailDropped = std::move(aValue); }

private:
    void KeepPossibleMarkerStart();
    void KeepTail(qsizetype aMarkerAt);
    void Overflow();

    QByteArray fData;
    // Where the search for the next marker resumes: the kept bytes before it hold none.
    qsizetype fSearchFrom = 0;
    qsizetype fMaxTail;
    TZRVTailDroppedEvent fOnTailDropped;
};

// ---------------------------------------------------------------------------------------------
// Message reader of a connection: feeds its reads to a receive buffer and hands on each complete
// body in order; the last body of the data is handed on once no more bytes follow it for
// QuietTime milliseconds (a sender's write arrives in segments a few milliseconds apart at most).

class TZRVMessageReader : public QObject {
    Q_OBJECT
public:
    static constexpr int c_DefaultQuietTime = 20;
    using TZRVBodyEvent = std::function<void(const QString& aBody)>;

    explicit TZRVMessageReader(QObject* aOwner = nullptr);

    void Feed(QByteArrayView aBytes);
    // Forgets what is kept (a new connection starts clean).
    void Clear();
    TZRVReceiveBuffer& Buffer() { return fBuffer; }
    int QuietTime() const;
    void SetQuietTime(int aMSecs);
    void SetOnBody(TZRVBodyEvent aEvent) { fOnBody = std::move(aEvent); }

private:
    void Deliver(const TZRVArrayOfString& aBodies);

    TZRVReceiveBuffer fBuffer;
    class QTimer* fQuiet;
    TZRVBodyEvent fOnBody;
};

// ---------------------------------------------------------------------------------------------
// Dispatch: which layer handles a message, by its MessageID compared without regard to case.

enum TZRVMessageKind { mkUnknown, mkClientConnection, mkUserConnection, mkCustomMessage };

TZRVMessageKind MessageKindOf(const TStringList& aMessage);
// Loads aPiece into aMessage (replacing its lines) and tells which layer handles it.
TZRVMessageKind LoadMessage(const QString& aPiece, TStringList& aMessage);
