// Fetching one file over HTTP from a local server: the file lands whole or not at all, the event
// loop runs during the transfer, redirects are followed, and the events come in their order.

#include "ZRVFileDownload.h"

#include "support/Errors.h"
#include "support/EventLoop.h"
#include "support/Files.h"
#include "support/HttpTestServer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zrvtest;

namespace {

QByteArray Content(int aSize) {
    QByteArray data(aSize, '\0');
    for (int i = 0; i < aSize; ++i)
        data[i] = char('a' + i % 26);
    return data;
}

class FileDownload : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fDir.isValid());
        fDownload.SetOnDownloadProgress([this](QObject*, uint32_t aPercent) { fProgress << aPercent; });
        fDownload.SetOnDownloadComplete([this](QObject*) {
            fEvents << "Complete";
            fBusyInEvent = fDownload.Busy();
        });
        fDownload.SetOnDownloadFailed([this](QObject*) {
            fEvents << "Failed";
            fBusyInEvent = fDownload.Busy();
        });
    }

    QString Target(const QString& aName = QStringLiteral("a.bin")) const { return fDir.filePath(aName); }
    // Everything in the folder, hidden files included: no partial file may stay behind.
    QStringList Files() const { return QDir(fDir.path()).entryList(QDir::Files | QDir::Hidden); }
    bool WaitDone() {
        return WaitUntil([this] { return !fEvents.isEmpty() && !fDownload.Busy(); });
    }

    HttpTestServer fServer;
    QTemporaryDir fDir;
    TZRVFileDownload fDownload;
    QStringList fEvents;
    QList<uint32_t> fProgress;
    bool fBusyInEvent = false;
};

TEST_F(FileDownload, FileLandsWholeWithProgressThenCompletion) {
    const QByteArray data = Content(200000);
    fServer.AddFile("/a.bin", data);
    fDownload.Download(fServer.Url("/a.bin"), Target());
    EXPECT_TRUE(fDownload.Busy());
    EXPECT_TRUE(fEvents.isEmpty()); // nothing happens inside the call
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(fEvents, QStringList{"Complete"});
    EXPECT_FALSE(fBusyInEvent);
    EXPECT_EQ(ReadFile(Target()), data);
    EXPECT_EQ(Files(), QStringList{"a.bin"});
    ASSERT_FALSE(fProgress.isEmpty());
    EXPECT_EQ(fProgress.last(), 100u);
    EXPECT_TRUE(std::is_sorted(fProgress.begin(), fProgress.end()));
    EXPECT_EQ(fDownload.Url(), fServer.Url("/a.bin"));
    EXPECT_EQ(fDownload.LocalFile(), Target());
    EXPECT_TRUE(fDownload.ErrorMessage().isEmpty());
}

TEST_F(FileDownload, RedirectsAreFollowed) {
    fServer.AddRedirect("/old", fServer.Url("/moved"), 301);
    fServer.AddRedirect("/moved", "/new");
    fServer.AddFile("/new", "the file");
    fDownload.Download(fServer.Url("/old"), Target());
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(fEvents, QStringList{"Complete"});
    EXPECT_EQ(ReadFile(Target()), "the file");
    // Qt 6.4 sometimes sends a redirected request twice on its connection.
    QStringList asked = fServer.Requests();
    asked.erase(std::unique(asked.begin(), asked.end()), asked.end());
    EXPECT_EQ(asked, QStringList({"/old", "/moved", "/new"}));
}

TEST_F(FileDownload, SlowTransferLeavesTheEventLoopRunningAndReportsProgressAsDataArrives) {
    // Qt reports progress at most every 100 ms: half a second gives several reports.
    const QByteArray data = Content(20 * 4096);
    fServer.AddSlow("/slow.bin", data, 4096, 25);
    int ticksWhileBusy = 0;
    QTimer countdown;
    QObject::connect(&countdown, &QTimer::timeout, [&] { ticksWhileBusy += fDownload.Busy() ? 1 : 0; });
    countdown.start(5);
    fDownload.Download(fServer.Url("/slow.bin"), Target());
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(fEvents, QStringList{"Complete"});
    EXPECT_EQ(ReadFile(Target()), data);
    EXPECT_GT(ticksWhileBusy, 5);
    // Several steps were reported before the end.
    EXPECT_GE(std::count_if(fProgress.begin(), fProgress.end(), [](uint32_t p) { return p < 100; }), 3);
}

TEST_F(FileDownload, FailedTransferKeepsTheFileThatWasThereAndLeavesNothingBeside) {
    fServer.AddBroken("/broken", Content(50000), 20000);
    fServer.AddRedirect("/to-nowhere", "/missing");
    for (const char* target : {"/broken", "/missing", "/to-nowhere"}) {
        SCOPED_TRACE(target);
        fEvents.clear();
        ASSERT_TRUE(WriteFile(Target(), "good old file"));
        fDownload.Download(fServer.Url(target), Target());
        ASSERT_TRUE(WaitDone());
        EXPECT_EQ(fEvents, QStringList{"Failed"});
        EXPECT_TRUE(fBusyInEvent);
        EXPECT_FALSE(fDownload.ErrorMessage().isEmpty());
        EXPECT_EQ(ReadFile(Target()), "good old file");
        EXPECT_EQ(Files(), QStringList{"a.bin"});
    }
}

TEST_F(FileDownload, ServerThatIsNotThereFailsAndLeavesNoFile) {
    quint16 closedPort = 0;
    {
        HttpTestServer gone;
        closedPort = gone.Port();
    }
    fDownload.Download(QStringLiteral("http://127.0.0.1:%1/a.bin").arg(closedPort), Target());
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(fEvents, QStringList{"Failed"});
    EXPECT_TRUE(Files().isEmpty());
}

TEST_F(FileDownload, TooLargeOrStalledBodyFails) {
    fServer.AddFile("/big", Content(5000));
    fDownload.SetMaxFileSize(1000);
    fDownload.Download(fServer.Url("/big"), Target());
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(fEvents, QStringList{"Failed"});
    EXPECT_TRUE(fDownload.ErrorMessage().contains("1000"));

    fEvents.clear();
    fServer.AddSlow("/stalled", Content(5000), 100, 60000);
    fDownload.SetTransferTimeout(100);
    fDownload.Download(fServer.Url("/stalled"), Target());
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(fEvents, QStringList{"Failed"});
    EXPECT_TRUE(Files().isEmpty());
}

TEST_F(FileDownload, ArgumentErrorsRaiseBeforeAnythingStarts) {
    fDownload.SetLocalFile(Target("kept.bin"));
    EXPECT_EQ(ErrorOf([&] { fDownload.Download(QString(), Target()); }), "Url required");
    EXPECT_EQ(fDownload.LocalFile(), Target("kept.bin"));

    EXPECT_EQ(ErrorOf([&] { fDownload.Download(fServer.Url("/x"), QString()); }), "Local file name required");
    EXPECT_EQ(fDownload.Url(), fServer.Url("/x")); // stored before the file name is checked

    ASSERT_TRUE(WriteFile(Target("plain"), "a file, not a folder"));
    EXPECT_THROW(fDownload.Download(fServer.Url("/x"), Target("plain/a.bin")), EZRVError);
    EXPECT_FALSE(fDownload.Busy());
    EXPECT_TRUE(fServer.Requests().isEmpty());
    RunEventsFor(20);
    EXPECT_TRUE(fEvents.isEmpty());
}

TEST_F(FileDownload, BusyRefusesASecondTransfer) {
    fServer.AddSlow("/slow", Content(4000), 1000, 10);
    fDownload.Download(fServer.Url("/slow"), Target());
    EXPECT_EQ(ErrorOf([&] { fDownload.Download(fServer.Url("/slow"), Target("b.bin")); }),
              "Still executing last request");
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(fEvents, QStringList{"Complete"});
}

TEST_F(FileDownload, NextTransferMayStartFromCompletionButNotFromFailure) {
    fServer.AddFile("/1", "one");
    fServer.AddFile("/2", "two");
    QString refused;
    fDownload.SetOnDownloadComplete([&](QObject*) {
        fEvents << "Complete";
        if (fEvents.size() == 1)
            fDownload.Download(fServer.Url("/2"), Target("2"));
    });
    fDownload.SetOnDownloadFailed([&](QObject*) {
        fEvents << "Failed";
        refused = ErrorOf([&] { fDownload.Download(fServer.Url("/1"), Target("3")); });
    });
    fDownload.Download(fServer.Url("/1"), Target("1"));
    ASSERT_TRUE(WaitUntil([&] { return fEvents.size() == 2 && !fDownload.Busy(); }));
    EXPECT_EQ(ReadFile(Target("1")), "one");
    EXPECT_EQ(ReadFile(Target("2")), "two");

    fDownload.Download(fServer.Url("/missing"));
    ASSERT_TRUE(WaitUntil([&] { return fEvents.size() == 3 && !fDownload.Busy(); }));
    EXPECT_EQ(fEvents.last(), "Failed");
    EXPECT_EQ(refused, "Still executing last request");
    EXPECT_FALSE(QFile::exists(Target("3")));
}

TEST_F(FileDownload, AbortStopsTheTransferSilentlyAndDiscardsIt) {
    fServer.AddSlow("/slow", Content(8000), 1000, 20);
    fServer.AddFile("/after", "after");
    fDownload.Download(fServer.Url("/slow"), Target());
    ASSERT_TRUE(WaitUntil([&] { return !fProgress.isEmpty(); }));
    fDownload.Abort();
    EXPECT_FALSE(fDownload.Busy());
    RunEventsFor(50);
    EXPECT_TRUE(fEvents.isEmpty());
    EXPECT_TRUE(Files().isEmpty());

    fDownload.Download(fServer.Url("/after"));
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(ReadFile(Target()), "after");
}

} // namespace
