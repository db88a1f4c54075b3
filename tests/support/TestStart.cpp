#include "TestStart.h"

#include "FakePlatform.h"

#include "ZRVCommon.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include <cstdio>

namespace zrvtest {
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

} // namespace

bool InstallTestStart() {
    const QString asked = qEnvironmentVariable("ZRV_TEST_NOW");
    const QDateTime at =
        asked.isEmpty() ? QDateTime::currentDateTime() : QDateTime::fromString(asked, Qt::ISODateWithMs);
    if (!at.isValid()) {
        std::fprintf(stderr, "ZRV_TEST_NOW is not an ISO date-time such as 2011-07-20T23:59:59\n");
        return false;
    }
    ::testing::UnitTest::GetInstance()->listeners().Append(new TTestStart(QDateTimeToDateTime(at)));
    return true;
}

} // namespace zrvtest
