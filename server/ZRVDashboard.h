#pragma once
// The operator's web page, served by zrv2server itself: the page (plain HTML, CSS and JavaScript
// built into the program) and the JSON API under /api/ it calls. Employees sign in with their
// account of the café's database; what each may do follows the rights of the account's group.
// Every database operation goes through the operator's service (ZRVOperatorRunner.h); the
// workstations come from the kernel's connections view and their commands from the listener.

#include "ZRVCommon.h"
#include "ZRVHttpGate.h"
#include "ZRVOperatorRunner.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QTcpSocket>
#include <QUrlQuery>

#include <memory>
#include <optional>

class TZRVPlainListView;
class TZRVServerConnection;
class TZRVServerHost;

struct TZRVDashboardOptions {
    bool Enabled = true;
    QHostAddress Address = QHostAddress(QHostAddress::LocalHost);
    int Port = 8080;
    // HTTPS when both are given: PEM files.
    QString CertFile;
    QString KeyFile;
    TZRVHttpLimits Limits;
    // A session unused that long ends.
    int SessionIdleSecs = 4 * 3600;

    // Takes "off", "PORT" or "ADDRESS:PORT"; raises EZRVError otherwise.
    void SetHttp(const QString& aText);
};

// A refusal of a request, with its HTTP status.
struct EZRVHttpError {
    int Status;
    QString Message;
};

// The JSON object of a request's body; each field is checked as it is read (EZRVHttpError 400).
class TZRVJsonBody {
public:
    explicit TZRVJsonBody(const QByteArray& aBody);
    // The text, trimmed, at most aMaxLength characters; an empty text is refused when required.
    QString Text(const QString& aName, int aMaxLength, bool aRequired = true) const;
    // A whole number within the bounds; aDefault when the field is absent (refused when there is none).
    int Number(const QString& aName, int aMin, int aMax, std::optional<int> aDefault = std::nullopt) const;
    bool Flag(const QString& aName) const;
    // The array, of at most aMaxCount items.
    QJsonArray Array(const QString& aName, int aMaxCount) const;
    bool Has(const QString& aName) const { return fObject.contains(aName); }
    // The body of one array item.
    static TZRVJsonBody Of(const QJsonValue& aItem);

private:
    TZRVJsonBody() = default;
    QJsonObject fObject;
};

// The signed-in employee.
struct TZRVDashboardSession {
    QString Name;
    TZRVUserRights Rights;
    QByteArray Csrf;
    qint64 LastUse = 0;
};

// One request being answered; the answer may come later, when the connection may have gone.
struct TZRVHttpCall {
    QByteArray Method;
    QString Path;
    QUrlQuery Query;
    QByteArray Body;
    QString Address;
    QByteArray SessionToken;
    QByteArray CsrfToken;
    // The parts of the path the route leaves open, in order.
    QStringList Params;
    TZRVDashboardSession Session;
    QPointer<QTcpSocket> Socket;
    const QHttpServerRequest* Request = nullptr;
};
using TZRVHttpCallPtr = std::shared_ptr<TZRVHttpCall>;

class TZRVDashboard : public QAbstractHttpServer {
    Q_OBJECT
public:
    // The rights the page knows, each with its name as the authorisations list it.
    static const std::vector<std::pair<TZRVUserRight, QString>>& KnownRights();

    TZRVDashboard(TZRVServerHost& aHost, TZRVDashboardOptions aOptions, QObject* aOwner = nullptr);
    ~TZRVDashboard() override;

    // Listens; raises EZRVError.
    void Start();
    quint16 Port() const;
    // The page's address, as printed at start.
    QString Url() const;

    TZRVServerHost& Host() { return fHost; }
    TZRVServerConnection& Server();
    TZRVPlainListView& View() { return *fView; }

    // ----- answers
    void Reply(const TZRVHttpCallPtr& aCall, int aStatus, const QJsonObject& aBody,
               const QList<std::pair<QByteArray, QByteArray>>& aHeaders = {});
    void Fail(const TZRVHttpCallPtr& aCall, int aStatus, const QString& aMessage);
    // Runs one operation of the operator's service: a refusal answers 422 with its sentence, a
    // value goes to aAnswer.
    template <class T>
    void Operate(const TZRVHttpCallPtr& aCall, std::function<T(TZRVOperatorService&)> aOperation,
                 std::function<QJsonObject(const T&)> aAnswer) {
        ZRVOperate<T>(fHost, this, std::move(aOperation),
                      [this, aCall, aAnswer = std::move(aAnswer)](const TZRVOperatorOutcome<T>& aOutcome) {
                          if (aOutcome.Ok())
                              Reply(aCall, 200, aAnswer(aOutcome.Value));
                          else
                              Fail(aCall, 422, aOutcome.Error);
                      });
    }

    // ----- the employees' sessions
    void SignIn(const TZRVHttpCallPtr& aCall);
    void SignOut(const TZRVHttpCallPtr& aCall);
    static QJsonObject SessionJson(const TZRVDashboardSession& aSession);

protected:
    bool handleRequest(const QHttpServerRequest& aRequest, QTcpSocket* aSocket) override;
    void missingHandler(const QHttpServerRequest& aRequest, QTcpSocket* aSocket) override;

private:
    void Route(const TZRVHttpCallPtr& aCall);
    bool ServeFile(const TZRVHttpCallPtr& aCall);
    // The session of the call's cookie, refreshed; nothing when there is none.
    TZRVDashboardSession* FindSession(const QByteArray& aToken);
    QByteArray OpenSession(const QString& aName, TZRVUserRights aRights);
    void Write(const TZRVHttpCallPtr& aCall, int aStatus, const QByteArray& aType, const QByteArray& aBody,
               const QList<std::pair<QByteArray, QByteArray>>& aHeaders);

    TZRVServerHost& fHost;
    TZRVDashboardOptions fOptions;
    std::unique_ptr<TZRVPlainListView> fView;
    QTcpServer* fListener = nullptr;
    bool fSecure = false;
    QHash<QByteArray, TZRVDashboardSession> fSessions;
    QElapsedTimer fClock;
};
