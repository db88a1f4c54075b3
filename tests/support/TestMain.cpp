// Test entry: the Qt application object lives for the whole run, so sockets, timers and
// deferred calls work in every test. Every test starts on the in-memory desktop and with the
// kernel's clock stopped at the same moment: ZRV_TEST_NOW (an ISO date-time, such as
// 2011-07-20T23:59:59) when set, else the moment the run started.
#include "FakePlatform.h"

#include "ZRVCommon.h"

#include <QCoreApplication>
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

// The moment every test starts at; false when ZRV_TEST_NOW does not read as a date-time.
bool TestNow(TDateTime& aNow) {
    const QString asked = qEnvironmentVariable("ZRV_TEST_NOW");
    const QDateTime at =
        asked.isEmpty() ? QDateTime::currentDateTime() : QDateTime::fromString(asked, Qt::ISODateWithMs);
    aNow = QDateTimeToDateTime(at);
    return at.isValid();
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TDateTime now = 0;
    if (!TestNow(now)) {
        std::fprintf(stderr, "ZRV_TEST_NOW is not an ISO date-time such as 2011-07-20T23:59:59\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new TTestStart(now));
    return RUN_ALL_TESTS();
}
