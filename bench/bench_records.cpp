// How fast a received "GET_TICKET" reply (about 2 KB: the ticket with its group and last-use
// workstation, each with games and applications) is cut out of the received bytes and loaded
// into its record, against merely copying the same bytes.

#include "Bench.h"

#include "ZRVCrypt.h"
#include "ZRVMessage.h"
#include "ZRVUserTicket.h"

namespace {

template <class TList, class TItem> std::unique_ptr<TList> Items(int aCount, void (*aFill)(TItem&, int)) {
    auto list = std::make_unique<TList>();
    for (int i = 1; i <= aCount; ++i) {
        auto item = std::make_unique<TItem>();
        aFill(*item, i);
        list->Add(std::move(item));
    }
    return list;
}

void FillGame(TZRVGame& aGame, int i) {
    aGame.SetGameID(uint32_t(i));
    aGame.SetGameName(QStringLiteral("Jeu de course %1").arg(i));
    aGame.SetDescription(QStringLiteral("Course en réseau, jusqu'à 8 joueurs"));
    aGame.SetCommandLine(QStringLiteral("C:\\Jeux\\Course%1\\course.exe -lan").arg(i));
}

void FillApplication(TZRVApplication& aApplication, int i) {
    aApplication.SetApplicationID(uint32_t(i));
    aApplication.SetApplicationName(QStringLiteral("Bureautique %1").arg(i));
    aApplication.SetCommandLine(QStringLiteral("C:\\Programmes\\Office\\app%1.exe").arg(i));
}

std::unique_ptr<TZRVGroup> Group() {
    auto group = std::make_unique<TZRVGroup>();
    group->SetGroupID(3);
    group->SetGroupName(QStringLiteral("Joueurs"));
    group->SetGroupDescription(QStringLiteral("Clients réguliers, jeux et bureautique"));
    group->SetAuthorisations({urGamesAll, urApplicationsAll, urCanAddUserCredit});
    group->SetAllowedGames(Items<TZRVGames, TZRVGame>(2, FillGame));
    group->SetAllowedApplications(Items<TZRVApplications, TZRVApplication>(2, FillApplication));
    return group;
}

std::unique_ptr<TZRVMachine> Machine() {
    auto machine = std::make_unique<TZRVMachine>();
    machine->SetMachineID(7);
    machine->SetMachineName(QStringLiteral("POSTE-07"));
    machine->SetCpu(QStringLiteral("2394 Mhz"));
    machine->SetRam(4096);
    machine->SetOSystem(QStringLiteral("Debian GNU/Linux 12 [Linux v6.1.0]"));
    machine->SetGeography(QStringLiteral("Salle du fond, rangée 2"));
    machine->SetGames(Items<TZRVGames, TZRVGame>(2, FillGame));
    machine->SetApplications(Items<TZRVApplications, TZRVApplication>(2, FillApplication));
    return machine;
}

// The reply body as the server writes it.
QString TicketReply() {
    TZRVUserTicket ticket;
    ticket.SetTicketID(1234);
    ticket.SetCode(QStringLiteral("AB12CD34EF"));
    ticket.SetCredit(5400);
    ticket.SetCost(300);
    ticket.SetActive(true);
    ticket.SetActivationDate(EncodeDateTime(2024, 3, 1, 14, 30, 0));
    ticket.SetDaysAllowed(30);
    ticket.SetPrintFlag(true);
    ticket.SetUsedFlag(true);
    ticket.SetCreationDate(EncodeDate(2024, 2, 28));
    ticket.SetLastUseDate(EncodeDateTime(2024, 3, 2, 18, 5, 12));
    ticket.SetLastUseTime(1800);
    ticket.SetGroup(Group());
    ticket.SetLastUsePC(Machine());
    TStringList reply;
    reply.Add(c_msgid_UserConnection);
    reply.Add(c_msgreason_GetTicket);
    reply.Add(QStringLiteral("Found=-1"));
    reply.Add(QStringLiteral("Message=Ticket trouvé"));
    reply.AddStrings(ticket.SaveToStringList());
    return reply.Text();
}

// Keeps the optimiser from dropping the work.
volatile qsizetype gSink = 0;

// The body a connection's reader hands on for the bytes: at once when it is evidently complete,
// otherwise after the sender's quiet time (taken here at once).
QString Receive(TZRVReceiveBuffer& aBuffer, const QByteArray& aWire, const TZRVCrypt& aCrypt) {
    TZRVArrayOfString bodies = aBuffer.Feed(aWire);
    bodies += aBuffer.Flush();
    QString piece = bodies.value(0);
    aCrypt.Decrypt(piece);
    return piece;
}

} // namespace

ZRV_BENCHMARK(ReceiveTicketReply) {
    const TZRVCrypt crypt;
    const QByteArray wire = EncodeMessage(TicketReply(), crypt);
    std::printf("message: %lld bytes\n", (long long)wire.size());
    constexpr int iterations = 20000;

    const double copy = zrvbench::SecondsPerCall(iterations, [&] {
        const QByteArray bytes(wire.constData(), wire.size());
        gSink = gSink + bytes.size();
    });
    TZRVReceiveBuffer buffer;
    std::printf("handed on at once (no quiet time): %s\n", buffer.Feed(wire).size() == 1 ? "yes" : "no");
    const double split =
        zrvbench::SecondsPerCall(iterations, [&] { gSink = gSink + Receive(buffer, wire, crypt).size(); });
    TStringList message;
    TZRVUserTicket ticket;
    const double splitAndLoad = zrvbench::SecondsPerCall(iterations, [&] {
        const QString piece = Receive(buffer, wire, crypt);
        if (LoadMessage(piece, message) == mkUserConnection)
            ticket.LoadFromStringList(message);
        gSink = gSink + ticket.Group()->AllowedGames()->Count();
    });

    zrvbench::PrintRatio("split (receive buffer)", split, "copy of the bytes", copy);
    zrvbench::PrintRatio("split and load into the ticket", splitAndLoad, "copy of the bytes", copy);
    if (ticket.LastUsePC()->Games()->Count() != 2 || ticket.Group()->AllowedApplications()->Count() != 2)
        std::printf("warning: the ticket did not load its nested records\n");
}
