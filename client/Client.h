#pragma once
// The workstation program's start: the install and uninstall switches, the single-instance rule,
// the splash with its steps, the four long-lived forms created in their order (the main
// controller, the credit dialog, the session task bar, the lock screen), the session's startup
// programs, and the decision whether the lock screen shows at once or the program starts asleep.
// The forms live until the program object goes, and go in the reverse order.

#include "MainForm.h"

#include <QStringList>

#include <memory>

class QSocketNotifier;
class TfrmAddCredit;
class TfrmClient;
class TfrmTaskBar;
class TZRVSingleInstance;

// Writes "Setup" = 1 in the workstation's settings; false when the settings store cannot be
// written.
bool InstallClient(quintptr hWnd, const QString& ExeName);
// Removes the workstation's settings and lifts every restriction.
bool UnInstallClient();

class TZRVClientProgram {
public:
    // The program's own option: an ordinary window on a developer's desktop.
    static QString WindowedOption() { return QStringLiteral("--windowed"); }

    // aArguments: the command line after the program's file, our own options already taken out.
    // aInstanceFolder: where the single-instance lock lives (empty: the session's runtime folder).
    TZRVClientProgram(QStringList aArguments, TZRVStartOptions aOptions, QString aInstanceFolder = QString());
    ~TZRVClientProgram();

    // Runs the start-up. -1: the forms are up and the event loop is to run; otherwise the code
    // the program ends with at once.
    int Start();
    // SIGTERM, SIGINT and SIGHUP become quit requests, refused while the program may not quit.
    void CatchQuitSignals();

    const QStringList& Arguments() const { return fArguments; }
    TZRVSingleInstance& Instance() { return *fInstance; }

private:
    void CreateForms(class TfrmSplashScreen& aSplash);
    void RunStartupPrograms(TfrmSplashScreen& aSplash);
    void ConnectSessionManager();

    QStringList fArguments;
    TZRVStartOptions fOptions;
    std::unique_ptr<TZRVSingleInstance> fInstance;
    std::unique_ptr<TfrmMain> fMain;
    std::unique_ptr<TfrmAddCredit> fAddCredit;
    std::unique_ptr<TfrmTaskBar> fTaskBar;
    std::unique_ptr<TfrmClient> fClient;
    QSocketNotifier* fSignalNotifier = nullptr;
};

// Takes "--server HOST[:PORT]" out of the command line and stores the server's address (and port)
// in the workstation's settings, as the configuration dialog would. False, with the settings left
// alone, when the value is missing or its port is not one.
bool TakeServerOption(QStringList& aArguments);

// What must be settled before the application object exists: the web engine's shared graphics
// context, and its sandbox off when the program runs as root (the sandbox cannot run then).
void PrepareApplication();

// The program entry after the application object exists: splits our own options from the command
// line, runs the start-up and the event loop. Returns the program's exit code.
int ClientMain(const QStringList& aArguments, bool aWindowed);
