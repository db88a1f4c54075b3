// The session files as a display manager and a café run them: the supervisor that restarts the
// workstation program, and the session script that runs it alone under our openbox or starts the
// usual desktop, as the shell setting says.
#include "X11Fixture.h"

#include "ZRVSystem.h"
#include "platform/ZRVRegistry.h"
#include "platform/posix/ZRVPosix.h"

#include "support/TempDirs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <signal.h>

namespace {

using zrvtest::WaitUntil;

const QString c_SessionBin = QStringLiteral(ZRV_SESSION_BIN);

// Folders and small programs of one test.
class Stubs {
public:
    // An executable shell script named aName, of the body aBody.
    QString Write(const QString& aName, const QString& aBody) {
        QDir().mkpath(fDir.filePath("bin"));
        const QString path = fDir.filePath("bin/" + aName);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("#!/bin/sh\n" + aBody + "\n").toUtf8());
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QString File(const QString& aName) const { return fDir.filePath(aName); }
    QString Read(const QString& aName) const {
        QFile file(File(aName));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir fDir;
};

// Starts a program of the session folder with the environment plus aVariables.
void Start(QProcess& aProcess, const QString& aProgram, const QStringList& aArguments,
           const QStringList& aVariables) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& v : aVariables)
        environment.insert(v.section(u'=', 0, 0), v.section(u'=', 1));
    aProcess.setProcessEnvironment(environment);
    aProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    aProcess.start(c_SessionBin + u'/' + aProgram, aArguments);
}

bool Ended(QProcess& aProcess, int aTimeoutMs = 10000) {
    return WaitUntil([&] { return aProcess.state() == QProcess::NotRunning; }, aTimeoutMs);
}

TEST(Supervisor, RestartsAProgramThatEndsWithoutLeaveAndStopsAtANormalEnd) {
    Stubs stubs;
    // First run: exit code 3; second: killed by a signal; third: a normal end.
    const QString program = stubs.Write("program", QStringLiteral(R"(count=%1
n=$(( $(cat "$count" 2>/dev/null || echo 0) + 1 ))
echo $n > "$count"
case $n in 1) exit 3;; 2) kill -KILL $$;; *) exit 0;; esac)")
                                                       .arg(stubs.File("count")));
    QProcess supervisor;
    Start(supervisor, "zrv2-supervise", {program}, {"ZRV_RESTART_DELAY=0.05"});
    ASSERT_TRUE(Ended(supervisor));
    EXPECT_EQ(supervisor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(supervisor.exitCode(), 0);
    EXPECT_EQ(stubs.Read("count").trimmed(), "3");
}

// A program that had run long enough starts again at once; one that fails at its start waits the
// delay before each new start.
TEST(Supervisor, RestartsAtOnceOnlyAProgramThatHadRunLongEnough) {
    Stubs stubs;
    const QString program = stubs.Write("program", QStringLiteral(R"(count=%1
n=$(( $(cat "$count" 2>/dev/null || echo 0) + 1 ))
echo $n > "$count"
[ $n -ge 3 ] && exit 0
kill -KILL $$)")
                                                       .arg(stubs.File("count")));
    QProcess atOnce;
    Start(atOnce, "zrv2-supervise", {program}, {"ZRV_RESTART_DELAY=60", "ZRV_RESTART_AT_ONCE_AFTER=0"});
    ASSERT_TRUE(Ended(atOnce));
    EXPECT_EQ(atOnce.exitCode(), 0);
    EXPECT_EQ(stubs.Read("count").trimmed(), "3");

    QFile::remove(stubs.File("count"));
    QProcess delayed;
    Start(delayed, "zrv2-supervise", {program}, {"ZRV_RESTART_DELAY=60"});
    ASSERT_TRUE(WaitUntil([&] { return stubs.Read("count").trimmed() == "1"; }));
    zrvtest::RunEventsFor(500); // the second start waits a minute
    EXPECT_EQ(stubs.Read("count").trimmed(), "1");
    delayed.terminate();
    EXPECT_TRUE(Ended(delayed));
}

TEST(Supervisor, EndsItsProgramWhenToldToEnd) {
    Stubs stubs;
    const QString program =
        stubs.Write("program", QStringLiteral("echo $$ > %1\nexec sleep 60").arg(stubs.File("pid")));
    QProcess supervisor;
    Start(supervisor, "zrv2-supervise", {program}, {});
    ASSERT_TRUE(WaitUntil([&] { return !stubs.Read("pid").isEmpty(); }));
    const qint64 pid = stubs.Read("pid").trimmed().toLongLong();
    TZRVProcessInfo info;
    ASSERT_TRUE(ProcessInfo(pid, info));
    supervisor.terminate();
    ASSERT_TRUE(Ended(supervisor));
    EXPECT_NE(supervisor.exitCode(), 0);
    EXPECT_TRUE(WaitUntil([&] { return !ProcessInfo(pid, info); }));
}

// The session script on a private X server without a window manager: it starts what it must.
class SessionScript : public X11Test {
protected:
    SessionScript() : X11Test(false) {}
    void StoreShell(const QString& aShell) {
        TZRVRegistry store;
        ASSERT_TRUE(store.OpenKey(c_WinLogonKey, true));
        store.WriteString(c_WinLogonShell, aShell);
    }
    void StartSession(const QStringList& aVariables) {
        Start(fSession, "zrv2-session", {},
              QStringList{"XDG_CONFIG_HOME=" + fStubs.File("config"), "ZRV_RESTART_DELAY=0.05"} + aVariables);
    }
    // The window the stub workstation program showed with the process behind it, once there.
    TZRVWindowInfo ClientWindow(qint64 aNotProcess = 0) {
        TZRVWindowInfo found;
        WaitUntil(
            [&] {
                QList<TZRVWindowInfo> windows;
                Windows().TopLevelWindows(windows);
                for (const TZRVWindowInfo& w : windows)
                    if (w.ClassName == u"client" && w.ProcessID != aNotProcess)
                        found = w;
                return found.Handle != 0;
            },
            10000);
        return found;
    }

    zrvtest::TempRegistry fRegistry;
    Stubs fStubs;
    QProcess fSession;
};

TEST_F(SessionScript, TheWorkstationProgramAsShellRunsAloneUnderOurOpenboxAndIsRestarted) {
    const QString client = fStubs.Write(
        "Client", QStringLiteral("echo \"$XDG_CURRENT_DESKTOP\" >> %1\nexec %2 --class Client --title Lock")
                      .arg(fStubs.File("desktops"), QStringLiteral(ZRV_X11_PROBE)));
    StoreShell(client);
    StartSession({});

    const QString config = fStubs.File("config/zrv2/openbox/rc.xml");
    ASSERT_TRUE(
        WaitUntil([&] { return fX.Property(fX.Root(), "_OB_CONFIG_FILE") == config.toUtf8(); }, 10000));
    QFile copy(config);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_TRUE(copy.readAll().contains("zrv2-session"));
    const TZRVWindowInfo first = ClientWindow();
    ASSERT_NE(first.ProcessID, 0);
    EXPECT_EQ(fStubs.Read("desktops"), "ZRV2\n");

    // Ended without leave, it is back at once; asked to close, it ends normally, and so does the session.
    ASSERT_EQ(::kill(pid_t(first.ProcessID), SIGKILL), 0);
    const TZRVWindowInfo second = ClientWindow(first.ProcessID);
    ASSERT_NE(second.Handle, 0u);
    EXPECT_EQ(fStubs.Read("desktops"), "ZRV2\nZRV2\n");
    EXPECT_TRUE(Windows().RequestClose(second.Handle));
    ASSERT_TRUE(Ended(fSession));
    EXPECT_EQ(fSession.exitCode(), 0);
}

TEST_F(SessionScript, AnyOtherShellStartsTheUsualDesktop) {
    for (const QString& shell : {QStringLiteral("xfce4-panel"), QString()}) {
        if (!shell.isEmpty())
            StoreShell(shell);
        const QString desktop =
            fStubs.Write("desktop", QStringLiteral("echo started >> %1").arg(fStubs.File("started")));
        StartSession({"ZRV_DESKTOP_SESSION=" + desktop});
        ASSERT_TRUE(Ended(fSession));
        EXPECT_EQ(fSession.exitCode(), 0);
    }
    EXPECT_EQ(fStubs.Read("started"), "started\nstarted\n");
    EXPECT_TRUE(fX.Property(fX.Root(), "_OB_CONFIG_FILE").isEmpty()); // no openbox of ours
}

} // namespace
