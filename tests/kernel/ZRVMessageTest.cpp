#include "ZRVMessage.h"
#include "ZRVCrypt.h"
#include "ZRVMachine.h"
#include "ZRVServerConfig.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include "support/EventLoop.h"

#include <QStringDecoder>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString Body(std::initializer_list<const char*> aLines) {
    TStringList L;
    for (const char* line : aLines)
        L.Add(QString::fromUtf8(line));
    return L.Text();
}

QByteArray Wire(const QString& aBody) {
    const TZRVCrypt crypt;
    return EncodeMessage(aBody, crypt);
}

// Feeds every part in turn and collects what the buffer delivers, with the last message taken
// once no more data follows (as the connections do after a quiet moment).
TZRVArrayOfString FeedAll(TZRVReceiveBuffer& aBuffer, const QList<QByteArray>& aParts) {
    TZRVArrayOfString out;
    for (const QByteArray& part : aParts)
        out.append(aBuffer.Feed(part));
    out.append(aBuffer.Flush());
    return out;
}

const QString c_Ping = Body({"MessageID=CLIENT_CONNECTION", "MessageReason=SERVER_PING"});
const QString c_Info =
    Body({"MessageID=CLIENT_CONNECTION", "MessageReason=INFOMESSAGE", "INFOMESSAGE=Échec € de la connexion"});
const QString c_Ticket = Body({"UTt_TicketID=12", "UTt_Code=AB12CD34", "Found=-1",
                               "Message=", "MessageID=USER_CONNECTION", "MessageReason=GET_TICKET"});

// ----- code page

TEST(MessageCodePage, FrenchTextAndEuroAreSingleBytes) {
    const QByteArray bytes("\xC9\x63hec \x80");
    EXPECT_EQ(ToWindows1252(QString::fromUtf8("Échec €")), bytes);
    EXPECT_EQ(FromWindows1252(bytes), QString::fromUtf8("Échec €"));
}

TEST(MessageCodePage, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
    struct Case {
        const char* Utf8;
        QByteArray Expected;
    } cases[] = {
        {"a\u4e2db", "a?b"},              // CJK
        {"a\U0001F600b", "a?b"},          // outside the basic plane: one character, one "?"
        {"\u0141\u00c9\u0080", "?\xC9?"}, // Polish L, E acute, a C1 control the code page maps elsewhere
        {"\u001a", "\x1A"},               // a real SUB stays itself
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToWindows1252(QString::fromUtf8(c.Utf8)), c.Expected) << c.Utf8;
    const QChar loneSurrogates[] = {QChar(0xD800), u'x', QChar(0xDC00)};
    EXPECT_EQ(ToWindows1252(QStringView(loneSurrogates, 3)), QByteArray("?x?"));
}

TEST(MessageCodePage, EveryByteReadsAsQtsWindows1252AndWritesBackUnchanged) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = FromWindows1252(all);
    EXPECT_EQ(ToWindows1252(text), all);
    // Every byte read alike wherever it falls in the text, and at its very end.
    for (const qsizetype from : {1, 7, 0x75, 0x80, 0x8F, 0x9F})
        EXPECT_EQ(FromWindows1252(QByteArrayView(all).sliced(from, 0xA0 - from)),
                  text.sliced(from, 0xA0 - from))
            << from;
    EXPECT_TRUE(FromWindows1252(QByteArrayView()).isNull());
    EXPECT_TRUE(FromWindows1252(QByteArrayView("", 0)).isEmpty());
    QStringDecoder qt("Windows-1252");
    if (!qt.isValid())
        GTEST_SKIP() << "this Qt has no Windows-1252 converter to compare with";
    EXPECT_EQ(text, QString(qt(all)));
}

TEST(MessageCodePage, EncodedMessageIsMarkerAndBodyInTheCodePage) {
    EXPECT_EQ(Wire(c_Info), "#ZRV2_SC_DATA#MessageID=CLIENT_CONNECTION\r\nMessageReason=INFOMESSAGE\r\n"
                            "INFOMESSAGE=\xC9\x63hec \x80 de la connexion\r\n");
}

// ----- splitting one text

TEST(MessageDataSplit, PiecesAreTheBodiesBetweenMarkers) {
    const QString m = c_MessageMarquer_string;
    struct Case {
        QString Text;
        QStringList Expected;
    } cases[] = {
        {m + c_Ping + m + c_Info + m + c_Ticket, {c_Ping, c_Info, c_Ticket}},
        {"xyz" + m + c_Ping, {c_Ping}},
        {m, {QString()}},
        {m + m + "A=1", {QString(), "A=1"}},
        {c_Ping, {}},
        {QString(), {}},
        {"#ZRV2_SC_DATA" + c_Ping, {}},
    };
    for (const auto& c : cases) {
        TZRVArrayOfString pieces{QStringLiteral("left over")};
        EXPECT_EQ(DataSplit(c.Text, pieces), c.Expected.size()) << c.Text.toStdString();
        EXPECT_EQ(pieces, c.Expected) << c.Text.toStdString();
    }
}

// ----- receive buffer

TEST(MessageReceiveBuffer, ThreeMessagesInOneReadComeOutInOrder) {
    TZRVReceiveBuffer buffer;
    EXPECT_EQ(buffer.Feed(Wire(c_Ping) + Wire(c_Info) + Wire(c_Ticket)), TZRVArrayOfString({c_Ping, c_Info}));
    EXPECT_EQ(buffer.Flush(), TZRVArrayOfString({c_Ticket}));
    EXPECT_EQ(buffer.Pending(), 0);
}

TEST(MessageReceiveBuffer, MessageSplitOverReadsIsDeliveredWholeAndOnce) {
    const QByteArray wire = Wire(c_Info) + Wire(c_Ping);
    const qsizetype inLine = wire.indexOf("Reason") + 3, inMarker = wire.indexOf("#ZRV2", 1) + 6;
    TZRVReceiveBuffer buffer;
    EXPECT_TRUE(buffer.Feed(wire.left(inLine)).isEmpty());
    EXPECT_TRUE(buffer.Feed(wire.mid(inLine, inMarker - inLine)).isEmpty());
    // The ping that follows holds all its sender writes: it is not kept.
    EXPECT_EQ(buffer.Feed(wire.mid(inMarker)), TZRVArrayOfString({c_Info, c_Ping}));
    EXPECT_TRUE(buffer.Flush().isEmpty());
    EXPECT_TRUE(buffer.Feed(QByteArray()).isEmpty());
    EXPECT_TRUE(buffer.Flush().isEmpty());
}

// Every split of the data in two reads gives the bodies of the unsplit data, also a split right
// after a line end inside a body: the kept body waits for the rest.
TEST(MessageReceiveBuffer, SplitAtEveryBytePositionMatchesTheUnsplitData) {
    const QStringList bodies = {c_Ticket, c_Info, c_Ping};
    QByteArray wire = "garbage#ZRV2";
    for (const QString& body : bodies)
        wire += Wire(body);
    for (qsizetype p = 0; p <= wire.size(); ++p) {
        TZRVReceiveBuffer buffer;
        EXPECT_EQ(FeedAll(buffer, {wire.left(p), wire.mid(p)}), bodies) << "split at " << p;
        EXPECT_EQ(buffer.Pending(), 0) << "split at " << p;
    }
}

TEST(MessageReceiveBuffer, KeptMessageWaitsForItsRestUntilFlushed) {
    TZRVReceiveBuffer buffer;
    EXPECT_TRUE(buffer.Feed("#ZRV2_SC_DATA#A=1\r\nB=").isEmpty());
    EXPECT_TRUE(buffer.Feed("2\r\n").isEmpty());
    EXPECT_EQ(buffer.Flush(), TZRVArrayOfString({"A=1\r\nB=2\r\n"}));
    EXPECT_TRUE(buffer.Flush().isEmpty());
    EXPECT_TRUE(buffer.Feed("#ZRV2_SC_DATA#C=3").isEmpty()); // a body without a final line end
    EXPECT_EQ(buffer.Flush(), TZRVArrayOfString({"C=3"}));
}

TEST(MessageReader, HandsOnEachBodyOnceTheSenderIsQuiet) {
    TZRVMessageReader reader;
    reader.SetQuietTime(5);
    QStringList bodies;
    reader.SetOnBody([&](const QString& aBody) { bodies << aBody; });
    const QByteArray wire = Wire(c_Info) + Wire(c_Ticket);
    const qsizetype cut =
        wire.lastIndexOf("\r\n", wire.size() - 3) + 2; // inside the last body, after a line end
    reader.Feed(wire.left(cut));
    EXPECT_EQ(bodies, QStringList({c_Info})); // followed by a marker: at once
    reader.Feed(wire.mid(cut));
    EXPECT_EQ(bodies.size(), 1);
    ASSERT_TRUE(zrvtest::WaitUntil([&] { return bodies.size() == 2; }));
    EXPECT_EQ(bodies[1], c_Ticket);
    EXPECT_FALSE(reader.Waiting());
    reader.Feed("#ZRV2_SC_DATA#A=");
    EXPECT_TRUE(reader.Waiting());
    reader.Clear(); // a new connection forgets the old one's rest
    EXPECT_FALSE(reader.Waiting());
    EXPECT_EQ(reader.Buffer().Pending(), 0);
    EXPECT_EQ(bodies.size(), 2);
}

TEST(MessageReceiveBuffer, GarbageWithoutMarkerKeepsAtMostThirteenBytes) {
    TZRVReceiveBuffer buffer;
    const QByteArray garbage = QByteArray("#ZRV2_SC_DAT\r\n").repeated(300); // near misses of the marker
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(buffer.Feed(garbage).isEmpty());
        ASSERT_LE(buffer.Pending(), 13);
    }
    EXPECT_TRUE(buffer.Feed("junk#ZRV2_S").isEmpty());
    EXPECT_EQ(FeedAll(buffer, {"C_DATA#" + ToWindows1252(c_Ping)}), TZRVArrayOfString({c_Ping}));
}

TEST(MessageReceiveBuffer, MessageWithoutEndIsDroppedPastTheBoundAndReported) {
    TZRVReceiveBuffer buffer;
    QList<qsizetype> drops;
    buffer.SetOnTailDropped([&](qsizetype aBytes) { drops.append(aBytes); });
    const QByteArray chunk(64 * 1024, 'x');
    EXPECT_TRUE(buffer.Feed("#ZRV2_SC_DATA#Big=").isEmpty());
    for (qsizetype sent = 0; sent < 5 * 1024 * 1024; sent += chunk.size()) {
        EXPECT_TRUE(buffer.Feed(chunk).isEmpty());
        ASSERT_LE(buffer.Pending(), TZRVReceiveBuffer::c_DefaultMaxTail);
    }
    ASSERT_EQ(drops.size(), 1);
    EXPECT_GT(drops[0], TZRVReceiveBuffer::c_DefaultMaxTail);
    EXPECT_LE(buffer.Pending(), 13);
    EXPECT_EQ(FeedAll(buffer, {Wire(c_Ping)}), TZRVArrayOfString({c_Ping})); // the link goes on
}

TEST(MessageReceiveBuffer, BoundAppliesToKeptTailsOnly) {
    const QByteArray wire = Wire(QStringLiteral("A=") + QString(200, u'a') + QStringLiteral("\r\n"));
    struct Case {
        QList<QByteArray> Reads;
        qsizetype Delivered;
        int Drops;
    } cases[] = {
        {{wire}, 0, 1},                          // too large even when it comes in one read
        {{wire.left(150), wire.mid(150)}, 0, 1}, // kept past 100 bytes: dropped, rest discarded
        {{wire.left(90), wire.mid(90, 20), wire.mid(110)}, 0, 1},
        {{wire.left(90), wire.mid(90) + Wire(c_Ping)}, 2, 0},
    };
    for (const auto& c : cases) {
        TZRVReceiveBuffer buffer;
        buffer.SetMaxTail(100);
        int drops = 0;
        buffer.SetOnTailDropped([&](qsizetype) { ++drops; });
        EXPECT_EQ(FeedAll(buffer, c.Reads).size(), c.Delivered);
        EXPECT_EQ(drops, c.Drops);
    }
}

TEST(MessageReceiveBuffer, ClearForgetsTheKeptTail) {
    TZRVReceiveBuffer buffer;
    EXPECT_TRUE(buffer.Feed("#ZRV2_SC_DATA#A=1").isEmpty());
    buffer.Clear();
    EXPECT_EQ(buffer.Pending(), 0);
    EXPECT_TRUE(buffer.Feed("\r\n").isEmpty());
}

TEST(MessageReceiveBuffer, EncodedMessageComesBackAsSent) {
    TZRVReceiveBuffer buffer;
    const QString body = Body({"MessageID=CLIENT_CONNECTION", "INFOMESSAGE=Crédit épuisé à 12h00 ; «ok»"});
    EXPECT_EQ(FeedAll(buffer, {Wire(body)}), TZRVArrayOfString({body}));
}

// ----- dispatch

TEST(MessageDispatch, IdentifierPicksTheLayerWithoutRegardToCase) {
    struct Case {
        QString Piece;
        TZRVMessageKind Expected;
    } cases[] = {
        {Body({"messageid=client_connection", "MessageReason=SERVER_PING"}), mkClientConnection},
        {Body({"UTt_Code=X", "MessageID=USER_CONNECTION", "MessageReason=GET_TICKET"}), mkUserConnection},
        {Body({"MessageID=Custom_Message", "Free=text"}), mkCustomMessage},
        {Body({"MessageID=GENERAL_REQUEST", "MessageReason=CREATE_ACCOUNT"}), mkUnknown},
        {Body({"MessageID= CLIENT_CONNECTION"}), mkUnknown},
        {Body({"MessageReason=SERVER_PING"}), mkUnknown},
        {QString(), mkUnknown},
    };
    for (const auto& c : cases) {
        TStringList message = TStringList(QStringList{"stale=1"});
        EXPECT_EQ(LoadMessage(c.Piece, message), c.Expected) << c.Piece.toStdString();
        EXPECT_EQ(message.Text(), c.Piece);
    }
}

// ----- framing: where the last message of what has arrived ends

QString Lines(const QStringList& aHead, const TStringList& aRecord = TStringList(),
              const QStringList& aTail = {}) {
    TStringList L{aHead};
    L.AddStrings(aRecord);
    for (const QString& line : aTail)
        L.Add(line);
    return L.Text();
}

template <class TList, class TItem> void AddItems(TList* aList, int aCount) {
    for (int i = 0; i < aCount; ++i)
        aList->Add(std::make_unique<TItem>());
}

TStringList MachineLines(int aApplications) {
    TZRVMachine machine;
    machine.SetMachineName("PC07");
    AddItems<TZRVGames, TZRVGame>(machine.Games(), 2);
    AddItems<TZRVApplications, TZRVApplication>(machine.Applications(), aApplications);
    return machine.SaveToStringList();
}

TStringList TicketLines() {
    TZRVUserTicket ticket;
    ticket.SetCode("AB12CD34");
    AddItems<TZRVApplications, TZRVApplication>(ticket.Group()->AllowedApplications(), 12);
    AddItems<TZRVGames, TZRVGame>(ticket.LastUsePC()->Games(), 1);
    return ticket.SaveToStringList();
}

TStringList AccountLines() {
    TZRVUserAccount account;
    account.SetAccountName("marie");
    return account.SaveToStringList(); // its group allows no application: the count line ends it
}

// Every message as this system's senders write it (both directions, every form).
QStringList CompleteBodies() {
    const QString link = c_msgid_ClientConnection, user = c_msgid_UserConnection;
    const TStringList config = TZRVServerClientConfig().SaveToStringList();
    QStringList bodies;
    for (const QString& reason :
         {c_msgreason_ServerPing, c_msgreason_ClientPing, c_msgreason_CommandCloseClientConnection,
          c_msgreason_CommandCloseClientModule, c_msgreason_CommandLaunchClientModule,
          c_msgreason_CommandCloseUserConnection, c_msgreason_CommandCloseUserSession,
          c_msgreason_CommandRebootWorkStation, c_msgreason_CommandShutdownWorkStation,
          c_msgreason_CloseUserConnection, c_msgreason_CloseUserSession})
        bodies << Lines({link, reason});
    bodies << Lines({user, c_msgreason_SessionStarted})
           << Lines({link, c_msgreason_ClientHandshake}, MachineLines(2))
           << Lines({link, c_msgreason_ClientHandshake}, MachineLines(0))
           << Lines({link, c_msgreason_ServerReady, "ReadyValue=-1"})
           << Lines({link, c_msgreason_ServerReady, "ReadyValue=0", "ReadyComment=Complet"})
           << Lines({link, c_msgreason_ClientReady, "ReadyValue=-1", "ShutdownState=0"}, config)
           << Lines({link, c_msgreason_ClientShutdownState, "NewState=-1"})
           << Lines({link, c_msgreason_GetConfigList}, config)
           << Lines({}, config, {link, c_msgreason_SetConfigList})
           << Lines({link, c_msgreason_InfoMessage, "INFOMESSAGE=Fermeture à 22h"})
           << Lines({link, c_msgreason_TerminateApplication, "Handle=12", "Notify=-1"})
           << Lines({link, c_msgreason_TerminateApplication, "Success=0"})
           << Lines({user, c_msgreason_GetAccount, "AccountName=marie", "AccountPassword=pw"})
           << Lines({user, c_msgreason_GetAccount, "Found=-1", "Message=Compte trouvé"}, AccountLines())
           << Lines({user, c_msgreason_GetAccount, "Found=0", "Message=Mot de passe incorrect"})
           << Lines({user, c_msgreason_GetTicket, "TicketCode=AB12CD34"})
           << Lines({user, c_msgreason_GetTicket, "Found=-1", "Message=Ticket trouvé"}, TicketLines())
           << Lines({user, c_msgreason_GetTicket, "Found=0", "Message=Ticket introuvable"})
           << Lines({user, c_msgreason_AddCredit, "ReloadCode=XY"})
           << Lines({user, c_msgreason_AddCredit, "Found=-1", "Message=Ajout", "Seconds=0", "Minutes=30",
                     "Hours=1"})
           << Lines(
                  {user, c_msgreason_FixCredit, "Found=-1", "Seconds=0", "Minutes=5", "Hours=0", "Message=x"})
           << Lines({user, c_msgreason_CreateAccount, "Success=-1", "Message=Compte créé"})
           << Lines({}, AccountLines(),
                    {link, c_msgreason_CreateAccount, "Success=-1", "Message=Compte créé"})
           << Lines({user, c_msgreason_UpdateAccount, "Success=0", "Message=Refusé"})
           << Lines({user, c_msgreason_RetrievePassword, "AccountName=marie", "SecretQuestion=Ville ?",
                     "SecretAnswer=Douala"})
           << Lines({user, c_msgreason_RetrievePassword, "Found=-1", "Message=", "AccountPassword=pw"})
           << Lines({user, c_msgreason_RetrievePassword, "Found=0", "Message=Réponse fausse"})
           << Lines({user, c_msgreason_SessionUpdate, "CreditValue=2999", "SessionType=2", "SessionTypeID=7",
                     "", "SessionOpenned=-1"})
           << Lines({user, c_msgreason_SessionStopped, "CreditValue=2999"})
           << Lines({user, c_msgreason_UserConnectionClosed, "SessionType=2"}, TicketLines())
           << Lines({user, c_msgreason_UserConnectionClosed, "SessionType=1"}, AccountLines())
           << Lines({"messageid=user_connection", "messagereason=get_ticket", "ticketcode=AB"});
    return bodies;
}

// A message is complete at its last line, at no earlier point (cut anywhere, even after a line
// end, what arrived so far must wait), and read in pieces it is judged as read at once.
TEST(MessageFraming, WhatTheSendersWriteIsCompleteAtItsLastLineOnly) {
    for (const QString& body : CompleteBodies()) {
        const QByteArray wire = Wire(body);
        const TZRVFrame whole = ScanFrame(wire, TZRVReceiveBuffer::c_DefaultMaxTail);
        EXPECT_EQ(whole.State, fsComplete) << body.toStdString();
        EXPECT_EQ(whole.Length, wire.size());
        for (qsizetype cut = 1; cut < wire.size(); ++cut) {
            TZRVFrameScanner scanner;
            const TZRVFrame part = scanner.Scan(wire.left(cut), TZRVReceiveBuffer::c_DefaultMaxTail);
            ASSERT_NE(part.State, fsComplete) << "cut at " << cut << " of " << body.toStdString();
            const TZRVFrame rest = scanner.Scan(wire, TZRVReceiveBuffer::c_DefaultMaxTail);
            ASSERT_EQ(rest.State, fsComplete) << "cut at " << cut << " of " << body.toStdString();
        }
    }
}

TEST(MessageFraming, TheStateOfWhatHasArrived) {
    const QByteArray ping = Wire(c_Ping);
    struct Case {
        QByteArray Data;
        TZRVFrameState Expected;
    } cases[] = {
        // No end can be known: lines without a count, forms that others go on from, others' messages.
        {Wire(Lines({c_msgid_ClientConnection, c_msgreason_ServerHandshake, "SvrVersion=2.3",
                     "SvrProtocolVersion=0.4", "SvrDateTime=20/07/2011", "Nfos_Café"})),
         fsUnsure},
        {Wire(Lines({c_msgid_UserConnection, c_msgreason_SessionUpdate, "CreditValue=2999"})), fsUnsure},
        {Wire(Lines({c_msgid_ClientConnection, c_msgreason_GetSecretQuestionsList, "Ville natale ?"})),
         fsUnsure},
        {Wire(Lines({c_msgid_ClientConnection, c_msgreason_GetConfigList})), fsUnsure},
        {Wire(Lines(
             {c_msgid_ClientConnection, c_msgreason_GetRunningApplicationsList, "Name1=a", "Handle1=1"})),
         fsUnsure},
        {Wire(Lines({}, AccountLines(), {c_msgid_UserConnection, c_msgreason_CreateAccount})), fsUnsure},
        {Wire(Lines({c_msgid_CustomMessage, c_msgreason_CustomMessage})), fsUnsure},
        {Wire(Lines({c_msgid_ClientConnection, "MessageReason=NEW_REASON"})), fsUnsure},
        {Wire(Lines({"A=1"})), fsUnsure},
        {Wire(Lines({c_msgid_UserConnection, c_msgreason_GetTicket, "Found=yes", "Message="})), fsUnsure},
        {Wire(Lines({c_msgid_UserConnection, c_msgreason_GetTicket, "Found=-1", "Message="}, AccountLines())),
         fsUnsure},
        // A line without its end, or a marker that may be starting.
        {ping.chopped(1), fsIncomplete},
        {ping.chopped(2), fsIncomplete},
        {"#ZRV2_SC_DATA#", fsIncomplete},
        {ping + "#ZRV2", fsIncomplete},
        // The next marker ends a message, whatever it holds.
        {"#ZRV2_SC_DATA#A=" + ping, fsComplete},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScanFrame(c.Data, TZRVReceiveBuffer::c_DefaultMaxTail).State, c.Expected)
            << c.Data.toStdString();
    EXPECT_EQ(ScanFrame("#ZRV2_SC_DATA#A=" + ping, 100).Length, 16);
    EXPECT_EQ(ScanFrame(ping, ping.size() - 1).State, fsBad);
}

TEST(MessageReader, ACompleteMessageIsHandedOnAsItArrives) {
    TZRVMessageReader reader;
    QStringList bodies;
    reader.SetOnBody([&](const QString& aBody) { bodies << aBody; });
    reader.Feed(Wire(c_Ping));
    EXPECT_EQ(bodies, QStringList({c_Ping})); // no event loop turned
}

// "CreditValue=2999" cut after "=29": the rest comes 300 ms later, long after the quiet time.
TEST(MessageReader, ALineCutInTwoWaitsForItsRest) {
    TZRVMessageReader reader;
    reader.SetQuietTime(5);
    reader.SetStallTime(2000);
    QStringList bodies;
    reader.SetOnBody([&](const QString& aBody) { bodies << aBody; });
    const QString report = Lines({c_msgid_UserConnection, c_msgreason_SessionStopped, "CreditValue=2999"});
    const QByteArray wire = Wire(report);
    const qsizetype cut = wire.indexOf("=29") + 3;
    reader.Feed(wire.left(cut));
    QTimer::singleShot(300, &reader, [&] { reader.Feed(wire.mid(cut)); });
    zrvtest::RunEventsFor(250);
    EXPECT_TRUE(bodies.isEmpty());
    ASSERT_TRUE(zrvtest::WaitUntil([&] { return !bodies.isEmpty(); }));
    EXPECT_EQ(bodies, QStringList({report}));
}

TEST(MessageReader, AMessageThatStallsInsideALineIsHandedOnAsItIs) {
    TZRVMessageReader reader;
    reader.SetQuietTime(5);
    reader.SetStallTime(200);
    QStringList bodies;
    reader.SetOnBody([&](const QString& aBody) { bodies << aBody; });
    reader.Feed("#ZRV2_SC_DATA#A=1\r\nB=");
    zrvtest::RunEventsFor(100);
    EXPECT_TRUE(bodies.isEmpty());
    ASSERT_TRUE(zrvtest::WaitUntil([&] { return !bodies.isEmpty(); }));
    EXPECT_EQ(bodies, QStringList({"A=1\r\nB="}));
}

} // namespace
