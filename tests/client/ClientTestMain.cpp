// Test entry of the workstation program's tests: as the other suites' entry, with a Qt
// application that has widgets, on the offscreen display unless told otherwise (a test never
// opens a window on the developer's own display). Every test starts on the in-memory desktop with
// the kernel's clock stopped at ZRV_TEST_NOW, or at the moment the run started.
#include "support/FakePlatform.h"

#include "ZRVCommon.h"

#include <QApplication>
#include <QDateTime>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

class TTestStart : public ::testing::EmptyTestEventListener {
public:
    explicit TTestStart(TDateTime aNow) : fNow(aNow) {}
    void OnTestStart(const ::testing::TestInfo&) override {
        TZRVClock::Stop(fNow);
        SetPlatform(std::make_unique<TZRVFakePlatform>());
    }

private:
    TDateTime fNow;
};

// The offscreen display's notes about what it cannot do say nothing about the program.
QtMessageHandler g_StandardHandler = nullptr;

void DropPlatformNotes(QtMsgType aType, const QMessageLogContext& aContext, const QString& aMessage) {
    if (!aMessage.startsWith(QStringLiteral("This plugin does not support")) && g_StandardHandler)
        g_StandardHandler(aType, aContext, aMessage);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const QString asked = qEnvironmentVariable("ZRV_TEST_NOW");
    const QDateTime now =
        asked.isEmpty() ? QDateTime::currentDateTime() : QDateTime::fromString(asked, Qt::ISODateWithMs);
    if (!now.isValid()) {
        std::fprintf(stderr, "ZRV_TEST_NOW is not an ISO date-time such as 2011-07-20T23:59:59\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_StandardHandler = qInstallMessageHandler(DropPlatformNotes);
    QApplication app(argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new TTestStart(QDateTimeToDateTime(now)));
    return RUN_ALL_TESTS();
}
