#pragma once
// The workstation program as it ships (its start-up and its four forms, on the in-memory desktop
// and the offscreen display) against the real server host on a real SQLite file, on 127.0.0.1
// and a port of its own. Timers run short; tests drive the forms through their widgets.

#include "AddCreditForm.h"
#include "Client.h"
#include "ClientForm.h"
#include "MainForm.h"
#include "Popup.h"
#include "TaskbarForm.h"

#include "ZRVServerConfig.h"
#include "ZRVServerHost.h"

#include "support/EventLoop.h"
#include "support/FakePlatform.h"
#include "support/TempDirs.h"

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

inline void PrintTo(const QString& aText, std::ostream* aOut) {
    *aOut << '"' << aText.toStdString() << '"';
}

namespace zrvtest {

// The message box on screen, if any.
inline QMessageBox* Box() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible())
            return box;
    return nullptr;
}

// The texts of the message boxes shown now; the boxes are closed.
inline QStringList TakeBoxes() {
    QStringList texts;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) {
            texts << box->text();
            box->close();
        }
    return texts;
}

// Wednesday 20 July 2011, 10:00: every test's present.
inline TDateTime TestNow() {
    return EncodeDateTime(2011, 7, 20, 10, 0, 0);
}

class ClientTest : public ::testing::Test {
protected:
    static constexpr const char* c_Exe = "/usr/bin/Client";

    TempRegistry fRegistry;
    TempDataDir fData;
    QTemporaryDir fDir;
    ScopedEnv fConfigHome{"XDG_CONFIG_HOME", fDir.filePath(QStringLiteral("config"))};
    QString fServerOutput;
    QTextStream fServerOut{&fServerOutput};
    std::unique_ptr<TZRVServerHost> fHost;
    std::unique_ptr<TZRVClientProgram> fProgram;
    quint16 fPort = 0;
    uint32_t fOwnerID = 0;

    void SetUp() override;
    void TearDown() override;

    // The server on its own database; aPort 0 takes a free one.
    void StartServer(quint16 aPort = 0);
    TZRVDataBase& Db() { return fHost->DataBase(); }
    // The first slot's connection on the server side.
    TZRVServerClientConnection* Slot() { return fHost->Server()->GetConnection(1); }

    // The program with these arguments, pointed at the server, its timers short; aWindowed as
    // `--windowed` gives it.
    void StartClient(const QStringList& aArguments = {}, bool aWindowed = false);
    bool WaitReady();
    // The program without a server: one failed attempt to reach it, and no other for the test.
    void StartClientOffline();

    // Records in the server's database.
    uint32_t AddTicket(const QString& aCode, uint32_t aCredit, bool aSold = true,
                       const QString& aHourFormula = QStringLiteral("Default"));
    uint32_t AddAccount(const QString& aName, const QString& aPassword, uint32_t aCredit,
                        const QString& aQuestion = QString(), const QString& aAnswer = QString());
    void AddSecretQuestion(const QString& aQuestion);

    // The lock screen's status line, its colour and size.
    QString Info() const { return frmClient->LabelInfos->text(); }
    QColor InfoColor() const { return TextColor(frmClient->LabelInfos); }
    int InfoSize() const { return frmClient->LabelInfos->font().pointSize(); }
    bool WaitInfo(const QString& aText) const;

    void Type(QLineEdit* aEdit, const QString& aText);
    void Click(QAbstractButton* aButton);
    // Types the credentials on their login page and presses its button.
    void SubmitTicket(const QString& aCode);
    void SubmitAccount(const QString& aName, const QString& aPassword);
    // The same, then waits for the logged-in panel.
    bool LoginTicket(const QString& aCode);
    bool LoginAccount(const QString& aName, const QString& aPassword);
    // Opens the session from the logged-in panel and waits for the task bar.
    bool OpenSession();

    TZRVUserConnection* User() const { return frmMain->ZRVClientConnection->UserConnection(); }
    TZRVUserSession* Session() const { return User()->Session(); }
    // The notices shown now whose message is aText.
    int NoticesSaying(const QString& aText) const;
    TfrmPopup* Notice(const QString& aText) const;
};

} // namespace zrvtest
