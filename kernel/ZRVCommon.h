#pragma once
// Shared types of the kernel: the string list and its Name=Value record form, date-times, strict
// conversions, errors, enumerations, event types, the exported constants (the message vocabulary
// included), the small shared records and their lists, and the tariff data.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Errors

class EZRVError : public std::runtime_error {
public:
    explicit EZRVError(const QString& aMessage);
    const QString& Message() const { return fMessage; }

private:
    QString fMessage;
};

// A text that is not a valid integer, boolean or date-time.
class EConvertError : public EZRVError {
public:
    using EZRVError::EZRVError;
};

// ---------------------------------------------------------------------------------------------
// String list: ordered lines, Name=Value lookup without regard to case, CR LF buffer form.
// The lines are kept in place in their buffer form (loading a text copies no line), and long lists
// keep an index of the first line of each name, so that a record read from a long list costs one
// pass over its lines, not one per key. Shorter lists, and the few lines a nested record lies in,
// are scanned: telling most lines apart by the length of their name costs less than hashing.

class TStringList {
public:
    // Lists up to this many lines are scanned for a name; longer ones keep an index.
    static constexpr int c_ScanLimit = 128;

    TStringList() = default;
    explicit TStringList(const QStringList& aLines);

    int Count() const { return int(fLines.size()); }
    bool IsEmpty() const { return fLines.empty(); }
    // Line Index; Line gives it in place, valid until the list changes.
    QString operator[](int Index) const { return Line(Index).toString(); }
    QStringView Line(int Index) const {
        const TLine& line = fLines[size_t(Index)];
        return QStringView(fText).sliced(line.From, line.Size);
    }
    QStringList Lines() const;

    void Add(const QString& aLine) { Append(aLine); }
    void Add(const QString& aName, const QString& aValue);
    // Adds the line aPrefix followed by aLine.
    void AddWithPrefix(QStringView aPrefix, QStringView aLine);
    void AddStrings(const TStringList& aOther);
    void Insert(int Index, const QString& aLine);
    void Delete(int Index);
    void Clear();

    // The text before the first "=" (the whole line when it has none) and the text after it.
    QString Names(int Index) const;
    QString ValueFromIndex(int Index) const;
    // Index of the first line whose name matches without regard to case, or -1.
    int IndexOfName(const QString& aName) const { return IndexOfName(QStringView(), aName); }
    // The same for the name aPrefix followed by aName.
    int IndexOfName(QStringView aPrefix, QStringView aName) const {
        return IndexOfName(aPrefix, aName, 0, Count());
    }
    // The same when every line of that name lies among lines aFirst ... aEnd - 1 (a record's).
    int IndexOfName(QStringView aPrefix, QStringView aName, int aFirst, int aEnd) const;
    // The value of the first matching line; the empty text when no line carries the name.
    QString Values(const QString& aName) const { return Value(QStringView(), aName).toString(); }
    // The value of the first line named aPrefix followed by aName, in place (valid until the list
    // changes); empty when no line carries the name.
    QStringView Value(QStringView aPrefix, QStringView aName) const {
        return Value(aPrefix, aName, 0, Count());
    }
    // The same when every line of that name lies among lines aFirst ... aEnd - 1 (a record's).
    QStringView Value(QStringView aPrefix, QStringView aName, int aFirst, int aEnd) const;

    // A reader's place among a record's lines. Readers mostly ask for the lines in the order they
    // were written, so the line after the last one found is tried before any search. The names of
    // the lines passed are noted (a bit of each one's hash), so that a line found there is known
    // to be the first of its name unless a passed line may carry the same one.
    struct TCursor {
        int Next = 0;
        quint64 Seen[4] = {};
    };
    // The same, trying aCursor's next line first and moving aCursor on.
    QStringView Value(QStringView aPrefix, QStringView aName, int aFirst, int aEnd, TCursor& aCursor) const;
    // The first and the last line among aFirst ... aEnd - 1 that begin with aPrefix (compared
    // without regard to case); -1 when none does.
    int FirstWithPrefix(QStringView aPrefix, int aFirst, int aEnd) const;
    int LastWithPrefix(QStringView aPrefix, int aFirst, int aEnd) const;
    // Replaces the value of the first matching line, or appends a new line.
    void SetValues(const QString& aName, const QString& aValue);

    // Every line followed by CR LF.
    QString Text() const { return fText; }
    // Splits at CR LF, lone CR and lone LF; a break at the very end adds no empty line.
    void SetText(const QString& aText);

    bool operator==(const TStringList& aOther) const;

private:
    struct TLine {
        qsizetype From; // in fText
        qsizetype Size;
        qsizetype Eq; // where the first "=" is in the line, -1 when it has none
    };
    // One slot of the open-addressing name index: a line number, -1 when free.
    struct TNameSlot {
        uint32_t Hash;
        int Line;
    };
    void Append(QStringView aLine);
    void AddLine(qsizetype aFrom, qsizetype aSize);
    // Writes fText again from the lines, after a change other than an append.
    void Rejoin(const std::vector<QString>& aLines);
    QStringView NameOf(const TLine& aLine) const;
    bool HasName(int Index, QStringView aPrefix, QStringView aName) const;
    bool HasPrefix(int Index, QStringView aPrefix, quint64 aLastUnits) const;
    // Notes the name of line Index in aCursor; false when a passed line may carry it already.
    bool Note(TCursor& aCursor, int Index) const;
    int ScanForName(QStringView aPrefix, QStringView aName, int aFirst, int aEnd) const;
    // The slot holding the first line named aPrefix + aName, or the free slot where it would go.
    size_t SlotOf(QStringView aPrefix, QStringView aName, uint32_t aHash) const;
    void IndexLine(int Index);
    void GrowIndex();
    void Reindex();

    QString fText; // the buffer form: every line followed by CR LF
    std::vector<TLine> fLines;
    std::vector<TNameSlot> fIndex; // empty while the list is short enough to scan
    int fIndexed = 0;              // names held by fIndex
};

// Texts equal without regard to case, as QString::compare takes them (fast for ASCII).
bool SameText(QStringView a, QStringView b);
bool StartsWithText(QStringView aText, QStringView aPrefix);

// A name put together from pieces (texts and decimal numbers) in place, off the heap unless it is
// unusually long: the keys and prefixes a record reader builds for the lines it looks up.
class TZRVName {
public:
    TZRVName() = default;
    template <class... TPieces> explicit TZRVName(const TPieces&... aPieces) { (Append(aPieces), ...); }

    TZRVName& Append(QStringView aPiece) {
        const qsizetype at = fUnits.size();
        fUnits.resize(at + aPiece.size());
        std::copy_n(aPiece.utf16(), aPiece.size(), fUnits.data() + at);
        return *this;
    }
    TZRVName& Append(int aNumber);
    QStringView View() const { return QStringView(fUnits.constData(), fUnits.size()); }
    operator QStringView() const { return View(); }

private:
    QVarLengthArray<char16_t, 64> fUnits;
};

// The lines a record reads: a whole string list, or the lines of a record nested in it behind a
// prefix, read in place. A nested record's keys begin with its own key prefix where the list has
// the nesting prefix: the "Mcn_MID" of a machine nested behind a ticket's "UTt_LUP_" is the list's
// "UTt_LUP_MID". Valid while the list lives and does not change.
class TZRVRecordLines {
public:
    TZRVRecordLines(const TStringList& aList); // every string list is a record's lines

    // The record nested behind aPrefix, whose keys begin with aKeyPrefix; aPrefix begins with this
    // record's own key prefix ("Mcn_Gam_" inside a machine).
    TZRVRecordLines Nested(QStringView aPrefix, const QString& aKeyPrefix = QString()) const;
    // The same when the caller knows where its lines lie (a list knows its items'): among lines
    // aFirst ... aEnd - 1, none when aEnd is not past aFirst.
    TZRVRecordLines Nested(QStringView aPrefix, const QString& aKeyPrefix, int aFirst, int aEnd) const;
    // Puts into aPrefix the prefix in the list of this record's keys that begin with aKeyPrefix;
    // false when none can.
    bool ListPrefix(QStringView aKeyPrefix, TZRVName& aPrefix) const;

    // Whether the record has no line.
    bool IsEmpty() const { return fFirst >= fEnd; }
    const TStringList& List() const { return *fList; }
    // The lines of the list where the record's lines lie, among which may be others'.
    int FirstLine() const { return fFirst; }
    int EndLine() const { return fEnd; }
    QString Values(const QString& aKey) const { return Value(aKey).toString(); }
    // In place; empty when no line carries the key.
    QStringView Value(QStringView aKey) const;

private:
    TZRVRecordLines(const TStringList& aList, QString aKeyPrefix, int aFirst, int aEnd);

    const TStringList* fList;
    TZRVName fPrefix;   // of this record's lines in the list
    QString fKeyPrefix; // of this record's keys, which the list has as fPrefix
    int fFirst;
    int fEnd;
    mutable TStringList::TCursor fCursor; // where the reader's next key is expected
};

// Appends every line of Inner to Outer with aPrefix in front.
void AddPrefixed(TStringList& Outer, const TStringList& Inner, const QString& aPrefix);
// The lines of aList that begin with aPrefix (compared without regard to case), the prefix cut off.
TStringList CollectPrefixed(const TStringList& aList, const QString& aPrefix);
// The same, with aReplacement put where the prefix was cut off.
TStringList CollectPrefixed(const TStringList& aList, const QString& aPrefix, const QString& aReplacement);

// ---------------------------------------------------------------------------------------------
// Date-times: days since 30 December 1899, the fraction being the time of day.

using TDateTime = double;

// The process-wide regional format shared by every writer and reader of date-time texts.
struct TZRVFormatSettings {
    QString ShortDateFormat = QStringLiteral("dd/MM/yyyy");
    QString LongTimeFormat = QStringLiteral("HH:mm:ss");
};
// Read once from ZRV_SHORT_DATE_FORMAT and ZRV_LONG_TIME_FORMAT (French defaults when unset).
const TZRVFormatSettings& FormatSettings();
void SetFormatSettings(const TZRVFormatSettings& aSettings);

// The kernel's clock: every date and time rule reads the present from it. It follows the system
// clock unless a program or a test stops it at a date-time of its own; a stopped clock moves only
// when told to. Safe to read from any thread.
class TZRVClock {
public:
    static TDateTime Now();
    // Stops the clock at aAt.
    static void Stop(TDateTime aAt);
    // Moves a stopped clock on by aMSecs milliseconds (back when negative).
    static void Advance(qint64 aMSecs);
    // Follows the system clock again.
    static void Run();
    static bool Stopped();
};

// The clock's present, and its date alone.
TDateTime Now();
TDateTime Date();
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Minute, int Second, int MSec = 0);
TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second, int MSec = 0);
// Monday 1 ... Sunday 7.
int DayOfTheWeek(TDateTime aValue);
int HourOf(TDateTime aValue);
TDateTime DateOf(TDateTime aValue);
TDateTime IncDay(TDateTime aValue, int Days);
QDateTime DateTimeToQDateTime(TDateTime aValue);
TDateTime QDateTimeToDateTime(const QDateTime& aValue);

// ---------------------------------------------------------------------------------------------
// Conversions of the record text form. Readers raise EConvertError on empty or malformed text.

int StrToInt(QStringView aText);
// The signed conversion limited to 0 ... 2147483647, for IDs, credits and seconds.
uint32_t StrToUInt(QStringView aText);
// Any number (non-zero is true) or "True" / "False" in any letter case.
bool StrToBool(QStringView aText);
TDateTime StrToDateTime(QStringView aText);
// The same for texts (and literals).
inline int StrToInt(const QString& aText) {
    return StrToInt(QStringView(aText));
}
inline uint32_t StrToUInt(const QString& aText) {
    return StrToUInt(QStringView(aText));
}
inline bool StrToBool(const QString& aText) {
    return StrToBool(QStringView(aText));
}
inline TDateTime StrToDateTime(const QString& aText) {
    return StrToDateTime(QStringView(aText));
}

QString IntToStr(qint64 aValue);
// "-1" for true, "0" for false.
QString BoolToStr(bool aValue);
// The short date, then a space and the long time unless the time is exactly midnight.
QString DateTimeToStr(TDateTime aValue);
QString DateToStr(TDateTime aValue);
QString TimeToStr(TDateTime aValue);

// Reads one value of a record by its key.
inline int ReadInt(const TZRVRecordLines& L, QStringView aKey) {
    return StrToInt(L.Value(aKey));
}
inline uint32_t ReadUInt(const TZRVRecordLines& L, QStringView aKey) {
    return StrToUInt(L.Value(aKey));
}
inline bool ReadBool(const TZRVRecordLines& L, QStringView aKey) {
    return StrToBool(L.Value(aKey));
}
inline TDateTime ReadDateTime(const TZRVRecordLines& L, QStringView aKey) {
    return StrToDateTime(L.Value(aKey));
}

// ---------------------------------------------------------------------------------------------
// Enumerations and range types

enum TZRVUserRight {
    urNone,
    urOpenServer,
    urSeeClientApplications,
    urStopSession,
    urShutdownClientModule,
    urRebootWorkstation,
    urShutdownWorkStation,
    urCloseClientConnection,
    urSellsView,
    urGenerateTickets,
    urCreateAccounts,
    urDeleteAccounts,
    urGetMails,
    urDeleteTicket,
    urPrintTickets,
    urAdministrationView,
    urGroupsConfig,
    urBonus,
    urBonusConfig,
    urClientModuleConfig,
    urDbCleanConfig,
    urDbRestore,
    urPersonalData,
    urTarificationsConfig,
    urSellsConfig,
    urInfiniteCredit,
    urGamesAll,
    urApplicationsAll,
    urCanAddUserCredit
};
constexpr int c_UserRightCount = 29;

// A set of rights kept as its bit mask (bit n set when the right of ordinal n is in the set).
class TZRVUserRights {
public:
    constexpr TZRVUserRights() = default;
    constexpr TZRVUserRights(std::initializer_list<TZRVUserRight> aRights) {
        for (auto r : aRights)
            fMask |= 1u << r;
    }
    static constexpr TZRVUserRights FromMask(uint32_t aMask) {
        TZRVUserRights s;
        s.fMask = aMask & ((1u << c_UserRightCount) - 1);
        return s;
    }
    constexpr uint32_t Mask() const { return fMask; }
    constexpr bool Contains(TZRVUserRight aRight) const { return fMask & (1u << aRight); }
    constexpr void Include(TZRVUserRight aRight) { fMask |= 1u << aRight; }
    constexpr void Exclude(TZRVUserRight aRight) { fMask &= ~(1u << aRight); }
    constexpr bool operator==(const TZRVUserRights&) const = default;

private:
    uint32_t fMask = 0;
};

enum TZRVSessionType { stNone, stAccount, stTicket, stLocalAccount };
enum TZRVSex { sNone, sMale, sFemale, sCouple };
enum TZRVCryptAlgorythm { ca2Complement, caInvert };
enum TZRVTicketDisplayMode {
    tdmAll,
    tdmValids,
    tdmDeleted,
    tdmExpired,
    tdmNoCredit,
    tdmNonPrinted,
    tdmByOwner,
    tdmUsed
};
enum TZRVAccountDisplayMode { admAll, admValids, admDeleted, admExpired, admNoCredit };

using TZRVOld = int;             // 0 ... 99
using TZRVConnectionIndex = int; // 1 ... 255
using TZRVHour = int;            // 0 ... 1048575
using TZRVMinute = int;          // 0 ... 59
using TZRVSecond = int;          // 0 ... 59
using TZRVArrayOfString = QStringList;

// ---------------------------------------------------------------------------------------------
// Event types

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TZRVCustomMessageEvent = std::function<void(QObject* Sender, const QString& aMsg)>;
using TZRVMessageIDEvent = std::function<void(QObject* Sender, const QString& aData)>;
using TZRVHandShakeEvent = std::function<void(QObject* Sender, const TStringList& AIOInfos)>;
using TZRVProgressEvent = std::function<void(QObject* Sender, uint32_t PercentDone)>;
using TZRVClientConfigListAvailableEvent = std::function<void(QObject* Sender, const TStringList& CfgList)>;
using TZRVInfoMessageEvent = std::function<void(QObject* Sender, const QString& msg)>;

// The accessors of an event property held in the field fOn<Name>: On<Name>() and SetOn<Name>().
#define ZRV_EVENT_PROPERTY(Type, Name)                                                                       \
    const Type& On##Name() const {                                                                           \
        return fOn##Name;                                                                                    \
    }                                                                                                        \
    void SetOn##Name(Type aEvent) {                                                                          \
        fOn##Name = std::move(aEvent);                                                                       \
    }

// ---------------------------------------------------------------------------------------------
// Exported constants

inline constexpr char Digits[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
extern const char Alphanum[62];
extern const char Alphanum_upper[36];
extern const char Alphanum_lower[36];

inline const QString c_RunAtStartupKey =
    QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
inline const QString c_RunOnceAtStartupKey =
    QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
inline constexpr int c_TimerInterval = 1000;
inline const QString c_DefaultLocalAccountMainRegistrySection =
    QStringLiteral("Software\\Vantorel\\Tikora Manager\\2.3\\Client\\LocalAccounts");
inline const QString c_ProductNameValue = QStringLiteral("ProductName");
inline const QString c_NtProductNameKey = QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion");
inline const QString c_9xProductNameKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion");
inline const QString c_AutoFileName = QStringLiteral("Auto");
inline const QString c_DTZRV2 = QStringLiteral("Vantorel tikora manager 2");

// The message vocabulary.
inline const QString c_MessageMarquer_string = QStringLiteral("#ZRV2_SC_DATA#");
inline constexpr int c_MessageMarquer_size = 14;
inline const QString c_MessageID_ClientConnection = QStringLiteral("CLIENT_CONNECTION");
inline constexpr int c_MessageID_ClientConnection_size = 17;
inline const QString c_MessageID_UserConnection = QStringLiteral("USER_CONNECTION");
inline constexpr int c_MessageID_UserConnection_size = 15;
inline const QString c_MessageID = QStringLiteral("MessageID");
inline const QString c_MessageReason = QStringLiteral("MessageReason");
inline const QString c_CLIENT_CONNECTION = QStringLiteral("CLIENT_CONNECTION");
inline const QString c_USER_CONNECTION = QStringLiteral("USER_CONNECTION");
inline const QString c_GENERAL_REQUEST = QStringLiteral("GENERAL_REQUEST");
inline const QString c_CUSTOM_MESSAGE = QStringLiteral("CUSTOM_MESSAGE");
inline const QString c_msgid_ClientConnection = QStringLiteral("MessageID=CLIENT_CONNECTION");
inline const QString c_msgid_UserConnection = QStringLiteral("MessageID=USER_CONNECTION");
inline const QString c_msgid_GeneralRequest = QStringLiteral("MessageID=GENERAL_REQUEST");
inline const QString c_msgid_CustomMessage = QStringLiteral("MessageID=CUSTOM_MESSAGE");
inline const QString c_ReadyValue = QStringLiteral("ReadyValue");
inline const QString c_ReadyComment = QStringLiteral("ReadyComment");

#define ZRV_REASON(Name, HeaderName, Text)                                                                   \
    inline const QString Name = QStringLiteral(Text);                                                        \
    inline const QString HeaderName = QStringLiteral("MessageReason=" Text);
ZRV_REASON(c_SERVER_HANDSHAKE, c_msgreason_ServerHandshake, "SERVER_HANDSHAKE")
ZRV_REASON(c_CLIENT_HANDSHAKE, c_msgreason_ClientHandshake, "CLIENT_HANDSHAKE")
ZRV_REASON(c_SERVER_READY, c_msgreason_ServerReady, "SERVER_READY")
ZRV_REASON(c_CLIENT_READY, c_msgreason_ClientReady, "CLIENT_READY")
ZRV_REASON(c_CREATE_ACCOUNT, c_msgreason_CreateAccount, "CREATE_ACCOUNT")
ZRV_REASON(c_UPDATE_ACCOUNT, c_msgreason_UpdateAccount, "UPDATE_ACCOUNT")
ZRV_REASON(c_SESSION_STARTED, c_msgreason_SessionStarted, "SESSION_STARTED")
ZRV_REASON(c_SESSION_UPDATE, c_msgreason_SessionUpdate, "SESSION_UPDATE")
ZRV_REASON(c_SESSION_STOPPED, c_msgreason_SessionStopped, "SESSION_STOPPED")
ZRV_REASON(c_GET_ACCOUNT, c_msgreason_GetAccount, "GET_ACCOUNT")
ZRV_REASON(c_GET_TICKET, c_msgreason_GetTicket, "GET_TICKET")
ZRV_REASON(c_CLOSE_USER_SESSION, c_msgreason_CloseUserSession, "CLOSE_USER_SESSION")
ZRV_REASON(c_USER_SESSION_CLOSED, c_msgreason_UserSessionClosed, "USER_SESSION_CLOSED")
ZRV_REASON(c_CLOSE_USER_CONNECTION, c_msgreason_CloseUserConnection, "CLOSE_USER_CONNECTION")
ZRV_REASON(c_USER_CONNECTION_CLOSED, c_msgreason_UserConnectionClosed, "USER_CONNECTION_CLOSED")
ZRV_REASON(c_cmdCLOSE_CLIENT_CONNECTION, c_msgreason_CommandCloseClientConnection,
           "cmdCLOSE_CLIENT_CONNECTION")
ZRV_REASON(c_cmdCLOSE_CLIENT_MODULE, c_msgreason_CommandCloseClientModule, "cmdCLOSE_CLIENT_MODULE")
ZRV_REASON(c_cmdLAUNCH_CLIENT_MODULE, c_msgreason_CommandLaunchClientModule, "cmdLAUNCH_CLIENT_MODULE")
ZRV_REASON(c_cmdCLOSE_USER_CONNECTION, c_msgreason_CommandCloseUserConnection, "cmdCLOSE_USER_CONNECTION")
ZRV_REASON(c_cmdCLOSE_USER_SESSION, c_msgreason_CommandCloseUserSession, "cmdCLOSE_USER_SESSION")
ZRV_REASON(c_cmdREBOOT_WORKSTATION, c_msgreason_CommandRebootWorkStation, "cmdREBOOT_WORKSTATION")
ZRV_REASON(c_cmdSHUTDOWN_WORKSTATION, c_msgreason_CommandShutdownWorkStation, "cmdSHUTDOWN_WORKSTATION")
ZRV_REASON(c_CLIENT_SHUTDOWN_STATE, c_msgreason_ClientShutdownState, "CLIENT_SHUTDOWN_STATE")
ZRV_REASON(c_ADD_CREDIT, c_msgreason_AddCredit, "ADD_CREDIT")
ZRV_REASON(c_FIX_CREDIT, c_msgreason_FixCredit, "FIX_CREDIT")
ZRV_REASON(c_GET_CONFIG_LIST, c_msgreason_GetConfigList, "GET_CONFIG_LIST")
ZRV_REASON(c_SET_CONFIG_LIST, c_msgreason_SetConfigList, "SET_CONFIG_LIST")
ZRV_REASON(c_GET_SECRETQUESTIONS_LIST, c_msgreason_GetSecretQuestionsList, "GET_SECRETQUESTIONS_LIST")
ZRV_REASON(c_INFOMESSAGE, c_msgreason_InfoMessage, "INFOMESSAGE")
ZRV_REASON(c_GET_RUNNING_APPLICATIONS_LIST, c_msgreason_GetRunningApplicationsList,
           "GET_RUNNING_APPLICATIONS_LIST")
ZRV_REASON(c_TERMINATE_APPLICATION, c_msgreason_TerminateApplication, "TERMINATE_APPLICATION")
ZRV_REASON(c_CLIENT_PING, c_msgreason_ClientPing, "CLIENT_PING")
ZRV_REASON(c_SERVER_PING, c_msgreason_ServerPing, "SERVER_PING")
ZRV_REASON(c_RETRIEVE_PASSWORD, c_msgreason_RetrievePassword, "RETRIEVE_PASSWORD")
#undef ZRV_REASON
// "CUSTOM_MESSAGE" is both an identifier and a reason: its reason constant is c_CUSTOM_MESSAGE.
inline const QString c_msgreason_CustomMessage = QStringLiteral("MessageReason=CUSTOM_MESSAGE");

// ---------------------------------------------------------------------------------------------
// Shared records. Each reads and writes its Name=Value lines; Copy takes every field of Source.

class TZRVAuthorisation {
public:
    uint32_t AuthorisationID() const { return fAuthorisationID; }
    const QString& AuthorisationName() const { return fAuthorisationName; }
    const QString& Description() const { return fDescription; }
    void SetAuthorisationID(uint32_t aValue) { fAuthorisationID = aValue; }
    void SetAuthorisationName(const QString& aValue) { fAuthorisationName = aValue; }
    void SetDescription(const QString& aValue) { fDescription = aValue; }

    void Clear();
    void Copy(const TZRVAuthorisation* Source);
    void LoadFromStringList(const TZRVRecordLines& List);
    TStringList SaveToStringList() const;

private:
    uint32_t fAuthorisationID = 0;
    QString fAuthorisationName;
    QString fDescription;
};

class TZRVApplication {
public:
    uint32_t ApplicationID() const { return fApplicationID; }
    const QString& ApplicationName() const { return fApplicationName; }
    const QString& CommandLine() const { return fCommandLine; }
    void SetApplicationID(uint32_t aValue) { fApplicationID = aValue; }
    void SetApplicationName(const QString& aValue) { fApplicationName = aValue; }
    void SetCommandLine(const QString& aValue) { fCommandLine = aValue; }

    void Clear();
    void Copy(const TZRVApplication* Source);
    void LoadFromStringList(const TZRVRecordLines& List);
    TStringList SaveToStringList() const;

private:
    uint32_t fApplicationID = 0;
    QString fApplicationName;
    QString fCommandLine;
};

class TZRVGame {
public:
    uint32_t GameID() const { return fGameID; }
    const QString& GameName() const { return fGameName; }
    const QString& Description() const { return fDescription; }
    const QString& CommandLine() const { return fCommandLine; }
    void SetGameID(uint32_t aValue) { fGameID = aValue; }
    void SetGameName(const QString& aValue) { fGameName = aValue; }
    void SetDescription(const QString& aValue) { fDescription = aValue; }
    void SetCommandLine(const QString& aValue) { fCommandLine = aValue; }

    void Clear();
    void Copy(const TZRVGame* Source);
    void LoadFromStringList(const TZRVRecordLines& List);
    TStringList SaveToStringList() const;

private:
    uint32_t fGameID = 0;
    QString fGameName;
    QString fDescription;
    QString fCommandLine;
};

class TZRVSecretQuestion {
public:
    uint32_t SecretQuestionID() const { return fSecretQuestionID; }
    const QString& Question() const { return fQuestion; }
    void SetSecretQuestionID(uint32_t aValue) { fSecretQuestionID = aValue; }
    void SetQuestion(const QString& aValue) { fQuestion = aValue; }

    void Clear();
    void Copy(const TZRVSecretQuestion* Source);
    void LoadFromStringList(const TZRVRecordLines& List);
    TStringList SaveToStringList() const;

private:
    uint32_t fSecretQuestionID = 0;
    QString fQuestion;
};

class TZRVGroupAuthorisation {
public:
    TZRVGroupAuthorisation();

    uint32_t GroupID() const { return fGroupID; }
    bool Value() const { return fValue; }
    const QString& ValueEx() const { return fValueEx; }
    TZRVAuthorisation* Authorisation() const { return fAuthorisation.get(); }
    void SetGroupID(uint32_t aValue) { fGroupID = aValue; }
    void SetValue(bool aValue) { fValue = aValue; }
    void SetValueEx(const QString& aValue) { fValueEx = aValue; }

    void Clear();
    void Copy(const TZRVGroupAuthorisation* Source);
    void LoadFromStringList(const TZRVRecordLines& List);
    TStringList SaveToStringList() const;

private:
    uint32_t fGroupID = 0;
    bool fValue = false;
    QString fValueEx;
    std::unique_ptr<TZRVAuthorisation> fAuthorisation;
};

// ---------------------------------------------------------------------------------------------
// Lists of shared records: owned items in insertion order, nested as
// <L>_OwnerID / <L>_Count / <L>_<i><item line>.

template <class T> class TZRVRecordList {
public:
    // The most items a list reads; a list announcing more is refused like a malformed count.
    static constexpr int c_MaxCount = 10000;

    int Count() const { return int(fItems.size()); }
    // The item at Index, or nothing outside 0 ... Count - 1.
    T* Item(int Index) const { return InRange(Index) ? fItems[size_t(Index)].get() : nullptr; }
    T* operator[](int Index) const { return Item(Index); }

    // Appends aItem and returns its index; no item gives -1.
    int Add(std::unique_ptr<T> aItem);
    // Puts aItem into slot Index (ignored out of range), then closes any gap.
    void SetItem(int Index, std::unique_ptr<T> aItem);
    bool Remove(int Index);
    void Clear();
    void Copy(const TZRVRecordList* Source);

    void LoadFromStringList(const TZRVRecordLines& List);
    TStringList SaveToStringList() const;

protected:
    TZRVRecordList(QString aListName, QString aOwnerName)
        : fListName(std::move(aListName)), fOwnerName(std::move(aOwnerName)) {}
    uint32_t fOwnerID = 0;

private:
    bool InRange(int Index) const { return Index >= 0 && Index < Count(); }
    void Compact();

    QString fListName;  // "Games"
    QString fOwnerName; // "OwnerID", "GroupID", or empty for no owner line
    std::vector<std::unique_ptr<T>> fItems;
};

class TZRVApplications : public TZRVRecordList<TZRVApplication> {
public:
    TZRVApplications() : TZRVRecordList(QStringLiteral("Applications"), QStringLiteral("OwnerID")) {}
    uint32_t OwnerID() const { return fOwnerID; }
    void SetOwnerID(uint32_t aValue) { fOwnerID = aValue; }
    TZRVApplication* Applications(int Index) const { return Item(Index); }
};

class TZRVGames : public TZRVRecordList<TZRVGame> {
public:
    TZRVGames() : TZRVRecordList(QStringLiteral("Games"), QStringLiteral("OwnerID")) {}
    uint32_t OwnerID() const { return fOwnerID; }
    void SetOwnerID(uint32_t aValue) { fOwnerID = aValue; }
    TZRVGame* Games(int Index) const { return Item(Index); }
};

class TZRVAuthorisations : public TZRVRecordList<TZRVAuthorisation> {
public:
    TZRVAuthorisations() : TZRVRecordList(QStringLiteral("Authorisations"), QString()) {}
    TZRVAuthorisation* Authorisations(int Index) const { return Item(Index); }
    // The first authorisation with that ID, or nothing.
    TZRVAuthorisation* Exists(uint32_t AuthorisationID) const;
};

class TZRVGroupAuthorisations : public TZRVRecordList<TZRVGroupAuthorisation> {
public:
    TZRVGroupAuthorisations()
        : TZRVRecordList(QStringLiteral("GroupAuthorisations"), QStringLiteral("GroupID")) {}
    uint32_t GroupID() const { return fOwnerID; }
    void SetGroupID(uint32_t aValue) { fOwnerID = aValue; }
    TZRVGroupAuthorisation* GroupAuthorisations(int Index) const { return Item(Index); }
};

extern template class TZRVRecordList<TZRVApplication>;
extern template class TZRVRecordList<TZRVGame>;
extern template class TZRVRecordList<TZRVAuthorisation>;
extern template class TZRVRecordList<TZRVGroupAuthorisation>;

// ---------------------------------------------------------------------------------------------
// Tariff data

class TZRVHourFormulaData {
public:
    int16_t StartDay() const { return fStartDay; }
    int16_t StartHour() const { return fStartHour; }
    int16_t EndDay() const { return fEndDay; }
    int16_t EndHour() const { return fEndHour; }
    const QString& hfName() const { return fhfName; }
    void SetStartDay(int16_t aValue) { fStartDay = aValue; }
    void SetStartHour(int16_t aValue) { fStartHour = aValue; }
    void SetEndDay(int16_t aValue) { fEndDay = aValue; }
    void SetEndHour(int16_t aValue) { fEndHour = aValue; }
    void SethfName(const QString& aValue) { fhfName = aValue; }

    void Clear();
    // Packs StartDay | StartHour << 3 | EndDay << 8 | EndHour << 11 (fields not masked).
    int32_t GetValue() const;
    static bool DecodeValue(int32_t Value, int16_t& StartDay, int16_t& StartHour, int16_t& EndDay,
                            int16_t& EndHour);
    // Whether the day of the week (Monday 1) and the hour lie inside the window, bounds included.
    static bool Contains(int32_t Value, int aDayOfWeek, int aHour);

private:
    int16_t fStartDay = 1;
    int16_t fStartHour = 0;
    int16_t fEndDay = 1;
    int16_t fEndHour = 0;
    QString fhfName;
};

class TZRVCreditData {
public:
    uint32_t Credit_id() const { return fCredit_id; }
    uint32_t CreditValue() const { return fCreditValue; }
    int32_t Cost() const { return fCost; }
    uint32_t HourFormula_id() const { return fHourFormula_id; }
    const QString& HourFormula() const { return fHourFormula; }
    void SetCredit_id(uint32_t aValue) { fCredit_id = aValue; }
    void SetCreditValue(uint32_t aValue) { fCreditValue = aValue; }
    void SetCost(int32_t aValue) { fCost = aValue; }
    void SetHourFormula_id(uint32_t aValue) { fHourFormula_id = aValue; }
    void SetHourFormula(const QString& aValue) { fHourFormula = aValue; }

    void Clear() { *this = TZRVCreditData(); }
    uint32_t GetHours() const { return fCreditValue / 3600; }
    uint32_t GetMinutes() const { return (fCreditValue % 3600) / 60; }
    uint32_t GetSeconds() const { return fCreditValue % 60; }
    QString GetCreditFormatted() const;

private:
    uint32_t fCredit_id = 0;
    uint32_t fCreditValue = 0;
    int32_t fCost = 0;
    uint32_t fHourFormula_id = 0;
    QString fHourFormula;
};

class TZRVProductData {
public:
    uint32_t Product_id() const { return fProduct_id; }
    const QString& ProductName() const { return fProductName; }
    int32_t QuantityPerUnit() const { return fQuantityPerUnit; }
    int32_t UnitCost() const { return fUnitCost; }
    void SetProduct_id(uint32_t aValue) { fProduct_id = aValue; }
    void SetProductName(const QString& aValue) { fProductName = aValue; }
    void SetQuantityPerUnit(int32_t aValue) { fQuantityPerUnit = aValue; }
    void SetUnitCost(int32_t aValue) { fUnitCost = aValue; }
    void Clear() { *this = TZRVProductData(); }

private:
    uint32_t fProduct_id = 0;
    QString fProductName;
    int32_t fQuantityPerUnit = 0;
    int32_t fUnitCost = 0;
};

class TZRVTarification {
public:
    int AddCredit(std::unique_ptr<TZRVCreditData> Credit);
    int Count() const { return int(fCredits.size()); }
    TZRVCreditData* Credits(int Index) const;
    TZRVHourFormulaData* HourFormula() const { return fHourFormula.get(); }
    void SetHourFormmula(std::unique_ptr<TZRVHourFormulaData> Formula) { fHourFormula = std::move(Formula); }
    void Clear();

private:
    std::vector<std::unique_ptr<TZRVCreditData>> fCredits;
    std::unique_ptr<TZRVHourFormulaData> fHourFormula;
};

// Hours, minutes and seconds as at least two digits each: "01h02m05s".
QString FormatCredit(uint32_t Value);

class TZRVCreditUtilities {
public:
    static QString GetDefaultcFormat() { return QStringLiteral("%.2uh%.2um%.2us"); }
    const QString& cFormat() const { return fcFormat; }
    void SetcFormat(const QString& aFormat) { fcFormat = aFormat; }

    bool CreditValueToStr(QString& Text, uint32_t Value) const;
    // Raises EConvertError when a part is not a number.
    bool StrToCreditValue(const QString& Text, uint32_t& Value) const;
    bool EncodeCreditCostStr(QString& Text, uint32_t Value, int32_t Cost) const;
    bool DecodeCreditCostStr(const QString& Text, uint32_t& Value, int32_t& Cost) const;

private:
    QString fcFormat;
};
