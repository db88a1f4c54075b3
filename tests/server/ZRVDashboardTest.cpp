// The operator's web API on a served database: sign-in and rights, the CSRF token, every
// workstation command reaching a real workstation connection, tickets, accounts, the till from
// opening to closing, HTTPS, and bad input that neither crashes the server nor changes data.

#include "ZRVDashboard.h"
#include "ZRVServerHost.h"

#include "kernel/ZRVServerTestFixture.h"
#include "support/FakePlatform.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QProcess>

using namespace zrvtest;

namespace {

struct TAnswer {
    int Status = 0;
    QJsonObject Body;
    QByteArray Cookie;
    QString Error() const { return Body.value("error").toString(); }
};

class Dashboard : public ::testing::Test {
protected:
    TempRegistry fRegistry;
    QTemporaryDir fDir;
    QString fOutput;
    QTextStream fOut{&fOutput};
    std::unique_ptr<TZRVServerHost> fHost;
    std::unique_ptr<TZRVDashboard> fDashboard;
    std::unique_ptr<QNetworkAccessManager> fNet;
    QString fScheme = "http";
    QByteArray fCsrf;

    void SetUp() override {
        TZRVServeOptions options;
        options.DataBase = fDir.filePath("cafe.db");
        options.LogFile = fDir.filePath("server.lgf");
        options.Port = 0;
        options.DiscoveryPort = 0;
        fHost = std::make_unique<TZRVServerHost>(options, fOut);
        fHost->Start();
        fHost->Server()->GuessThrottle()->SetSettings({.FirstDelayMs = 1});
        TZRVOperatorService service = Service();
        service.CreateGroup(
            {"Gerance",
             "",
             false,
             {"urOpenServer", "urStopSession", "urCloseClientConnection", "urShutdownClientModule",
              "urRebootWorkstation", "urShutdownWorkStation", "urSeeClientApplications", "urGenerateTickets",
              "urCreateAccounts", "urDeleteAccounts", "urSellsView", "urBonus"}});
        service.CreateGroup({"Caisse", "", false, {"urSellsView"}});
        service.CreateAccount({.Name = "gerant", .Password = "secret", .Group = "Gerance"});
        service.CreateAccount({.Name = "caisse1", .Password = "pw1", .Group = "Caisse"});
        service.CreateAccount({.Name = "caisse2", .Password = "pw2", .Group = "Caisse"});
        service.CreateAccount({.Name = "alice", .Password = "pw", .Credit = 600});
        service.CreateAccount({.Name = "parti", .Password = "pw", .Active = false, .Group = "Gerance"});
    }
    void TearDown() override {
        fNet.reset();
        fDashboard.reset();
    }

    TZRVOperatorService Service() { return TZRVOperatorService(fHost->DataBase()); }

    void StartDashboard(TZRVDashboardOptions aOptions = {}) {
        aOptions.Port = 0;
        fDashboard = std::make_unique<TZRVDashboard>(*fHost, aOptions);
        fDashboard->Start();
        fNet = std::make_unique<QNetworkAccessManager>();
        fNet->setAutoDeleteReplies(true);
    }

    TAnswer Call(const QByteArray& aMethod, const QString& aPath, const QJsonObject& aBody = {},
                 const QByteArray& aCsrf = "session") {
        return Send(aMethod, aPath, QJsonDocument(aBody).toJson(), aCsrf);
    }
    TAnswer Send(const QByteArray& aMethod, const QString& aPath, const QByteArray& aBody,
                 const QByteArray& aCsrf = "session") {
        QNetworkRequest request(
            QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(fScheme).arg(fDashboard->Port()).arg(aPath)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        if (!aCsrf.isEmpty())
            request.setRawHeader("X-CSRF-Token", aCsrf == "session" ? fCsrf : aCsrf);
        QNetworkReply* reply =
            aMethod == "GET" ? fNet->get(request) : fNet->sendCustomRequest(request, aMethod, aBody);
        if (fScheme == "https")
            reply->ignoreSslErrors();
        TAnswer answer;
        bool done = false;
        QObject::connect(reply, &QNetworkReply::finished, [&] {
            answer.Status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            answer.Body = QJsonDocument::fromJson(reply->readAll()).object();
            answer.Cookie = reply->rawHeader("Set-Cookie");
            done = true;
        });
        EXPECT_TRUE(WaitUntil([&] { return done; })) << aPath.toStdString();
        return answer;
    }
    TAnswer SignIn(const QString& aName, const QString& aPassword) {
        const TAnswer answer = Call("POST", "/api/session", {{"name", aName}, {"password", aPassword}});
        fCsrf = answer.Body.value("csrf").toString().toLatin1();
        return answer;
    }
    QJsonArray Workstations() {
        return Call("GET", "/api/workstations").Body.value("workstations").toArray();
    }
    std::unique_ptr<Workstation> Join(const QString& aName) {
        auto ws = std::make_unique<Workstation>(quint16(fHost->Server()->ServerPort()), aName);
        EXPECT_TRUE(ws->ConnectReady());
        return ws;
    }
    // Sends raw bytes to the page's port; what the server answers before it closes (or 2 s pass).
    QByteArray Raw(const QByteArray& aBytes) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, fDashboard->Port());
        EXPECT_TRUE(WaitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }));
        socket.write(aBytes);
        QByteArray received;
        QObject::connect(&socket, &QIODevice::readyRead, [&] { received += socket.readAll(); });
        WaitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 2000);
        return received + socket.readAll();
    }
};

TEST(DashboardOptions, HttpTakesOffAPortOrAnAddressAndAPort) {
    struct TCase {
        QString Text;
        bool Enabled;
        QString Address;
        int Port;
    } cases[] = {{"off", false, "127.0.0.1", 8080},
                 {"9000", true, "127.0.0.1", 9000},
                 {"0.0.0.0:8081", true, "0.0.0.0", 8081},
                 {"[::1]:0", true, "::1", 0}};
    for (const TCase& c : cases) {
        TZRVDashboardOptions options;
        options.SetHttp(c.Text);
        EXPECT_EQ(options.Enabled, c.Enabled) << c.Text.toStdString();
        EXPECT_EQ(options.Address.toString(), c.Address) << c.Text.toStdString();
        EXPECT_EQ(options.Port, c.Port) << c.Text.toStdString();
    }
    for (const char* bad : {"", "on", "70000", "-1", "999.1.1.1:80", "host:80x"}) {
        TZRVDashboardOptions options;
        EXPECT_THROW(options.SetHttp(bad), EZRVError) << bad;
    }
}

TEST_F(Dashboard, EmployeesSignInWithTheirPasswordAndTheRightsOfTheirGroup) {
    Service().CreateAccount({.Name = "client", .Password = "pw"});
    StartDashboard();
    struct TCase {
        QString Name, Password;
        int Status;
        QString Error;
    } cases[] = {
        {"gerant", "secret", 200, ""},
        {"GERANT", "SECRET", 200, ""}, // as a workstation login compares them
        {"gerant", "wrong", 401, "Nom ou mot de passe incorrect"},
        {"personne", "secret", 401, "Nom ou mot de passe incorrect"},
        {"parti", "pw", 403, "Ce compte est désactivé"},
        {"client", "pw", 403, "Ce compte n'a aucun droit sur le tableau de bord"},
    };
    for (const TCase& c : cases) {
        const TAnswer answer = SignIn(c.Name, c.Password);
        EXPECT_EQ(answer.Status, c.Status) << c.Name.toStdString();
        EXPECT_EQ(answer.Error(), c.Error) << c.Name.toStdString();
        EXPECT_EQ(answer.Cookie.isEmpty(), c.Status != 200) << c.Name.toStdString();
    }
    // The wrong guesses count in the server's throttle, as wrong workstation logins do.
    EXPECT_EQ(fHost->Server()->GuessThrottle()->Count("127.0.0.1"), 2);

    const TAnswer cashier = SignIn("caisse1", "pw1");
    ASSERT_EQ(cashier.Status, 200);
    EXPECT_TRUE(cashier.Cookie.contains("HttpOnly"));
    EXPECT_TRUE(cashier.Cookie.contains("SameSite=Strict"));
    EXPECT_FALSE(cashier.Cookie.contains("Secure"));
    EXPECT_EQ(cashier.Body.value("rights").toArray(), QJsonArray({"urSellsView"}));
    EXPECT_EQ(cashier.Body.value("name").toString(), "caisse1");
    EXPECT_EQ(fCsrf.size(), 64);
    EXPECT_EQ(Call("GET", "/api/session").Body.value("csrf").toString().toLatin1(), fCsrf);
    // A cashier sees no workstation and makes no ticket.
    EXPECT_EQ(Call("GET", "/api/workstations").Status, 403);
    EXPECT_EQ(Call("POST", "/api/tickets", {{"count", 1}, {"credit", 60}}).Status, 403);
    EXPECT_EQ(Call("POST", "/api/till/open").Status, 200);
}

TEST_F(Dashboard, WrongPasswordsSlowTheNextSignInsOfTheirAddress) {
    fHost->Server()->GuessThrottle()->SetSettings({.FreeFailures = 1, .FirstDelayMs = 150});
    StartDashboard();
    EXPECT_EQ(SignIn("gerant", "wrong").Status, 401);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(SignIn("gerant", "wrong").Status, 401); // free no more: it waits
    EXPECT_GE(clock.elapsed(), 150);
    clock.restart();
    EXPECT_EQ(SignIn("gerant", "secret").Status, 200); // waits twice as long, right or wrong
    EXPECT_GE(clock.elapsed(), 300);
}

TEST_F(Dashboard, AnAddressTakenIsAStartUpErrorAndAccountNamesAreDecoded) {
    StartDashboard();
    TZRVDashboardOptions taken;
    taken.Port = fDashboard->Port();
    EXPECT_THROW(TZRVDashboard(*fHost, taken).Start(), EZRVError);
    Service().CreateAccount({.Name = "Zoé Ngo", .Password = "pw"});
    ASSERT_EQ(SignIn("gerant", "secret").Status, 200);
    const TAnswer deactivated = Call("POST", "/api/accounts/Zo%C3%A9%20Ngo/deactivate");
    EXPECT_EQ(deactivated.Status, 200) << deactivated.Error().toStdString();
    EXPECT_FALSE(Service().FindAccount("Zoé Ngo").Active);
}

TEST_F(Dashboard, ChangesNeedTheSessionAndItsCsrfTokenAndSigningOutEndsTheSession) {
    StartDashboard();
    EXPECT_EQ(Call("GET", "/api/workstations").Status, 401);
    EXPECT_EQ(Call("POST", "/api/till/open").Status, 401);
    ASSERT_EQ(SignIn("caisse1", "pw1").Status, 200);
    for (const QByteArray& token : {QByteArray(), QByteArray("forged"), QByteArray(64, 'a')}) {
        const TAnswer refused = Call("POST", "/api/till/open", {}, token.isEmpty() ? QByteArray() : token);
        EXPECT_EQ(refused.Status, 403) << token.toStdString();
        EXPECT_EQ(refused.Error(), "Jeton CSRF manquant ou invalide");
    }
    EXPECT_EQ(Call("GET", "/api/till").Body.value("open").toBool(), false); // nothing was opened
    EXPECT_EQ(Call("POST", "/api/signout", {}, "forged").Status, 403);
    EXPECT_EQ(Call("POST", "/api/signout").Status, 200);
    EXPECT_EQ(Call("GET", "/api/session").Status, 401);
    EXPECT_EQ(Call("POST", "/api/till/open").Status, 401);
}

TEST_F(Dashboard, EveryCommandReachesTheWorkstation) {
    auto& windows = FakePlatform().FakeWindows();
    TZRVWindowInfo browser;
    browser.Handle = 12;
    browser.Caption = "Navigateur";
    browser.ClassName = "ieframe";
    browser.Visible = true;
    windows.SetWindows({browser});
    const QString code =
        Service().GenerateTickets({.Owner = "gerant", .Credit = 3600, .Sold = true}).value(0);
    StartDashboard();
    ASSERT_EQ(SignIn("gerant", "secret").Status, 200);
    auto ws = Join("PC01");
    auto other = Join("PC02");
    QJsonArray tiles = Workstations();
    ASSERT_EQ(tiles.size(), 2);
    EXPECT_EQ(tiles[0].toObject().value("name").toString(), "PC01");
    EXPECT_EQ(tiles[0].toObject().value("slot").toInt(), 1);
    EXPECT_EQ(tiles[0].toObject().value("address").toString(), "127.0.0.1");
    EXPECT_EQ(tiles[0].toObject().value("state").toString(), "ready");
    EXPECT_EQ(tiles[1].toObject().value("name").toString(), "PC02");

    // A customer logs in with a ticket and opens the session: the tile shows him and his credit.
    ws->User().OpenTicket(code);
    ASSERT_EQ(ws->Outcome("Open"), "Open");
    ws->Session().SetAutoChangeCredit(false);
    ASSERT_TRUE(ws->Session().Open());
    ASSERT_TRUE(
        WaitUntil([&] { return Workstations()[0].toObject().value("state").toString() == "in-session"; }));
    const QJsonObject tile = Workstations()[0].toObject();
    EXPECT_EQ(tile.value("customer").toString(), code);
    EXPECT_EQ(tile.value("creditSeconds").toInt(), 3600);
    EXPECT_TRUE(tile.value("countingDown").toBool());

    struct TCase {
        QString Command;
        QJsonObject Body;
        QString Event;
    } cases[] = {
        {"message", {{"text", "Bonjour PC01"}}, "Info:Bonjour PC01"},
        {"sleep", {}, "QueryCloseClientModule"},
        {"wake", {}, "QueryLaunchClientModule"},
        {"reboot", {}, "QueryRebootWorkStation"},
        {"shutdown", {}, "QueryShutdownWorkStation"},
        {"close-application", {{"handle", 12}}, "Info:Une application a été fermée sur ordre du serveur !"},
        {"close-connection", {}, "Close"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Call("POST", "/api/workstations/1/" + c.Command, c.Body).Status, 200)
            << c.Command.toStdString();
        EXPECT_TRUE(ws->WaitFor(c.Event)) << c.Command.toStdString();
    }
    EXPECT_TRUE(other->Events().filter("Info:").isEmpty()); // the other workstation heard nothing
    EXPECT_FALSE(other->Saw("QueryRebootWorkStation"));

    EXPECT_EQ(Call("POST", "/api/workstations/1/applications").Status, 200);
    ASSERT_TRUE(
        WaitUntil([&] { return !Workstations()[0].toObject().value("applications").toArray().isEmpty(); }));
    EXPECT_EQ(Workstations()[0].toObject().value("applications").toArray()[0],
              QJsonObject({{"name", "Navigateur"}, {"handle", "12"}}));

    // The session closed by the server: the workstation's own session ends.
    other->User().OpenAccount("alice", "pw");
    ASSERT_EQ(other->Outcome("Open"), "Open");
    other->Session().SetAutoChangeCredit(false);
    ASSERT_TRUE(other->Session().Open());
    EXPECT_EQ(Call("POST", "/api/workstations/2/close-session").Status, 200);
    EXPECT_TRUE(WaitUntil([&] { return !other->Session().Openned(); }));

    for (const QString slot : {"3", "0", "x", "999"})
        EXPECT_EQ(Call("POST", "/api/workstations/" + slot + "/reboot").Status, 404) << slot.toStdString();
}

TEST_F(Dashboard, TicketsAreGeneratedSoldAndLookedUp) {
    StartDashboard();
    ASSERT_EQ(SignIn("gerant", "secret").Status, 200);
    const TAnswer made =
        Call("POST", "/api/tickets",
             {{"count", 3}, {"credit", 3600}, {"cost", 500}, {"days", 10}, {"hourFormula", "Default"}});
    ASSERT_EQ(made.Status, 200) << made.Error().toStdString();
    const QJsonArray codes = made.Body.value("codes").toArray();
    ASSERT_EQ(codes.size(), 3);
    const QString code = codes[0].toString();
    TAnswer ticket = Call("GET", "/api/tickets/" + code);
    EXPECT_EQ(ticket.Body.value("credit").toInt(), 3600);
    EXPECT_EQ(ticket.Body.value("cost").toInt(), 500);
    EXPECT_FALSE(ticket.Body.value("sold").toBool());
    EXPECT_EQ(Call("POST", "/api/tickets/" + code + "/sell").Body.value("sold").toBool(), true);
    EXPECT_TRUE(Service().FindTicket(code).Sold);
    EXPECT_EQ(Call("GET", "/api/tickets/NOPE").Status, 422);
    EXPECT_EQ(Call("POST", "/api/tickets", {{"count", 0}, {"credit", 60}}).Status, 400);
    EXPECT_EQ(Call("POST", "/api/tickets", {{"count", 501}, {"credit", 60}}).Status, 400);
    EXPECT_EQ(Call("POST", "/api/tickets", {{"count", 1}, {"credit", 60}, {"hourFormula", "Nuit"}}).Status,
              422);
    EXPECT_EQ(Service().ListTickets().size(), 3u);
}

TEST_F(Dashboard, AccountsAreSearchedCreatedAndDeactivated) {
    StartDashboard();
    ASSERT_EQ(SignIn("gerant", "secret").Status, 200);
    const TAnswer created =
        Call("POST", "/api/accounts",
             {{"name", "bob"}, {"password", "pw"}, {"credit", 1200}, {"firstName", "Bob"}});
    ASSERT_EQ(created.Status, 200) << created.Error().toStdString();
    EXPECT_EQ(created.Body.value("credit").toInt(), 1200);
    EXPECT_EQ(Call("POST", "/api/accounts", {{"name", "bob"}, {"password", "pw"}}).Status, 422);
    const QJsonArray found = Call("GET", "/api/accounts?q=CAISSE").Body.value("accounts").toArray();
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[0].toObject().value("name").toString(), "caisse1");
    EXPECT_EQ(Call("POST", "/api/accounts/bob/deactivate").Body.value("active").toBool(), false);
    EXPECT_FALSE(Service().FindAccount("bob").Active);
    EXPECT_EQ(Call("POST", "/api/accounts/nobody/deactivate").Status, 422);
}

TEST_F(Dashboard, TheTillFromOpeningToClosingWithItsBalance) {
    TZRVOperatorService service = Service();
    const QStringList codes =
        service.GenerateTickets({.Owner = "gerant", .Count = 2, .Credit = 3600, .Cost = 500});
    service.CreateProduct("Soda", 1, 300);
    // Another cashier's till, which the page never touches.
    service.TillOpen("caisse2");
    service.TillSellTicket("caisse2", codes[1]);
    StartDashboard();
    ASSERT_EQ(SignIn("caisse1", "pw1").Status, 200);
    EXPECT_FALSE(Call("GET", "/api/till").Body.value("open").toBool());
    EXPECT_EQ(Call("POST", "/api/till/sell-ticket", {{"code", codes[0]}}).Status, 422); // no till open yet
    const TAnswer opened = Call("POST", "/api/till/open");
    ASSERT_EQ(opened.Status, 200) << opened.Error().toStdString();
    EXPECT_EQ(opened.Body.value("cashier").toString(), "caisse1");

    // Naming the other cashier changes nothing: the till is always the signed-in one's.
    EXPECT_EQ(Call("POST", "/api/till/sell-ticket", {{"code", codes[0]}, {"cashier", "caisse2"}}).Status,
              200);
    EXPECT_TRUE(service.FindTicket(codes[0]).Sold);
    const TAnswer basket =
        Call("POST", "/api/till/sell-products",
             {{"basket", QJsonArray{QJsonObject{{"product", "Soda"}, {"quantity", 2}}}}, {"discount", 100}});
    EXPECT_EQ(basket.Body.value("total").toInt(), 500);
    const TAnswer credit =
        Call("POST", "/api/till/add-credit", {{"account", "alice"}, {"seconds", 1800}, {"cost", 1000}});
    EXPECT_EQ(credit.Body.value("credit").toInt(), 2400);
    const TAnswer bonus = Call("POST", "/api/till/bonus", {{"account", "alice"}, {"seconds", 60}});
    EXPECT_EQ(bonus.Status, 422); // the group holds no urBonus
    EXPECT_EQ(
        Call("POST", "/api/till/add-credit", {{"account", "alice"}, {"ticket", "x"}, {"seconds", 1}}).Status,
        400);

    EXPECT_EQ(Call("GET", "/api/till").Body.value("balance").toInt(), 2000);
    EXPECT_EQ(Call("GET", "/api/till/operations").Body.value("operations").toArray().size(), 3);
    const TAnswer closed = Call("POST", "/api/till/close");
    ASSERT_EQ(closed.Status, 200);
    EXPECT_EQ(closed.Body.value("balance").toInt(), 2000);
    EXPECT_EQ(closed.Body.value("operations").toArray().size(), 3);
    EXPECT_FALSE(Call("GET", "/api/till").Body.value("open").toBool());
    EXPECT_EQ(Call("POST", "/api/till/close").Status, 422);
    EXPECT_EQ(service.TillResume("caisse2").Balance, 500);
}

TEST_F(Dashboard, BadInputNeitherCrashesTheServerNorChangesData) {
    StartDashboard();
    ASSERT_EQ(SignIn("gerant", "secret").Status, 200);
    const auto accounts = Service().ListAccounts().size();
    // Bodies that are not what the route takes.
    const std::pair<QString, QByteArray> bodies[] = {
        {"/api/accounts", "{not json"},
        {"/api/accounts", "[1, 2]"},
        {"/api/accounts", R"({"name": 12, "password": "x"})"},
        {"/api/accounts", R"({"name": "x", "password": "x", "credit": -5})"},
        {"/api/accounts", R"({"name": "x", "password": "x", "credit": 1.5})"},
        {"/api/tickets", R"({"count": "3", "credit": 60})"},
        {"/api/till/sell-products", R"({"basket": "Soda"})"},
        {"/api/till/sell-products", R"({"basket": [7]})"},
        {"/api/workstations/1/message", R"({"text": ")" + QByteArray(600, 'a') + "\"}"},
    };
    for (const auto& [path, body] : bodies) {
        const int status = Send("POST", path, body).Status;
        EXPECT_TRUE(status == 400 || status == 404)
            << path.toStdString() << " " << body.toStdString() << " " << status;
    }
    EXPECT_EQ(Call("GET", "/api/nothing").Status, 404);
    EXPECT_EQ(Call("GET", "/api/accounts/x/deactivate").Status, 405);
    EXPECT_EQ(Call("GET", "/../../etc/passwd").Status, 404);

    // What the HTTP layer would hold in memory is refused before it is read.
    const QByteArray head = "POST /api/session HTTP/1.1\r\nHost: x\r\n";
    EXPECT_TRUE(
        Raw(head + "Content-Length: 1000000000\r\n\r\n" + QByteArray(4096, 'x')).startsWith("HTTP/1.1 413"));
    EXPECT_TRUE(Raw(head + "Transfer-Encoding: chunked\r\n\r\n10\r\n").startsWith("HTTP/1.1 411"));
    EXPECT_TRUE(Raw(head + "Content-Length: 5\r\nContent-Length: 9\r\n\r\n").startsWith("HTTP/1.1 400"));
    EXPECT_TRUE(Raw(head + "X-Pad: " + QByteArray(20000, 'p')).startsWith("HTTP/1.1 431"));
    // A second request of a kept-alive connection is weighed as well.
    const QByteArray small = head + "Content-Length: 2\r\n\r\n{}";
    EXPECT_TRUE(Raw(small + head + "Content-Length: 99999999\r\n\r\n").contains("HTTP/1.1 413"));
    // What the HTTP layer cannot parse ends the connection at once.
    for (const QByteArray& garbage : {QByteArray("NOT HTTP AT ALL\r\n\r\n"), QByteArray(1000, '\0')}) {
        QElapsedTimer clock;
        clock.start();
        Raw(garbage);
        EXPECT_LT(clock.elapsed(), 1500) << garbage.left(10).toStdString();
    }

    EXPECT_EQ(SignIn("gerant", "secret").Status, 200); // still serving
    EXPECT_EQ(Service().ListAccounts().size(), accounts);
}

TEST_F(Dashboard, ServesOverHttpsWithACertificateAndASecureCookie) {
    const QString cert = fDir.filePath("cert.pem");
    const QString key = fDir.filePath("key.pem");
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                              "/CN=127.0.0.1", "-keyout", key, "-out", cert});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0)
        GTEST_SKIP() << "openssl cannot make a self-signed certificate here";
    TZRVDashboardOptions options;
    options.CertFile = cert;
    options.KeyFile = key;
    StartDashboard(options);
    EXPECT_TRUE(fDashboard->Url().startsWith("https://127.0.0.1:"));
    fScheme = "https";
    const TAnswer answer = SignIn("gerant", "secret");
    ASSERT_EQ(answer.Status, 200);
    EXPECT_TRUE(answer.Cookie.contains("Secure"));
    EXPECT_EQ(Call("GET", "/api/workstations").Status, 200);

    options.KeyFile = fDir.filePath("missing.pem");
    EXPECT_THROW(TZRVDashboard(*fHost, options).Start(), EZRVError);
}

} // namespace
