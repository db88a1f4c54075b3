#pragma once
// A private D-Bus bus (a real dbus-daemon of the test's own) with a fake logind on it that records
// what it is asked and answers as the test scripts it: whether reboot and power-off are allowed,
// whether it refuses outright, and the inhibitors it handed out.

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace zrvtest {

class TFakeLogind : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    // Every call, in order: "Reboot(false)", "PowerOff(false)", "Terminate(/org/.../session/c1)",
    // "Inhibit(shutdown,block)", "CanReboot"...
    QStringList Calls;
    // What CanReboot and CanPowerOff answer.
    QString Can = QStringLiteral("yes");
    // Every request that acts is refused with an access error.
    bool Refuse = false;
    // Whether the last inhibitor handed out is still held by its taker.
    bool InhibitorHeld() const;
    ~TFakeLogind() override;

public slots:
    QString CanReboot();
    QString CanPowerOff();
    void Reboot(bool aInteractive);
    void PowerOff(bool aInteractive);
    QDBusObjectPath GetSessionByPID(uint aPid);
    QDBusUnixFileDescriptor Inhibit(const QString& aWhat, const QString& aWho, const QString& aWhy,
                                    const QString& aMode);

private:
    friend class TFakeLogindSession;
    bool Refused();
    int fInhibitor = -1; // our end of the pipe whose other end the taker holds
};

// The session object GetSessionByPID names.
class TFakeLogindSession : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
public:
    explicit TFakeLogindSession(TFakeLogind& aManager) : fManager(aManager) {}
public slots:
    void Terminate();

private:
    TFakeLogind& fManager;
};

class TPrivateBus {
public:
    TPrivateBus();
    ~TPrivateBus();
    // Why the bus or the service could not start; empty when they run.
    const QString& Error() const { return fError; }
    // A connection for the code under test.
    QDBusConnection Client() const;
    TFakeLogind& Logind() { return fLogind; }

    static inline const QString c_SessionPath = QStringLiteral("/org/freedesktop/login1/session/c1");

private:
    QTemporaryDir fDir;
    QProcess fDaemon;
    QString fError;
    TFakeLogind fLogind;
    TFakeLogindSession fSession{fLogind};
};

} // namespace zrvtest
