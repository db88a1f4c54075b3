// The operator's command line of zrv2server, run in-process on a database in a temporary folder and
// on a PostgreSQL database.

#include "ZRVServerCommands.h"

#include "ZRVDataBase.h"
#include "ZRVUserTicket.h"

#include "support/TempDirs.h"
#include "support/TestDataBases.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

struct TResult {
    int Code;
    QString Out;
    QString Err;
};

class ServerCommands : public zrvtest::BothEngines {
protected:
    void SetUp() override {
        BothEngines::SetUp();
        fDataBase = fDbName;
    }

    zrvtest::TempRegistry fRegistry;
    QString fDataBase;

    // Runs "zrv2server <words>" on the test's database.
    TResult Run(const QStringList& aWords, bool aWithDataBase = true) {
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        QStringList line = QStringList{"zrv2server"} + aWords;
        if (aWithDataBase)
            line << "--database" << fDataBase;
        const int code = ZRVServerMain(line, outStream, errStream);
        outStream.flush();
        errStream.flush();
        return {code, out, err};
    }
    // Runs a command that must succeed and returns its output.
    QString Ok(const QStringList& aWords) {
        const TResult r = Run(aWords);
        EXPECT_EQ(r.Code, 0) << aWords.join(' ').toStdString() << ": " << r.Err.toStdString();
        return r.Out;
    }
    std::unique_ptr<TZRVUserTicket> Ticket(const QString& aCode) {
        TZRVDataBase db;
        db.SetDBName(fDataBase);
        db.Open();
        return db.ReadTicket(uint32_t(db.TicketExists(aCode)));
    }
};

TEST_P(ServerCommands, HelpExplainsEveryCommand) {
    const TResult general = Run({"--help"}, false);
    EXPECT_EQ(general.Code, 0);
    const QStringList commands = {"serve",
                                  "account create",
                                  "account list",
                                  "account deactivate",
                                  "account reactivate",
                                  "group create",
                                  "group list",
                                  "hourformula create",
                                  "hourformula list",
                                  "ticket generate",
                                  "ticket sell",
                                  "ticket show",
                                  "ticket list",
                                  "product create",
                                  "product list",
                                  "till open",
                                  "till close",
                                  "till sell-ticket",
                                  "till sell-products",
                                  "till add-credit",
                                  "till bonus",
                                  "till balance",
                                  "till operations",
                                  "clean"};
    for (const QString& command : commands) {
        EXPECT_TRUE(general.Out.contains("  " + command + " ")) << command.toStdString();
        const TResult help = Run(command.split(' ') + QStringList{"--help"}, false);
        EXPECT_EQ(help.Code, 0) << command.toStdString();
        EXPECT_TRUE(help.Out.startsWith("Usage: zrv2server " + command + " [options]"))
            << help.Out.toStdString();
        EXPECT_TRUE(help.Out.contains("--database <file>")) << command.toStdString();
    }
    EXPECT_TRUE(Run({"ticket", "generate", "--help"}, false).Out.contains("--owner <account>"));
}

TEST_P(ServerCommands, UsageErrors) {
    const struct {
        QStringList Words;
        const char* Err;
    } cases[] = {
        {{}, "Usage: zrv2server <command>"},
        {{"bogus"}, "unknown command \"bogus\""},
        {{"ticket"}, "unknown command \"ticket\""},
        {{"ticket", "sell"}, "wrong number of arguments"},
        {{"account", "list", "--colour"}, "Unknown option 'colour'"},
    };
    for (const auto& c : cases) {
        const TResult r = Run(c.Words, false);
        EXPECT_EQ(r.Code, 2) << c.Err;
        EXPECT_TRUE(r.Err.contains(c.Err)) << r.Err.toStdString();
    }
}

TEST_P(ServerCommands, AccountsAndGroups) {
    EXPECT_EQ(Ok({"group", "create", "VIP", "--description", "Habitués"}).trimmed(), "Group 2 created: VIP");
    EXPECT_EQ(Ok({"account", "create", "gerant", "--password", "secret"}).trimmed(),
              "Account 1 created: gerant");
    EXPECT_EQ(
        Ok({"account", "create", "awa", "--password", "pw", "--credit", "5400", "--group", "VIP"}).trimmed(),
        "Account 2 created: awa");
    const struct {
        QStringList Words;
        const char* Err;
    } refused[] = {
        {{"account", "create", "awa", "--password", "x"}, "exists already"},
        {{"account", "create", "ben"}, "--password is required"},
        {{"account", "create", "ben", "--password", "x", "--credit", "beaucoup"},
         "--credit takes a whole number"},
        {{"account", "create", "ben", "--password", "x", "--group", "Nobody"}, "no group named \"Nobody\""},
        {{"group", "create", "VIP"}, "could not be created"},
    };
    for (const auto& c : refused) {
        const TResult r = Run(c.Words);
        EXPECT_EQ(r.Code, 1) << c.Err;
        EXPECT_TRUE(r.Err.contains(c.Err)) << r.Err.toStdString();
    }
    const QString accounts = Ok({"account", "list"});
    EXPECT_TRUE(accounts.contains(QRegularExpression("2 +awa +yes +01h30m00s +VIP")))
        << accounts.toStdString();
    EXPECT_FALSE(accounts.contains("ben"));
    EXPECT_EQ(Ok({"account", "deactivate", "awa"}).trimmed(), "Account awa deactivated");
    EXPECT_TRUE(Ok({"account", "list"}).contains(QRegularExpression("2 +awa +no +01h30m00s")));
    EXPECT_EQ(Ok({"account", "reactivate", "awa"}).trimmed(), "Account awa reactivated");
    EXPECT_EQ(Run({"account", "deactivate", "ben"}).Code, 1);
    EXPECT_TRUE(Ok({"group", "list"}).contains(QRegularExpression("2 +VIP +no +Habitués")));
}

TEST_P(ServerCommands, TicketsFromGenerationToSale) {
    Ok({"account", "create", "gerant", "--password", "secret"});
    Ok({"hourformula", "create", "Soir", "--start-day", "1", "--start-hour", "18", "--end-day", "5",
        "--end-hour", "23"});
    EXPECT_TRUE(Ok({"hourformula", "list"}).contains(QRegularExpression("Soir +Mon 18h - Fri 23h")));
    EXPECT_EQ(Run({"hourformula", "create", "Bad", "--start-day", "8"}).Code, 1);

    const QStringList codes = Ok({"ticket", "generate", "--owner", "gerant", "--count", "3", "--credit",
                                  "5400", "--hourformula", "Soir", "--style", "upper", "--length", "10"})
                                  .split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(codes.size(), 3);
    for (const QString& code : codes) {
        EXPECT_EQ(code.size(), 10);
        const auto ticket = Ticket(code);
        ASSERT_TRUE(ticket) << code.toStdString();
        EXPECT_FALSE(ticket->Active());
        EXPECT_EQ(ticket->Credit(), 5400u);
        EXPECT_EQ(ticket->HourFormulaName(), "Soir");
    }

    EXPECT_EQ(Ok({"ticket", "sell", codes[0]}).trimmed(), "Ticket " + codes[0] + " sold");
    EXPECT_TRUE(Ticket(codes[0])->Active());
    EXPECT_EQ(Ticket(codes[0])->ActivationDate(), Date()); // sold today, as the till sells
    EXPECT_FALSE(Ticket(codes[1])->Active());
    const TResult again = Run({"ticket", "sell", codes[0]});
    EXPECT_EQ(again.Code, 1);
    EXPECT_TRUE(again.Err.contains("sold already"));

    const QString shown = Ok({"ticket", "show", codes[0]});
    EXPECT_TRUE(shown.contains(QRegularExpression("Credit: +01h30m00s")));
    EXPECT_TRUE(shown.contains(QRegularExpression("Sold: +yes")));
    EXPECT_TRUE(shown.contains("Soir (Mon 18h - Fri 23h)"));
    EXPECT_EQ(Ok({"ticket", "list"}).count("01h30m00s"), 3);

    const QStringList sold =
        Ok({"ticket", "generate", "--owner", "gerant", "--sold"}).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(sold.size(), 1);
    EXPECT_TRUE(Ticket(sold[0])->Active());

    const struct {
        QStringList Words;
        const char* Err;
    } refused[] = {
        {{"ticket", "generate"}, "--owner is required"},
        {{"ticket", "generate", "--owner", "nobody"}, "no account named \"nobody\""},
        {{"ticket", "generate", "--owner", "gerant", "--hourformula", "Jamais"}, "no hour formula named"},
        {{"ticket", "generate", "--owner", "gerant", "--style", "roman"}, "--style is numeric"},
        {{"ticket", "show", "NOPE"}, "There is no ticket \"NOPE\""},
    };
    for (const auto& c : refused) {
        const TResult r = Run(c.Words);
        EXPECT_EQ(r.Code, 1) << c.Err;
        EXPECT_TRUE(r.Err.contains(c.Err)) << r.Err.toStdString();
    }
}

TEST_P(ServerCommands, TheTillFromOpeningToClosing) {
    Ok({"group", "create", "Caisse", "--right", "urSellsView", "--right", "urBonus"});
    Ok({"account", "create", "caissier", "--password", "pw", "--group", "Caisse"});
    Ok({"account", "create", "awa", "--password", "pw", "--credit", "600"});
    Ok({"product", "create", "Coca", "--cost", "300"});
    Ok({"product", "create", "Chips", "--cost", "150"});
    EXPECT_TRUE(Ok({"product", "list"}).contains(QRegularExpression("2 +Chips +1 +150")));
    const QStringList codes =
        Ok({"ticket", "generate", "--owner", "caissier", "--count", "2", "--cost", "500"})
            .split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(codes.size(), 2);

    EXPECT_EQ(Ok({"till", "open", "caissier"}).trimmed(), "Till 1 opened for caissier");
    const struct {
        QStringList Words;
        QString Out;
    } steps[] = {
        {{"till", "sell-ticket", "caissier", codes[0]}, "Ticket " + codes[0] + " sold for 500 F"},
        {{"till", "sell-products", "caissier", "--product", "Coca:2", "--product", "Chips", "--discount",
          "50"},
         "2 products sold for 700 F"},
        {{"till", "add-credit", "caissier", "--account", "awa", "--seconds", "1800", "--cost", "200"},
         "Added 00h30m00s to account awa for 200 F; its credit is now 00h40m00s"},
        {{"till", "bonus", "caissier", "--ticket", codes[1], "--seconds", "600"},
         "Gave 00h10m00s to ticket " + codes[1] + " as a bonus; its credit is now 01h10m00s"},
    };
    for (const auto& step : steps)
        EXPECT_EQ(Ok(step.Words).trimmed(), step.Out);
    EXPECT_TRUE(Ticket(codes[0])->Active());
    EXPECT_EQ(Ticket(codes[1])->Credit(), 4200u);
    EXPECT_TRUE(Ok({"till", "balance", "caissier"}).contains("balance 1400 F"));
    const QString operations = Ok({"till", "operations", "caissier"});
    for (const char* line : {" 1 +0001 +500 F +Ticket N°1", " 2 +0201 +700 F +Commande de produits",
                             " 3 +0101 +200 F +Ajout de crédit au compte N°2"})
        EXPECT_TRUE(operations.contains(QRegularExpression(line))) << line << "\n"
                                                                   << operations.toStdString();
    EXPECT_EQ(operations.count('\n'), 4); // the bonus is not money
    EXPECT_EQ(Ok({"till", "close", "caissier"}).trimmed(), "Till 1 closed, balance 1400 F");

    const struct {
        QStringList Words;
        const char* Err;
    } refused[] = {
        {{"till", "balance", "caissier"}, "caissier has no open till"},
        {{"till", "open", "awa"}, "You are not allowed to open sells view"},
        {{"till", "open", "nobody"}, "no account named \"nobody\""},
        {{"group", "create", "Bad", "--right", "urEverything"}, "no right named \"urEverything\""},
    };
    for (const auto& c : refused) {
        const TResult r = Run(c.Words);
        EXPECT_EQ(r.Code, 1) << c.Err;
        EXPECT_TRUE(r.Err.contains(c.Err)) << r.Err.toStdString();
    }
}

TEST_P(ServerCommands, TheTillRefusesHalfDoneWork) {
    Ok({"group", "create", "Caisse", "--right", "urSellsView"});
    Ok({"account", "create", "caissier", "--password", "pw", "--group", "Caisse"});
    const QString code = Ok({"ticket", "generate", "--owner", "caissier"}).trimmed();
    Ok({"till", "open", "caissier"});
    const struct {
        QStringList Words;
        const char* Err;
    } refused[] = {
        {{"till", "sell-ticket", "caissier", "NOPE"}, "There is no ticket \"NOPE\""},
        {{"till", "sell-products", "caissier"}, "--product is required"},
        {{"till", "sell-products", "caissier", "--product", "Caviar"}, "no product named \"Caviar\""},
        {{"till", "sell-products", "caissier", "--product", "Caviar:lots"}, "--product takes a whole number"},
        {{"till", "add-credit", "caissier", "--seconds", "60"}, "Name either --account or --ticket"},
        {{"till", "add-credit", "caissier", "--account", "caissier", "--ticket", code, "--seconds", "60"},
         "Name either --account or --ticket"},
        {{"till", "bonus", "caissier", "--ticket", code}, "--seconds takes a whole number"},
        {{"till", "add-credit", "caissier", "--account", "nobody", "--seconds", "60"}, "no account named"},
    };
    for (const auto& c : refused) {
        const TResult r = Run(c.Words);
        EXPECT_EQ(r.Code, 1) << c.Err;
        EXPECT_TRUE(r.Err.contains(c.Err)) << r.Err.toStdString();
    }
    EXPECT_EQ(Ticket(code)->Credit(), 3600u);
    EXPECT_TRUE(Ok({"till", "balance", "caissier"}).contains("balance 0 F"));
}

TEST_P(ServerCommands, CleanRemovesWhatTheSettingsSay) {
    Ok({"account", "create", "gerant", "--password", "pw"});
    const QStringList codes =
        Ok({"ticket", "generate", "--owner", "gerant", "--count", "2"}).split('\n', Qt::SkipEmptyParts);
    {
        TZRVDataBase db;
        db.SetDBName(fDataBase);
        ASSERT_TRUE(db.Open());
        ASSERT_TRUE(db.DeleteTicket(uint32_t(db.TicketExists(codes[0])), true));
    }
    EXPECT_EQ(Ok({"clean"}).trimmed(), "Cleaning done: rows deleted or marked deleted: 1");
    EXPECT_FALSE(Ticket(codes[0]));
    EXPECT_TRUE(Ticket(codes[1]));
}

TEST_P(ServerCommands, DataBaseDefaultsToTheDataFolder) {
    zrvtest::TempDataDir data;
    EXPECT_EQ(ZRVDataFolder(), data.Path());
    EXPECT_EQ(ZRVDefaultDataBase(), data.File("zrv2server.db"));
    EXPECT_EQ(Run({"group", "list"}, false).Code, 0);
    EXPECT_TRUE(QFile::exists(data.File("zrv2server.db")));
}

ZRV_ON_BOTH_ENGINES(ServerCommands);

} // namespace
