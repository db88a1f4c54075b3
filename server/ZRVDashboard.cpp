#include "ZRVDashboard.h"

#include "ZRVDashboardRoutes.h"
#include "ZRVDashboardWorkstations.h"
#include "ZRVServerHost.h"
#include "ZRVUserAccount.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <QSslKey>

#include <cmath>

namespace {

const QByteArray c_Cookie = QByteArrayLiteral("zrv_session");
constexpr int c_MaxSessions = 256;

// The page's files, built into the program: path, resource, type.
struct TFile {
    const char* Path;
    const char* Resource;
    const char* Type;
};
const TFile c_Files[] = {
    {"/", ":/dashboard/index.html", "text/html; charset=utf-8"},
    {"/dashboard.css", ":/dashboard/dashboard.css", "text/css; charset=utf-8"},
    {"/dashboard.js", ":/dashboard/dashboard.js", "text/javascript; charset=utf-8"},
};

QByteArray RandomToken() {
    quint64 bits[4];
    QRandomGenerator::system()->fillRange(bits);
    return QByteArray(reinterpret_cast<const char*>(bits), sizeof bits).toHex();
}

// Compares in a time that does not depend on where the tokens differ.
bool SameToken(const QByteArray& aA, const QByteArray& aB) {
    if (aA.isEmpty() || aA.size() != aB.size())
        return false;
    char diff = 0;
    for (qsizetype i = 0; i < aA.size(); ++i)
        diff = char(diff | (aA[i] ^ aB[i]));
    return diff == 0;
}

QByteArray MethodName(QHttpServerRequest::Method aMethod) {
    switch (aMethod) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Post:
        return "POST";
    default:
        return "OTHER";
    }
}

QByteArray CookieValue(const QByteArray& aHeader, const QByteArray& aName) {
    for (const QByteArray& part : aHeader.split(';')) {
        const QByteArray item = part.trimmed();
        if (item.startsWith(aName + '='))
            return item.mid(aName.size() + 1);
    }
    return {};
}

QString PeerAddress(const QTcpSocket* aSocket) {
    bool ipv4 = false;
    const quint32 address = aSocket->peerAddress().toIPv4Address(&ipv4);
    return ipv4 ? QHostAddress(address).toString() : aSocket->peerAddress().toString();
}

// The route whose pattern matches aPath, with the open parts; whether the path matched any pattern.
const TZRVDashboardRoute* MatchRoute(const QByteArray& aMethod, const QString& aPath, QStringList& aParams,
                                     bool& aPathKnown) {
    const QStringList parts = aPath.split(u'/');
    aPathKnown = false;
    for (const TZRVDashboardRoute& route : ZRVDashboardRoutes()) {
        const QStringList pattern = route.Pattern.split(u'/');
        if (pattern.size() != parts.size())
            continue;
        QStringList params;
        bool match = true;
        for (qsizetype i = 0; match && i < parts.size(); ++i) {
            if (pattern[i] == u'*')
                params << parts[i];
            else
                match = pattern[i] == parts[i];
        }
        if (!match)
            continue;
        aPathKnown = true;
        if (route.Method == aMethod) {
            aParams = params;
            return &route;
        }
    }
    return nullptr;
}

QSslConfiguration LoadTls(const QString& aCertFile, const QString& aKeyFile) {
    QFile cert(aCertFile);
    QFile key(aKeyFile);
    if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
        throw EZRVError(
            QStringLiteral("Unable to read the certificate %1 or the key %2").arg(aCertFile, aKeyFile));
    const QList<QSslCertificate> chain = QSslCertificate::fromData(cert.readAll(), QSsl::Pem);
    const QByteArray keyPem = key.readAll();
    QSslKey privateKey(keyPem, QSsl::Rsa, QSsl::Pem);
    if (privateKey.isNull())
        privateKey = QSslKey(keyPem, QSsl::Ec, QSsl::Pem);
    if (chain.isEmpty() || privateKey.isNull())
        throw EZRVError(QStringLiteral("The certificate %1 or the key %2 is not a PEM certificate and key")
                            .arg(aCertFile, aKeyFile));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(privateKey);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Options and request bodies

void TZRVDashboardOptions::SetHttp(const QString& aText) {
    Enabled = aText != QLatin1String("off");
    if (!Enabled)
        return;
    const qsizetype colon = aText.lastIndexOf(u':');
    QString host = colon < 0 ? QString() : aText.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2); // [IPv6]:PORT
    bool ok = false;
    const int port = aText.mid(colon + 1).toInt(&ok);
    QHostAddress address(host);
    if (!ok || port < 0 || port > 65535 || (!host.isEmpty() && address.isNull()))
        throw EZRVError(QStringLiteral("--http takes off, PORT or ADDRESS:PORT, not \"%1\"").arg(aText));
    if (!host.isEmpty())
        Address = address;
    Port = port;
}

TZRVJsonBody::TZRVJsonBody(const QByteArray& aBody) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(aBody, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw EZRVHttpError{400, QStringLiteral("La requête n'est pas un objet JSON valide")};
    fObject = document.object();
}

TZRVJsonBody TZRVJsonBody::Of(const QJsonValue& aItem) {
    if (!aItem.isObject())
        throw EZRVHttpError{400, QStringLiteral("Un élément de la liste n'est pas un objet")};
    TZRVJsonBody body;
    body.fObject = aItem.toObject();
    return body;
}

QString TZRVJsonBody::Text(const QString& aName, int aMaxLength, bool aRequired) const {
    const QJsonValue value = fObject.value(aName);
    if (!value.isUndefined() && !value.isString())
        throw EZRVHttpError{400, QStringLiteral("Le champ « %1 » doit être un texte").arg(aName)};
    const QString text = value.toString().trimmed();
    if (text.size() > aMaxLength)
        throw EZRVHttpError{
            400, QStringLiteral("Le champ « %1 » dépasse %2 caractères").arg(aName).arg(aMaxLength)};
    if (aRequired && text.isEmpty())
        throw EZRVHttpError{400, QStringLiteral("Le champ « %1 » est obligatoire").arg(aName)};
    return text;
}

int TZRVJsonBody::Number(const QString& aName, int aMin, int aMax, std::optional<int> aDefault) const {
    const QJsonValue value = fObject.value(aName);
    if (value.isUndefined() && aDefault)
        return *aDefault;
    const double number = value.toDouble(std::nan(""));
    if (!value.isDouble() || std::floor(number) != number || number < aMin || number > aMax)
        throw EZRVHttpError{400, QStringLiteral("Le champ « %1 » doit être un nombre entier de %2 à %3")
                                     .arg(aName)
                                     .arg(aMin)
                                     .arg(aMax)};
    return int(number);
}

bool TZRVJsonBody::Flag(const QString& aName) const {
    const QJsonValue value = fObject.value(aName);
    if (!value.isUndefined() && !value.isBool())
        throw EZRVHttpError{400, QStringLiteral("Le champ « %1 » doit valoir true ou false").arg(aName)};
    return value.toBool();
}

QJsonArray TZRVJsonBody::Array(const QString& aName, int aMaxCount) const {
    const QJsonValue value = fObject.value(aName);
    if (!value.isArray() || value.toArray().size() > aMaxCount)
        throw EZRVHttpError{400, QStringLiteral("Le champ « %1 » doit être une liste de %2 éléments au plus")
                                     .arg(aName)
                                     .arg(aMaxCount)};
    return value.toArray();
}

// ---------------------------------------------------------------------------------------------
// The server

const std::vector<std::pair<TZRVUserRight, QString>>& TZRVDashboard::KnownRights() {
    static const std::vector<std::pair<TZRVUserRight, QString>> rights = {
        {urOpenServer, "urOpenServer"},
        {urStopSession, "urStopSession"},
        {urCloseClientConnection, "urCloseClientConnection"},
        {urShutdownClientModule, "urShutdownClientModule"},
        {urRebootWorkstation, "urRebootWorkstation"},
        {urShutdownWorkStation, "urShutdownWorkStation"},
        {urSeeClientApplications, "urSeeClientApplications"},
        {urGenerateTickets, "urGenerateTickets"},
        {urCreateAccounts, "urCreateAccounts"},
        {urDeleteAccounts, "urDeleteAccounts"},
        {urSellsView, "urSellsView"},
        {urBonus, "urBonus"},
    };
    return rights;
}

TZRVDashboard::TZRVDashboard(TZRVServerHost& aHost, TZRVDashboardOptions aOptions, QObject* aOwner)
    : QAbstractHttpServer(aOwner), fHost(aHost), fOptions(std::move(aOptions)),
      fView(std::make_unique<TZRVPlainListView>()) {
    fClock.start();
}

TZRVDashboard::~TZRVDashboard() = default;

void TZRVDashboard::Start() {
    std::optional<QSslConfiguration> tls;
    if (!fOptions.CertFile.isEmpty() || !fOptions.KeyFile.isEmpty())
        tls = LoadTls(fOptions.CertFile, fOptions.KeyFile);
    fSecure = tls.has_value();
    fListener = ZRVListenHttp(fOptions.Address, quint16(fOptions.Port), fOptions.Limits,
                              tls ? &*tls : nullptr, nullptr);
    bind(fListener);
}

quint16 TZRVDashboard::Port() const {
    return fListener ? fListener->serverPort() : 0;
}

QString TZRVDashboard::Url() const {
    QString host = fOptions.Address.toString();
    if (fOptions.Address.protocol() == QAbstractSocket::IPv6Protocol)
        host = u'[' + host + u']';
    return QStringLiteral("%1://%2:%3/").arg(fSecure ? "https" : "http", host).arg(Port());
}

TZRVServerConnection& TZRVDashboard::Server() {
    return *fHost.Server();
}

bool TZRVDashboard::handleRequest(const QHttpServerRequest& aRequest, QTcpSocket* aSocket) {
    auto call = std::make_shared<TZRVHttpCall>();
    call->Method = MethodName(aRequest.method());
    call->Path = aRequest.url().path(QUrl::FullyDecoded);
    call->Query = QUrlQuery(aRequest.url());
    call->Body = aRequest.body();
    call->Address = PeerAddress(aSocket);
    call->SessionToken = CookieValue(aRequest.value("cookie"), c_Cookie);
    call->CsrfToken = aRequest.value("x-csrf-token");
    call->Socket = aSocket;
    call->Request = &aRequest;
    if (!ServeFile(call))
        Route(call);
    return true;
}

void TZRVDashboard::missingHandler(const QHttpServerRequest& aRequest, QTcpSocket* aSocket) {
    auto call = std::make_shared<TZRVHttpCall>();
    call->Socket = aSocket;
    call->Request = &aRequest;
    Fail(call, 404, QStringLiteral("Page introuvable"));
}

bool TZRVDashboard::ServeFile(const TZRVHttpCallPtr& aCall) {
    if (aCall->Method != "GET")
        return false;
    for (const TFile& file : c_Files) {
        if (aCall->Path != QLatin1String(file.Path))
            continue;
        QFile resource(QString::fromLatin1(file.Resource));
        if (!resource.open(QIODevice::ReadOnly))
            return false;
        Write(aCall, 200, file.Type, resource.readAll(), {});
        return true;
    }
    return false;
}

void TZRVDashboard::Route(const TZRVHttpCallPtr& aCall) {
    bool pathKnown = false;
    const TZRVDashboardRoute* route = MatchRoute(aCall->Method, aCall->Path, aCall->Params, pathKnown);
    if (!route)
        return pathKnown ? Fail(aCall, 405, QStringLiteral("Méthode non permise"))
                         : Fail(aCall, 404, QStringLiteral("Page introuvable"));
    if (!route->Public) {
        const TZRVDashboardSession* session = FindSession(aCall->SessionToken);
        if (!session)
            return Fail(aCall, 401, QStringLiteral("Veuillez vous connecter"));
        if (aCall->Method != "GET" && !SameToken(aCall->CsrfToken, session->Csrf))
            return Fail(aCall, 403, QStringLiteral("Jeton CSRF manquant ou invalide"));
        if (route->Right != urNone && !session->Rights.Contains(route->Right))
            return Fail(aCall, 403, QStringLiteral("Votre groupe n'a pas le droit de faire cela"));
        aCall->Session = *session;
    }
    try {
        route->Run(*this, aCall);
    } catch (const EZRVHttpError& e) {
        Fail(aCall, e.Status, e.Message);
    }
}

void TZRVDashboard::Reply(const TZRVHttpCallPtr& aCall, int aStatus, const QJsonObject& aBody,
                          const QList<std::pair<QByteArray, QByteArray>>& aHeaders) {
    Write(aCall, aStatus, "application/json", QJsonDocument(aBody).toJson(QJsonDocument::Compact), aHeaders);
}

void TZRVDashboard::Fail(const TZRVHttpCallPtr& aCall, int aStatus, const QString& aMessage) {
    Reply(aCall, aStatus, QJsonObject{{"error", aMessage}});
}

void TZRVDashboard::Write(const TZRVHttpCallPtr& aCall, int aStatus, const QByteArray& aType,
                          const QByteArray& aBody, const QList<std::pair<QByteArray, QByteArray>>& aHeaders) {
    if (!aCall->Socket)
        return; // the browser has gone
    QHttpServerResponder responder = makeResponder(*aCall->Request, aCall->Socket);
    responder.writeStatusLine(QHttpServerResponder::StatusCode(aStatus));
    responder.writeHeader("Content-Type", aType);
    responder.writeHeader("Content-Length", QByteArray::number(aBody.size()));
    responder.writeHeader("Cache-Control", "no-store");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("X-Frame-Options", "DENY");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    responder.writeHeader(
        "Content-Security-Policy",
        "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'; form-action 'self'");
    for (const auto& [name, value] : aHeaders)
        responder.writeHeader(name, value);
    responder.writeBody(aBody);
}

// ---------------------------------------------------------------------------------------------
// Sessions

TZRVDashboardSession* TZRVDashboard::FindSession(const QByteArray& aToken) {
    const auto it = fSessions.find(aToken);
    if (aToken.isEmpty() || it == fSessions.end())
        return nullptr;
    if (fClock.elapsed() - it->LastUse > qint64(fOptions.SessionIdleSecs) * 1000) {
        fSessions.erase(it);
        return nullptr;
    }
    it->LastUse = fClock.elapsed();
    return &*it;
}

QByteArray TZRVDashboard::OpenSession(const QString& aName, TZRVUserRights aRights) {
    if (fSessions.size() >= c_MaxSessions) {
        auto oldest = fSessions.begin();
        for (auto it = fSessions.begin(); it != fSessions.end(); ++it)
            if (it->LastUse < oldest->LastUse)
                oldest = it;
        fSessions.erase(oldest);
    }
    const QByteArray token = RandomToken();
    fSessions.insert(token, TZRVDashboardSession{aName, aRights, RandomToken(), fClock.elapsed()});
    return token;
}

QJsonObject TZRVDashboard::SessionJson(const TZRVDashboardSession& aSession) {
    QJsonArray rights;
    for (const auto& [right, name] : KnownRights())
        if (aSession.Rights.Contains(right))
            rights.append(name);
    return QJsonObject{
        {"name", aSession.Name}, {"rights", rights}, {"csrf", QString::fromLatin1(aSession.Csrf)}};
}

void TZRVDashboard::SignIn(const TZRVHttpCallPtr& aCall) {
    const TZRVJsonBody body(aCall->Body);
    const QString name = body.Text(QStringLiteral("name"), 64);
    const QString password = body.Text(QStringLiteral("password"), 128);
    struct TCheck {
        bool Matches = false;
        bool Active = false;
        QString Name;
        TZRVUserRights Rights;
        QString Error;
    };
    auto check = std::make_shared<TCheck>();
    const auto work = [check, name, password](TZRVDataBase& aDb) {
        try {
            const int id = aDb.AccountExists(name);
            const auto account = id > 0 ? aDb.ReadAccount(uint32_t(id)) : nullptr;
            check->Matches =
                account && !account->DeletedFlag() && SamePassword(account->AccountPassword(), password);
            if (!check->Matches)
                return;
            check->Active = account->Active();
            check->Name = account->AccountName();
            check->Rights = account->Group()->Authorisations();
        } catch (const EZRVError& e) {
            check->Error = e.Message();
        }
    };
    const auto answer = [this, aCall, check](const QString& aFailure) {
        if (!aFailure.isEmpty())
            check->Error = aFailure;
        if (!check->Error.isEmpty())
            return Fail(aCall, 503, check->Error);
        if (!check->Matches) {
            Server().GuessThrottle()->Note(aCall->Address);
            return Fail(aCall, 401, QStringLiteral("Nom ou mot de passe incorrect"));
        }
        if (!check->Active)
            return Fail(aCall, 403, QStringLiteral("Ce compte est désactivé"));
        const TZRVDashboardSession probe{check->Name, check->Rights, {}, 0};
        if (SessionJson(probe).value("rights").toArray().isEmpty())
            return Fail(aCall, 403, QStringLiteral("Ce compte n'a aucun droit sur le tableau de bord"));
        const QByteArray token = OpenSession(check->Name, check->Rights);
        QByteArray cookie = c_Cookie + '=' + token + "; Path=/; HttpOnly; SameSite=Strict";
        if (fSecure)
            cookie += "; Secure";
        Reply(aCall, 200, SessionJson(fSessions.value(token)), {{"Set-Cookie", cookie}});
    };
    // Every answer to a sign-in waits behind the guesses of its address, as workstation logins do.
    Server().GuessThrottle()->Answer(aCall->Address, this,
                                     [this, work, answer] { ZRVRunOperator(fHost, this, work, answer); });
}

void TZRVDashboard::SignOut(const TZRVHttpCallPtr& aCall) {
    fSessions.remove(aCall->SessionToken);
    Reply(aCall, 200, QJsonObject{},
          {{"Set-Cookie", c_Cookie + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0"}});
}
