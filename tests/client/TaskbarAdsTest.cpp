// The task bar's advertisements: the player shows animations, pictures and videos by their
// content and keeps the last good one on screen; the bar fetches the advertisement service's list
// into its folders while the session counts down, plays the files in turn and opens the one on
// screen when it is clicked.

#include "ClientTestFixture.h"

#include "AdsPlayer.h"

#include "ZRVClientConfig.h"

#include "support/HttpTestServer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QMovie>

using namespace zrvtest;

namespace {

// Qt writes no GIF: a 1 x 1 GIF of two frames, red then blue, looping.
const QByteArray c_AnimatedGif = QByteArray::fromHex(
    "47494638396101000100800000ff00000000ff21ff0b4e45545343415045322e30030100000021f904000a0000002c00"
    "0000000100010000020244010021f904000a0000002c00000000010001000002024c01003b");
// A 16 x 16 video of two frames: VP8 in WebM, and MPEG-4 part 2 in MP4.
const QByteArray c_TinyWebm = QByteArray::fromHex(
    "1a45dfa301000000000000104282857765626d0042878102428581021853806701000000000001fd114d9b7401000000"
    "0000008c4dbb010000000000001253ab841549a96653ac8800000000000000984dbb010000000000001253ab841654ae"
    "6b53ac880000000000000105ec9a010000000000001253ab841043a77053ac88ffffffffffffffff4dbb010000000000"
    "001253ab841c53bb6b53ac8800000000000001d5ec9a010000000000001253ab841254c36753ac88ffffffffffffffff"
    "1549a96601000000000000612ad7b1830f424044898840790000000000004d80a54753747265616d6572206d6174726f"
    "736b616d75782076657273696f6e20312e32322e30005741994753747265616d6572204d6174726f736b61206d757865"
    "72004461880b5c42e97c5430481654ae6b010000000000005fae0100000000000056d7810183810173c5884eb2a65991"
    "11ba4d23e383840bebc200536e86566964656f00e00100000000000023b08110ba81109a810255b00100000000000010"
    "55b9810155b1810655ba810655bb81068686565f565038001f43b6750100000000000059e78100a3bd81000080f00200"
    "9d012a1000100000470885858885848802020275aa03f803fa020d4d1800fefd6ef3ffe3993730c4ff8e6dfff1613c0e"
    "28c8fff15100a3958100c800b1010001101000180018582ff4000800001c53bb6b010000000000001cbb010000000000"
    "0013b38100b70100000000000007f78101f1820170");
const QByteArray c_TinyMp4 = QByteArray::fromHex(
    "00000020667479706d703432000000006d7034326d70343169736f6d69736f320000000866726565000000566d646174"
    "000001b001000001b58913000001000000012000c48d8ffffd0084021463000001b24c61766335392e33372e31303000"
    "0001b3001007000001b610000c0a305436c0f00b5f000001b653333e046f0000033f6d6f6f760000006c6d7668640000"
    "0000e7405c32e7405c32000007d000000190000100000100000000000000000000000001000000000000000000000000"
    "000000010000000000000000000000000000400000000000000000000000000000000000000000000000000000000000"
    "00020000028e7472616b0000005c746b686400000007e7405c32e7405c32000000010000000000000190000000000000"
    "000000000000000000000001000000000000000000000000000000010000000000000000000000000000400000000010"
    "00000010000000000024656474730000001c656c73740000000000000001000001900000000000010000000001c96d64"
    "6961000000206d64686400000000e7405c32e7405c32000001f40000006455c400000000002d68646c72000000000000"
    "000076696465000000000000000000000000566964656f48616e646c657200000001746d696e6600000014766d686400"
    "00000100000000000000000000002464696e660000001c6472656600000000000000010000000c75726c200000000100"
    "0001347374626c000000ac7374736400000000000000010000009c6d7034760000000000000001000000000000000000"
    "000000000000000010001000480000004800000000000000010000000000000000000000000000000000000000000000"
    "0000000000000000000018ffff0000002365736473000000000315000100040d20110000000000000000000c30060102"
    "00000013636f6c726e636c78000600060006000000001070617370000000010000000100000020737474730000000000"
    "0000020000000100000000000000010000006400000014737473730000000000000001000000010000001c7374736300"
    "000000000000010000000100000002000000010000001c7374737a000000000000000000000002000000450000000900"
    "0000147374636f0000000000000001000000300000003d75647461000000356d657461000000000000002168646c7200"
    "0000006d686c726d6469720000000000000000000000000000000008696c73740000003d75647461000000356d657461"
    "000000000000002168646c72000000006d686c726d6469720000000000000000000000000000000008696c7374");

// A small picture of aWidth x aHeight in aFormat, as Qt writes it.
QByteArray Picture(const char* aFormat, Qt::GlobalColor aColor = Qt::red, int aWidth = 8, int aHeight = 4) {
    QImage image(aWidth, aHeight, QImage::Format_RGB32);
    image.fill(aColor);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, aFormat);
    EXPECT_TRUE(writer.write(image)) << aFormat << ": " << writer.errorString().toStdString();
    return bytes;
}

const QByteArray c_NotAPicture = QByteArrayLiteral("GIF? no: this is only text\n");

QString WriteFile(const QString& aPath, const QByteArray& aBytes) {
    QFile file(aPath);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << aPath.toStdString();
    file.write(aBytes);
    return aPath;
}

// The player alone, in a panel of the bar's size.
class AdsPlayer : public ::testing::Test {
protected:
    QTemporaryDir fDir;
    TZRVAdsPlayer fPlayer;

    void SetUp() override {
        fPlayer.resize(200, 29);
        fPlayer.show();
    }

    QString File(const QString& aName, const QByteArray& aBytes) {
        return WriteFile(fDir.filePath(aName), aBytes);
    }
};

TEST_F(AdsPlayer, TakesAFileByItsContentNotItsName) {
    struct Case {
        const char* Name;
        QByteArray Bytes;
        TZRVAdsKind Kind;
        bool Playable;
    };
    const QByteArray png = Picture("png");
    const Case cases[] = {
        {"a.gif", c_AnimatedGif, TZRVAdsKind::Animation, true},
        {"a.png", png, TZRVAdsKind::Picture, true},
        {"a.jpg", Picture("jpeg"), TZRVAdsKind::Picture, true},
        {"a.bmp", Picture("bmp"), TZRVAdsKind::Picture, true},
        {"a.webp", Picture("webp"), TZRVAdsKind::Picture, true},
        {"png-named.gif", png, TZRVAdsKind::Picture, true},
        {"a.webm", c_TinyWebm, TZRVAdsKind::Video, true},
        {"a.mp4", c_TinyMp4, TZRVAdsKind::Video, true},
        {"text.gif", c_NotAPicture, TZRVAdsKind::None, false},
        {"empty.png", {}, TZRVAdsKind::None, false},
        // The header of a picture without its pixels.
        {"cut.png", png.left(40), TZRVAdsKind::Picture, false},
        {"text.webm", c_NotAPicture, TZRVAdsKind::None, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString file = File(QString::fromLatin1(c.Name), c.Bytes);
        EXPECT_EQ(AdsKindOf(file), c.Kind);
        EXPECT_EQ(CanPlayFile(file), c.Playable);
    }
    EXPECT_FALSE(CanPlayFile(fDir.filePath(QStringLiteral("missing.png"))));
}

TEST_F(AdsPlayer, ShowsEachKindAndKeepsTheLastGoodOneOnScreen) {
    QStringList commands;
    fPlayer.OnFSCommand = [&](const QString& aCommand, const QString&) { commands << aCommand; };
    // Nothing on screen: a click says nothing.
    QTest::mouseClick(&fPlayer, Qt::LeftButton);
    EXPECT_TRUE(commands.isEmpty());
    EXPECT_EQ(fPlayer.Status(), TZRVAdsPlayerStatus::Empty);

    const QString png = File(QStringLiteral("a.png"), Picture("png", Qt::red, 40, 20));
    fPlayer.LoadMovie(png);
    EXPECT_EQ(fPlayer.Status(), TZRVAdsPlayerStatus::Playing);
    EXPECT_EQ(fPlayer.Kind(), TZRVAdsKind::Picture);
    EXPECT_EQ(fPlayer.MovieFile(), png);
    // Scaled into the panel, its proportions kept.
    EXPECT_EQ(fPlayer.pixmap().size(), QSize(58, 29));

    const QString gif = File(QStringLiteral("b.gif"), c_AnimatedGif);
    fPlayer.LoadMovie(gif);
    EXPECT_EQ(fPlayer.Status(), TZRVAdsPlayerStatus::Playing);
    EXPECT_EQ(fPlayer.Kind(), TZRVAdsKind::Animation);
    ASSERT_NE(fPlayer.movie(), nullptr);
    EXPECT_EQ(fPlayer.movie()->frameCount(), 2);
    EXPECT_EQ(fPlayer.movie()->state(), QMovie::Running);

    // A file it cannot show fails and leaves the animation playing.
    for (const QString& bad :
         {File(QStringLiteral("text.gif"), c_NotAPicture), fDir.filePath(QStringLiteral("no.png"))}) {
        EXPECT_THROW(fPlayer.LoadMovie(bad), EZRVError);
        EXPECT_EQ(fPlayer.Status(), TZRVAdsPlayerStatus::Failed);
        EXPECT_EQ(fPlayer.MovieFile(), gif);
        EXPECT_EQ(fPlayer.movie()->state(), QMovie::Running);
    }

    QTest::mouseClick(&fPlayer, Qt::LeftButton);
    QTest::mouseClick(&fPlayer, Qt::RightButton);
    EXPECT_EQ(commands, QStringList{QStringLiteral("OPENADS")});

    fPlayer.Stop();
    EXPECT_EQ(fPlayer.Status(), TZRVAdsPlayerStatus::Stopped);
    EXPECT_EQ(fPlayer.movie()->state(), QMovie::Paused);
}

// The videos play through GStreamer with the plug-ins the bootstrap installs (VP8 and Matroska
// from the good set, MPEG-4 from libav); a video whose streams do not decode is refused once it
// opens, and the last good advertisement stays.
// The media backend's first start on a machine reads every plug-in it has: it may take seconds.
constexpr int c_VideoMs = 30000;

TEST_F(AdsPlayer, PlaysTheVideosTheMediaBackendDecodes) {
    struct Case {
        const char* Name;
        const QByteArray& Bytes;
    };
    QStringList errors;
    fPlayer.OnError = [&](const QString& aMessage) { errors << aMessage; };
    const QString png = File(QStringLiteral("a.png"), Picture("png"));
    for (const Case& c : {Case{"a.webm", c_TinyWebm}, Case{"a.mp4", c_TinyMp4}}) {
        SCOPED_TRACE(c.Name);
        fPlayer.LoadMovie(png);
        const QString video = File(QString::fromLatin1(c.Name), c.Bytes);
        fPlayer.LoadMovie(video);
        EXPECT_EQ(fPlayer.Status(), TZRVAdsPlayerStatus::Loading);
        EXPECT_EQ(fPlayer.MovieFile(), png);
        ASSERT_TRUE(
            WaitUntil([this] { return fPlayer.Status() != TZRVAdsPlayerStatus::Loading; }, c_VideoMs));
        EXPECT_EQ(fPlayer.Status(), TZRVAdsPlayerStatus::Playing) << errors.join(u'\n').toStdString();
        EXPECT_EQ(fPlayer.MovieFile(), video);
        EXPECT_EQ(fPlayer.Kind(), TZRVAdsKind::Video);
        EXPECT_FALSE(fPlayer.pixmap().isNull());
    }

    // A WebM whose streams are garbage: refused once it opens, the last video stays.
    const QString previous = fPlayer.MovieFile();
    const QString broken = File(QStringLiteral("broken.webm"), c_TinyWebm.left(48) + QByteArray(400, 'x'));
    fPlayer.LoadMovie(broken);
    ASSERT_TRUE(WaitUntil([this] { return fPlayer.Status() != TZRVAdsPlayerStatus::Loading; }, c_VideoMs));
    EXPECT_EQ(fPlayer.Status(), TZRVAdsPlayerStatus::Failed);
    EXPECT_EQ(fPlayer.MovieFile(), previous);
    ASSERT_FALSE(errors.isEmpty());
    EXPECT_TRUE(errors.last().contains(broken)) << errors.last().toStdString();
}

// The bar against a local advertisement service, its timers as they ship unless a test says.
class TaskbarAds : public ClientTest {
protected:
    HttpTestServer fHttp;

    static QString Ads(const QString& aName) { return TfrmTaskBar::AdsFolder() + u'/' + aName; }
    static QStringList Files(const QString& aFolder) {
        return QDir(aFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    static TZRVSwfManager* Manager() { return frmTaskBar->ZRVSwfManager; }
    static TZRVAdsPlayer* Player() { return frmTaskBar->ShockwaveFlashAdv; }
    static QStringList LogLines() {
        QFile log(frmMain->ZRVErrorLogger->LogFile());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(QStringLiteral("\r\n"));
    }

    // The service answers the café aUserID with these files' addresses.
    void ServeList(const QString& aUserID, const QStringList& aFiles) {
        QStringList urls;
        for (const QString& file : aFiles)
            urls << fHttp.Url(QStringLiteral("/ads/") + file);
        fHttp.AddFile(QStringLiteral("/list?UserId=") + aUserID, urls.join(QStringLiteral("\r\n")).toUtf8());
    }
    void Configure(const QString& aUserID) {
        TZRVClientConfig config;
        config.SetUrlBaseSwf(fHttp.Url(QStringLiteral("/list")));
        config.SetUIUserID(aUserID);
    }
};

TEST_F(TaskbarAds, TheBarFetchesTheListDuringTheSessionAndPlaysWhatItCanShowInTurn) {
    StartServer();
    AddTicket(QStringLiteral("TICKET50"), 3600);
    ASSERT_TRUE(QDir().mkpath(TfrmTaskBar::AdsFolder()));
    WriteFile(Ads(QStringLiteral("old.png")), Picture("png", Qt::green));
    StartClient();
    // No service set yet: the creation tick says so, and the advertisement already here plays.
    EXPECT_EQ(LogLines()
                  .filter(QStringLiteral(
                      "Invalid base url;TaskbarForm;TfrmTaskBar.TimerDownloadSwfTimer;LOG-CONTINUE;"))
                  .size(),
              1);
    EXPECT_EQ(Player()->MovieFile(), Ads(QStringLiteral("old.png")));
    EXPECT_EQ(Player()->Status(), TZRVAdsPlayerStatus::Playing);
    EXPECT_EQ(frmTaskBar->ChangeAdsTag(), 0);
    EXPECT_TRUE(frmTaskBar->TimerDownloadSwf->isActive());
    EXPECT_EQ(frmTaskBar->TimerDownloadSwf->interval(), 21600000);
    EXPECT_TRUE(frmTaskBar->TimerChangeAds->isActive());
    EXPECT_EQ(frmTaskBar->TimerChangeAds->interval(), 300000);

    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(LoginTicket(QStringLiteral("TICKET50")));
    Session()->SetChangeInterval(20);
    ASSERT_TRUE(OpenSession());

    fHttp.AddFile(QStringLiteral("/ads/a.png"), Picture("png"));
    fHttp.AddFile(QStringLiteral("/ads/b.gif"), c_AnimatedGif);
    fHttp.AddRedirect(QStringLiteral("/ads/moved.png"), fHttp.Url(QStringLiteral("/store/real.png")));
    fHttp.AddFile(QStringLiteral("/store/real.png"), Picture("png", Qt::blue));
    fHttp.AddSlow(QStringLiteral("/ads/slow.gif"), c_AnimatedGif, 8, 80);
    fHttp.AddFile(QStringLiteral("/ads/bad.gif"), c_NotAPicture);
    fHttp.AddFile(QStringLiteral("/ads/film.webm"), c_TinyWebm);
    const QStringList listed = {QStringLiteral("a.png"),     QStringLiteral("b.gif"),
                                QStringLiteral("moved.png"), QStringLiteral("slow.gif"),
                                QStringLiteral("bad.gif"),   QStringLiteral("film.webm")};
    ServeList(QStringLiteral("42"), listed);
    Configure(QStringLiteral("42"));
    // What the player shows when the folder is about to be cleaned.
    TZRVAdsPlayerStatus statusAtClean = TZRVAdsPlayerStatus::Empty;
    QString shownAtClean;
    const TNotifyEvent beforeClean = Manager()->OnBeforeCleanSwfDir();
    Manager()->SetOnBeforeCleanSwfDir([&](QObject* aSender) {
        beforeClean(aSender);
        statusAtClean = Player()->Status();
        shownAtClean = Player()->MovieFile();
    });
    frmTaskBar->TimerDownloadSwfTimer();

    // The session counts down while the slow file comes.
    const QString slow = QStringLiteral("slow.gif");
    ASSERT_TRUE(WaitUntil([&] { return Manager()->FileStatus(slow) == sfsDownloading; }));
    const QString credit = frmTaskBar->LabelCredit->text();
    ASSERT_TRUE(WaitUntil([&] {
        return frmTaskBar->LabelCredit->text() != credit || Manager()->FileStatus(slow) != sfsDownloading;
    }));
    EXPECT_EQ(Manager()->FileStatus(slow), sfsDownloading);
    EXPECT_NE(frmTaskBar->LabelCredit->text(), credit);

    ASSERT_TRUE(WaitUntil([] { return frmTaskBar->ChangeAdsTag() == 1; }));
    EXPECT_TRUE(fHttp.Requests().contains(QStringLiteral("/list?UserId=42")));
    const QStringList kept = {QStringLiteral("a.png"), QStringLiteral("b.gif"), QStringLiteral("moved.png"),
                              slow, QStringLiteral("film.webm")};
    EXPECT_EQ(Manager()->SwfList().Lines(), kept);
    for (const QString& name : listed)
        EXPECT_EQ(Manager()->FileStatus(name), name == QStringLiteral("bad.gif") ? sfsUnplayable : sfsReady)
            << name.toStdString();
    // What is not listed went with the cleaning; what cannot be shown never came in.
    EXPECT_EQ(Files(TfrmTaskBar::AdsFolder()),
              (QStringList{QStringLiteral("a.png"), QStringLiteral("b.gif"), QStringLiteral("film.webm"),
                           QStringLiteral("moved.png"), slow}));
    EXPECT_TRUE(Files(TfrmTaskBar::AdsTempFolder()).isEmpty())
        << Files(TfrmTaskBar::AdsTempFolder()).join(u' ').toStdString();
    const QStringList skipped = LogLines().filter(QStringLiteral("bad.gif"));
    ASSERT_EQ(skipped.size(), 1) << skipped.join(u'\n').toStdString();
    EXPECT_TRUE(skipped.first().contains(QStringLiteral(";ZRVSwfManager;"))) << skipped.first().toStdString();
    EXPECT_EQ(statusAtClean, TZRVAdsPlayerStatus::Stopped);
    EXPECT_EQ(shownAtClean, Ads(QStringLiteral("old.png")));

    // The fetched list plays from its first file, each change the next, after the last the first.
    EXPECT_EQ(Player()->MovieFile(), Ads(QStringLiteral("a.png")));
    struct Turn {
        QString Name;
        TZRVAdsKind Kind;
    };
    const Turn turns[] = {{QStringLiteral("b.gif"), TZRVAdsKind::Animation},
                          {QStringLiteral("moved.png"), TZRVAdsKind::Picture},
                          {slow, TZRVAdsKind::Animation},
                          {QStringLiteral("film.webm"), TZRVAdsKind::Video},
                          {QStringLiteral("a.png"), TZRVAdsKind::Picture}};
    for (const Turn& turn : turns) {
        SCOPED_TRACE(turn.Name.toStdString());
        frmTaskBar->TimerChangeAdsTimer();
        ASSERT_TRUE(WaitUntil([] { return Player()->Status() != TZRVAdsPlayerStatus::Loading; }, c_VideoMs));
        EXPECT_EQ(Player()->Status(), TZRVAdsPlayerStatus::Playing);
        EXPECT_EQ(Player()->MovieFile(), Ads(turn.Name));
        EXPECT_EQ(Player()->Kind(), turn.Kind);
    }
    // The change timer does the same.
    frmTaskBar->TimerChangeAds->setInterval(50);
    ASSERT_TRUE(WaitUntil([] { return Player()->MovieFile() == Ads(QStringLiteral("b.gif")); }));
    frmTaskBar->TimerChangeAds->setInterval(3600000);

    // A click opens the advertisement on screen with the desktop's handler.
    TZRVFakeLauncher& launcher = FakePlatform().FakeLauncher();
    launcher.ClearCalls();
    QTest::mouseClick(Player(), Qt::LeftButton);
    EXPECT_EQ(launcher.Calls(), QStringList{QStringLiteral("Open(%1)").arg(Player()->MovieFile())});
}

TEST_F(TaskbarAds, ABrokenTransferStopsTheFetchAndTheFolderKeepsPlaying) {
    ASSERT_TRUE(QDir().mkpath(TfrmTaskBar::AdsFolder()));
    WriteFile(Ads(QStringLiteral("keep.png")), Picture("png"));
    fHttp.AddBroken(QStringLiteral("/ads/broken.gif"), c_AnimatedGif, 20);
    fHttp.AddFile(QStringLiteral("/ads/late.png"), Picture("png"));
    // A café identifier that is not a number asks as café 0.
    ServeList(QStringLiteral("0"),
              {QStringLiteral("keep.png"), QStringLiteral("broken.gif"), QStringLiteral("late.png")});
    Configure(QStringLiteral("café"));
    StartClientOffline();

    ASSERT_TRUE(WaitUntil([] { return Manager()->FileStatus(QStringLiteral("broken.gif")) == sfsFailed; }));
    RunEventsFor(100);
    EXPECT_TRUE(fHttp.Requests().contains(QStringLiteral("/list?UserId=0")));
    EXPECT_EQ(Manager()->FileStatus(QStringLiteral("keep.png")), sfsReady);
    EXPECT_EQ(Manager()->FileStatus(QStringLiteral("late.png")), sfsWaiting);
    EXPECT_EQ(fHttp.RequestCount(QStringLiteral("/ads/late.png")), 0);
    EXPECT_EQ(Files(TfrmTaskBar::AdsFolder()), QStringList{QStringLiteral("keep.png")});
    EXPECT_TRUE(Files(TfrmTaskBar::AdsTempFolder()).isEmpty())
        << Files(TfrmTaskBar::AdsTempFolder()).join(u' ').toStdString();
    EXPECT_EQ(LogLines().filter(QStringLiteral("broken.gif")).size(), 1);
    // No fetch completed: the folder's advertisements play on.
    EXPECT_EQ(frmTaskBar->ChangeAdsTag(), 0);
    EXPECT_EQ(Player()->MovieFile(), Ads(QStringLiteral("keep.png")));
    EXPECT_EQ(Player()->Status(), TZRVAdsPlayerStatus::Playing);
}

} // namespace
