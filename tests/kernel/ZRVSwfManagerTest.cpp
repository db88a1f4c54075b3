// The advertisement manager against a local advertisement service: the list query and its
// parsing, what lands in the advertisement folders, the status of each file, and the folder
// cleaning.

#include "ZRVSwfManager.h"

#include "ZRVErrorLogger.h"
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

// What the test's player accepts: files that begin with this mark.
const QByteArray c_Playable = "PLAYABLE";

QByteArray Ad(const char* aName) {
    return c_Playable + " advertisement " + aName;
}

TEST(AdsList, HtmlBodyAndPlainTextGiveTheSameLines) {
    const QStringList expected{"http://h/ads/a.gif", "http://h/ads/b.webp"};
    EXPECT_EQ(ParseAdsList("<html><head><title>x</title></head><body bgcolor=\"white\">\r\n"
                           "http://h/ads/a.gif\r\nhttp://h/ads/b.webp\r\n</body></html>\r\n"),
              expected);
    EXPECT_EQ(ParseAdsList("  http://h/ads/a.gif\nhttp://h/ads/b.webp\n\n"), expected);
    EXPECT_TRUE(ParseAdsList(" \r\n").isEmpty());
}

TEST(AdsList, FileNameIsTheTextAfterTheLastSeparator) {
    EXPECT_EQ(AdsFileName("http://h/ads/a.gif"), "a.gif");
    EXPECT_EQ(AdsFileName("http://h\\ads\\b.mp4"), "b.mp4");
    EXPECT_EQ(AdsFileName("c:d.png"), "d.png");
    EXPECT_EQ(AdsFileName("http://h/ads/"), "");
}

TEST(AdsList, OnlyHttpAddressesOfAdvertisementFilesAreTaken) {
    const struct {
        const char* Url;
        bool Taken;
    } cases[] = {
        {"http://h/ads/a.gif", true}, {"https://h/a.WebM", true},    {"http://h:8080/x/b.JPEG", true},
        {"http://h/c.mp4", true},     {"http://h/d.swf", false},     {"http://h/notes.txt", false},
        {"ftp://h/a.gif", false},     {"file:///etc/a.gif", false},  {"http://h/..", false},
        {"http://h/.gif", false},     {"http://h/a.gif?x=1", false}, {"http:///a.gif", false},
        {"not an address", false},    {"http://h/a b.gif", false},   {"http://h/ads/", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsAdsFileUrl(c.Url), c.Taken) << c.Url;
}

class SwfManager : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fDir.isValid());
        fLogger.SetLogFile(fDir.filePath("log.lgf"));
        fManager.SetErrorLogger(&fLogger);
        fManager.SetSwfPath(fDir.filePath("ADS"));
        fManager.SetTempPath(fDir.filePath("ADS/TMP"));
        fManager.SetBaseUrl(fServer.Url("/zrv/ads/swfquery.php"));
        fManager.SetUserID(42);
        fManager.SetOnCanPlayFile(
            [](QObject*, const QString& aFile) { return ReadFile(aFile).startsWith(c_Playable); });
        const auto record = [this](const char* aName) {
            return [this, aName](QObject*) { fEvents << aName; };
        };
        fManager.SetOnNetListAvailable(record("NetList"));
        fManager.SetOnNetListFailure(record("NetListFailure"));
        fManager.SetOnFailure(record("Failure"));
        fManager.SetOnNewFileAvailable(record("NewFile"));
        fManager.SetOnSwfDownloadComplete(record("Complete"));
        fManager.SetOnBeforeCleanSwfDir(record("BeforeClean"));
        fManager.SetOnAfterCleanSwfDir(record("AfterClean"));
    }

    // The list the service gives for this café.
    void Publish(const QStringList& aNames) {
        QByteArray body = "<html><body>\r\n";
        for (const QString& name : aNames)
            body += fServer.Url("/ads/" + name).toUtf8() + "\r\n";
        fServer.AddFile("/zrv/ads/swfquery.php?UserId=42", body + "</body></html>");
    }
    void QueryList() {
        fManager.GetNetList();
        ASSERT_TRUE(WaitUntil([this] { return fEvents.contains("NetList") || fEvents.contains("Failure"); }));
    }
    bool WaitFetched() {
        return WaitUntil([this] { return !fManager.Downloading(); }, 5000);
    }
    QStringList Folder(const QString& aSub = QStringLiteral("ADS")) const {
        QStringList names = QDir(fDir.filePath(aSub)).entryList(QDir::Files | QDir::Hidden);
        names.sort();
        return names;
    }
    QString Log() const { return QString::fromUtf8(ReadFile(fDir.filePath("log.lgf"))); }

    HttpTestServer fServer;
    QTemporaryDir fDir;
    TZRVErrorLogger fLogger;
    TZRVSwfManager fManager;
    QStringList fEvents;
};

TEST_F(SwfManager, ListQueryCarriesTheCafeAndFillsTheLists) {
    Publish({"a.gif", "b.webp"});
    QueryList();
    EXPECT_EQ(fEvents, QStringList{"NetList"});
    EXPECT_EQ(fServer.Requests(), QStringList{"/zrv/ads/swfquery.php?UserId=42"});
    EXPECT_EQ(fManager.NetList().Lines(),
              QStringList({fServer.Url("/ads/a.gif"), fServer.Url("/ads/b.webp")}));
    EXPECT_EQ(fManager.NetFileNames().Lines(), QStringList({"a.gif", "b.webp"}));
}

TEST_F(SwfManager, UserIdZeroAndRedirectedService) {
    fManager.SetUserID(0);
    fServer.AddRedirect("/zrv/ads/swfquery.php", "/elsewhere");
    fServer.AddFile("/elsewhere", fServer.Url("/ads/a.gif").toUtf8());
    QueryList();
    EXPECT_EQ(fServer.Requests().first(), "/zrv/ads/swfquery.php?UserId=0");
    EXPECT_EQ(fServer.Requests().last(), "/elsewhere");
    EXPECT_EQ(fManager.NetFileNames().Lines(), QStringList{"a.gif"});
}

TEST_F(SwfManager, LinesThatAreNotAdvertisementFilesAreLeftOutWithALogLine) {
    fServer.AddFile("/zrv/ads/swfquery.php", "file:///etc/passwd.gif\r\nhttp://h/old.swf\r\n\r\n" +
                                                 fServer.Url("/ads/a.gif").toUtf8());
    QueryList();
    EXPECT_EQ(fManager.NetFileNames().Lines(), QStringList{"a.gif"});
    EXPECT_EQ(fManager.NetList().Count(), 1);
    EXPECT_TRUE(Log().contains("file:///etc/passwd.gif"));
    EXPECT_TRUE(Log().contains("http://h/old.swf"));
}

TEST_F(SwfManager, FailedListQueryReportsFailureAndLeavesTheListEmpty) {
    Publish({"a.gif"});
    QueryList();
    fEvents.clear();
    fManager.SetBaseUrl(fServer.Url("/no/such/service"));
    QueryList();
    EXPECT_EQ(fEvents, QStringList({"Failure", "NetListFailure"}));
    EXPECT_TRUE(fManager.NetList().IsEmpty());
    EXPECT_THROW(fManager.DownloadSwfs(), EZRVError);
}

TEST_F(SwfManager, ListQueryPreconditions) {
    fManager.SetBaseUrl(QString());
    EXPECT_EQ(ErrorOf([&] { fManager.GetNetList(); }), "Invalid base url");
    fManager.SetBaseUrl(fServer.Url("/zrv/ads/swfquery.php"));
    fServer.AddSlow("/zrv/ads/swfquery.php", fServer.Url("/ads/a.gif").toUtf8(), 8, 10);
    fManager.GetNetList();
    EXPECT_EQ(ErrorOf([&] { fManager.GetNetList(); }), "Already retrieving net list");
    ASSERT_TRUE(WaitUntil([this] { return fEvents.contains("NetList"); }));
    EXPECT_EQ(fManager.NetFileNames().Lines(), QStringList{"a.gif"});
}

TEST_F(SwfManager, FetchPutsTheMissingPlayableFilesInTheFolder) {
    ASSERT_TRUE(QDir().mkpath(fDir.filePath("ADS")));
    ASSERT_TRUE(WriteFile(fDir.filePath("ADS/a.gif"), Ad("a, already here")));
    fServer.AddRedirect("/ads/b.webp", "/store/b.webp");
    fServer.AddFile("/store/b.webp", Ad("b"));
    fServer.AddSlow("/ads/c.mp4", Ad("c, a long video").repeated(400), 2048, 10);
    fServer.AddFile("/ads/d.png", "<html>not a picture at all</html>");
    fServer.AddFile("/ads/e.jpg", Ad("e"));
    Publish({"a.gif", "b.webp", "c.mp4", "d.png", "e.jpg"});
    QueryList();

    int ticksWhileFetching = 0;
    QTimer countdown;
    QObject::connect(&countdown, &QTimer::timeout,
                     [&] { ticksWhileFetching += fManager.Downloading() ? 1 : 0; });
    countdown.start(5);
    fManager.DownloadSwfs();
    EXPECT_EQ(fManager.FileStatus("a.gif"), sfsReady);
    EXPECT_EQ(fManager.FileStatus("B.WEBP"), sfsDownloading);
    EXPECT_EQ(fManager.FileStatus("c.mp4"), sfsWaiting);
    ASSERT_TRUE(WaitFetched());

    EXPECT_EQ(fEvents, QStringList({"NetList", "NewFile", "NewFile", "NewFile", "Complete"}));
    EXPECT_GT(ticksWhileFetching, 5);
    EXPECT_EQ(Folder(), QStringList({"a.gif", "b.webp", "c.mp4", "e.jpg"}));
    EXPECT_TRUE(Folder("ADS/TMP").isEmpty());
    EXPECT_EQ(ReadFile(fDir.filePath("ADS/c.mp4")), Ad("c, a long video").repeated(400));
    EXPECT_EQ(ReadFile(fDir.filePath("ADS/a.gif")), Ad("a, already here"));
    EXPECT_EQ(fManager.FileStatus("a.gif"), sfsReady);
    EXPECT_EQ(fManager.FileStatus("b.webp"), sfsReady);
    EXPECT_EQ(fManager.FileStatus("c.mp4"), sfsReady);
    EXPECT_EQ(fManager.FileStatus("d.png"), sfsUnplayable);
    EXPECT_EQ(fManager.FileStatus("e.jpg"), sfsReady);
    EXPECT_EQ(fManager.FileStatus("z.gif"), sfsUnknown);
    EXPECT_EQ(fManager.SwfList().Lines(), QStringList({"a.gif", "b.webp", "c.mp4", "e.jpg"}));
    EXPECT_EQ(fServer.RequestCount("/ads/a.gif"), 0);
    EXPECT_EQ(fServer.RequestCount("/ads/d.png"), 1);
    EXPECT_EQ(Log().count("d.png"), 1);
    fManager.DoRefreshLocalList();
    QStringList local = fManager.LocalList().Lines();
    local.sort();
    EXPECT_EQ(local, Folder());
}

TEST_F(SwfManager, EverythingPresentCompletesAtOnceWithoutTransfer) {
    ASSERT_TRUE(QDir().mkpath(fDir.filePath("ADS")));
    ASSERT_TRUE(WriteFile(fDir.filePath("ADS/a.gif"), Ad("a")));
    ASSERT_TRUE(WriteFile(fDir.filePath("ADS/B.gif"), Ad("b")));
    Publish({"a.gif", "b.gif"});
    QueryList();
    fManager.DownloadSwfs();
    EXPECT_EQ(fEvents, QStringList({"NetList", "Complete"}));
    EXPECT_FALSE(fManager.Downloading());
    EXPECT_EQ(fManager.SwfList().Lines(), QStringList({"a.gif", "b.gif"}));
    EXPECT_EQ(fServer.Requests().size(), 1);
}

TEST_F(SwfManager, BrokenTransferStopsTheFetchAndLeavesNoPartialFile) {
    fServer.AddFile("/ads/a.gif", Ad("a"));
    fServer.AddBroken("/ads/b.gif", Ad("b").repeated(1000), 3000);
    fServer.AddFile("/ads/c.gif", Ad("c"));
    Publish({"a.gif", "b.gif", "c.gif"});
    QueryList();
    fManager.DownloadSwfs();
    ASSERT_TRUE(WaitFetched());
    EXPECT_EQ(fEvents, QStringList({"NetList", "NewFile", "Failure"}));
    EXPECT_EQ(Folder(), QStringList{"a.gif"});
    EXPECT_TRUE(Folder("ADS/TMP").isEmpty());
    EXPECT_EQ(fManager.FileStatus("b.gif"), sfsFailed);
    EXPECT_EQ(fManager.FileStatus("c.gif"), sfsWaiting);
    EXPECT_EQ(fServer.RequestCount("/ads/c.gif"), 0);
    EXPECT_TRUE(Log().contains("b.gif"));

    // The next fetch takes up what is still missing.
    fEvents.clear();
    fServer.AddFile("/ads/b.gif", Ad("b"));
    fManager.DownloadSwfs();
    ASSERT_TRUE(WaitFetched());
    EXPECT_EQ(fEvents, QStringList({"NewFile", "NewFile", "Complete"}));
    EXPECT_EQ(Folder(), QStringList({"a.gif", "b.gif", "c.gif"}));
    EXPECT_TRUE(Folder("ADS/TMP").isEmpty());
}

TEST_F(SwfManager, FileThatCannotBePutInTheFolderEndsTheFetch) {
    ASSERT_TRUE(QDir().mkpath(fDir.filePath("ADS/a.gif"))); // a folder stands where the file would go
    fServer.AddFile("/ads/a.gif", Ad("a"));
    fServer.AddFile("/ads/b.gif", Ad("b"));
    Publish({"a.gif", "b.gif"});
    QueryList();
    fManager.DownloadSwfs();
    ASSERT_TRUE(WaitFetched());
    EXPECT_EQ(fEvents, QStringList({"NetList", "Failure"}));
    EXPECT_EQ(fManager.FileStatus("a.gif"), sfsFailed);
    EXPECT_EQ(fServer.RequestCount("/ads/a.gif"), 1);
    EXPECT_EQ(fServer.RequestCount("/ads/b.gif"), 0);
}

TEST_F(SwfManager, ListQueryDuringAFetchLeavesTheFetchOnItsOwnList) {
    fServer.AddSlow("/ads/a.gif", Ad("a").repeated(400), 512, 10);
    Publish({"a.gif"});
    QueryList();
    fManager.DownloadSwfs();
    Publish({"b.gif"});
    fEvents.clear();
    QueryList();
    EXPECT_EQ(fManager.NetFileNames().Lines(), QStringList{"b.gif"});
    EXPECT_TRUE(fManager.Downloading());
    ASSERT_TRUE(WaitFetched());
    EXPECT_EQ(fEvents, QStringList({"NetList", "NewFile", "Complete"}));
    EXPECT_EQ(fManager.SwfList().Lines(), QStringList{"a.gif"});
    EXPECT_EQ(Folder(), QStringList{"a.gif"});
}

TEST_F(SwfManager, FailureWithAbortOnFailureStopsTheRunningFetch) {
    fManager.SetAbortOnFailure(true);
    fServer.AddSlow("/ads/a.gif", Ad("a").repeated(400), 512, 10);
    Publish({"a.gif"});
    QueryList();
    fManager.DownloadSwfs();
    fManager.SetBaseUrl(fServer.Url("/no/such/service"));
    fEvents.clear();
    QueryList();
    EXPECT_FALSE(fManager.Downloading());
    EXPECT_EQ(fManager.FileStatus("a.gif"), sfsFailed);
    RunEventsFor(50);
    EXPECT_EQ(fEvents, QStringList({"Failure", "NetListFailure"}));
    EXPECT_TRUE(Folder().isEmpty());
    EXPECT_TRUE(Folder("ADS/TMP").isEmpty());
}

TEST_F(SwfManager, FetchPreconditions) {
    const auto fetch = [this] { fManager.DownloadSwfs(); };
    EXPECT_EQ(ErrorOf(fetch), "NetList is empty");
    fServer.AddSlow("/ads/a.gif", Ad("a").repeated(400), 512, 10);
    Publish({"a.gif"});
    QueryList();

    ASSERT_TRUE(WriteFile(fDir.filePath("plain"), "a file, not a folder"));
    fManager.SetTempPath(fDir.filePath("plain/TMP"));
    EXPECT_EQ(ErrorOf(fetch), "Unable to create temp directory");
    fManager.SetTempPath(fDir.filePath("ADS/TMP"));
    fManager.SetSwfPath(fDir.filePath("plain/ADS"));
    EXPECT_EQ(ErrorOf(fetch), "Unable to create Swf directory");
    fManager.SetSwfPath(QString());
    EXPECT_EQ(ErrorOf(fetch), "Unable to create Swf directory");

    fManager.SetSwfPath(fDir.filePath("ADS"));
    fManager.DownloadSwfs();
    EXPECT_EQ(ErrorOf(fetch), "Still executing last request");
    const QString noChange = "Can't change this property while downloading files";
    EXPECT_EQ(ErrorOf([&] { fManager.SetSwfPath(fDir.filePath("other")); }), noChange);
    EXPECT_EQ(ErrorOf([&] { fManager.SetTempPath(fDir.filePath("other")); }), noChange);
    EXPECT_EQ(ErrorOf([&] { fManager.ShuffleSwfList(); }), "Can't do this while downloading files");
    fManager.SetSwfPath(fDir.filePath("ADS/")); // the same folder is no change
    ASSERT_TRUE(WaitFetched());
    EXPECT_NO_THROW(fManager.ShuffleSwfList());
}

TEST_F(SwfManager, FoldersEndWithASeparator) {
    fManager.SetSwfPath("/srv/zrv/ADS");
    EXPECT_EQ(fManager.SwfPath(), "/srv/zrv/ADS/");
    fManager.SetTempPath("/srv/zrv/ADS/TMP/");
    EXPECT_EQ(fManager.TempPath(), "/srv/zrv/ADS/TMP/");
    fManager.SetSwfPath(QString()); // never the root folder
    EXPECT_EQ(fManager.SwfPath(), "");
    fManager.DoRefreshLocalList();
    EXPECT_TRUE(fManager.LocalList().IsEmpty());
    EXPECT_TRUE(TZRVSwfManager().TempPath().endsWith('/'));
    EXPECT_EQ(TZRVSwfManager().BaseUrl(), c_DefBaseUrl);
    EXPECT_TRUE(c_DefBaseUrl.endsWith("/zrv/ads/swfquery.php"));
}

TEST_F(SwfManager, CleaningRemovesTheUnlistedAdvertisementsOnly) {
    ASSERT_TRUE(QDir().mkpath(fDir.filePath("ADS")));
    for (const char* name : {"a.gif", "old.webm", "OLD2.PNG", "notes.txt"})
        ASSERT_TRUE(WriteFile(fDir.filePath("ADS/") + name, Ad(name)));
    Publish({"A.GIF"});
    QueryList();
    fManager.DoRefreshLocalList();
    fEvents.clear();
    fManager.CleanSwfDir();
    EXPECT_EQ(fEvents, QStringList({"BeforeClean", "AfterClean"}));
    EXPECT_EQ(Folder(), QStringList({"a.gif", "notes.txt"}));
    EXPECT_EQ(fManager.LocalList().Lines(), QStringList{"a.gif"});
}

} // namespace
