// The operator's service on a database file in a temporary folder: a batch of tickets made in one
// transaction against the same tickets added one by one, and the ticket list (one read per ticket,
// with its group and machine) against one bare selection of the same rows.
#include "Bench.h"
#include "ZRVOperatorService.h"

#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int c_Tickets = 2000;

// A database with the owner of the tickets; false when it cannot be made.
bool NewCafe(TZRVDataBase& aDb, const QString& aFile) {
    aDb.SetDBName(aFile);
    try {
        aDb.Open();
        TZRVOperatorService(aDb).CreateAccount(
            {.Name = QStringLiteral("caissier"), .Password = QStringLiteral("pw")});
        return true;
    } catch (const EZRVError& e) {
        std::printf("%s\n", qPrintable(e.Message()));
        return false;
    }
}

} // namespace

ZRV_BENCHMARK(operator_tickets) {
    QTemporaryDir dir;
    TZRVDataBase batch;
    TZRVDataBase single;
    if (!NewCafe(batch, dir.filePath(QStringLiteral("batch.db"))) ||
        !NewCafe(single, dir.filePath(QStringLiteral("single.db"))))
        return;
    TZRVOperatorService batchService(batch);
    TZRVOperatorService singleService(single);
    const double batched = zrvbench::SecondsPerCall(
        1, [&] { batchService.GenerateTickets({.Owner = QStringLiteral("caissier"), .Count = c_Tickets}); });
    const double oneByOne = zrvbench::SecondsPerCall(
        c_Tickets, [&] { singleService.GenerateTickets({.Owner = QStringLiteral("caissier"), .Count = 1}); });
    zrvbench::PrintRatio("2000 tickets, one batch", batched, "2000 batches of one", oneByOne * c_Tickets);

    const double listed = zrvbench::SecondsPerCall(3, [&] { batchService.ListTickets(); });
    const double bare = zrvbench::SecondsPerCall(3, [&] {
        QSqlQuery q = batch.OpenQuery(QStringLiteral("SELECT * FROM rqtTickets ORDER BY Ticket_ID"));
        while (q.next())
            q.value(0);
    });
    zrvbench::PrintRatio("list 2000 tickets", listed, "one bare selection", bare);
}
