// Test entry of the workstation program's tests: as the other suites' entry, with a Qt
// application that has widgets, on the offscreen display unless told otherwise (a test never
// opens a window on the developer's own display). Every test starts on the in-memory desktop with
// the kernel's clock stopped at ZRV_TEST_NOW, or at the moment the run started.
#include "support/TestStart.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

// The offscreen display's notes about what it cannot do say nothing about the program.
QtMessageHandler g_StandardHandler = nullptr;

void DropPlatformNotes(QtMsgType aType, const QMessageLogContext& aContext, const QString& aMessage) {
    if (!aMessage.startsWith(QStringLiteral("This plugin does not support")) && g_StandardHandler)
        g_StandardHandler(aType, aContext, aMessage);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!zrvtest::InstallTestStart())
        return 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_StandardHandler = qInstallMessageHandler(DropPlatformNotes);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
