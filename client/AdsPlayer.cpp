#include "AdsPlayer.h"

#include "ClientUtils.h"

#include "ZRVCommon.h"

#include <QFile>
#include <QImageReader>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QMovie>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Whether a file is a video container, told by its first bytes: Matroska's EBML mark for WebM, the
// "ftyp" box for MP4.
bool IsVideoContainer(const QString& aFileName) {
    QFile file(aFileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(8);
    return head.startsWith("\x1A\x45\xDF\xA3") || head.mid(4, 4) == "ftyp";
}

// What a picture is comes from its content, never from its name.
void ReadByContent(QImageReader& aReader) {
    aReader.setDecideFormatFromContent(true);
    aReader.setAutoTransform(true);
}

QImage FirstImage(const QString& aFileName) {
    QImageReader reader(aFileName);
    ReadByContent(reader);
    return reader.read();
}

QString CannotShow(const QString& aFileName) {
    return u"The player cannot show %1"_s.arg(aFileName);
}

} // namespace

TZRVAdsKind AdsKindOf(const QString& aFileName) {
    QImageReader reader(aFileName);
    ReadByContent(reader);
    if (reader.canRead())
        return reader.supportsAnimation() ? TZRVAdsKind::Animation : TZRVAdsKind::Picture;
    return IsVideoContainer(aFileName) ? TZRVAdsKind::Video : TZRVAdsKind::None;
}

bool CanPlayFile(const QString& aFileName) {
    switch (AdsKindOf(aFileName)) {
    case TZRVAdsKind::None:
        return false;
    case TZRVAdsKind::Video:
        return true;
    case TZRVAdsKind::Animation:
    case TZRVAdsKind::Picture:
        // A picture is taken when its first image decodes, not only its header.
        return !FirstImage(aFileName).isNull();
    }
    return false;
}

// =============================================================================================

TZRVAdsPlayer::TZRVAdsPlayer(QWidget* aParent) : QLabel(aParent) {
    setAlignment(Qt::AlignCenter);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setFocusPolicy(Qt::StrongFocus);
    SetBackgroundColor(this, ZRVColor::Black);
    setAutoFillBackground(true);
}

TZRVAdsPlayer::~TZRVAdsPlayer() {
    DropPending();
    DropVideo(fVideo);
    clear();
    delete fMovie;
}

void TZRVAdsPlayer::LoadMovie(const QString& aFileName) {
    DropPending();
    try {
        switch (AdsKindOf(aFileName)) {
        case TZRVAdsKind::Animation:
            return LoadAnimation(aFileName);
        case TZRVAdsKind::Picture:
            return LoadPicture(aFileName);
        case TZRVAdsKind::Video:
            return LoadVideo(aFileName);
        case TZRVAdsKind::None:
            throw EZRVError(CannotShow(aFileName));
        }
    } catch (const EZRVError&) {
        fStatus = TZRVAdsPlayerStatus::Failed;
        throw;
    }
}

void TZRVAdsPlayer::LoadAnimation(const QString& aFileName) {
    auto movie = std::make_unique<QMovie>(aFileName, QImageReader::imageFormat(aFileName));
    if (!movie->isValid() || !movie->jumpToFrame(0))
        throw EZRVError(CannotShow(aFileName));
    Show(aFileName, TZRVAdsKind::Animation);
    fMovie = movie.release();
    fMovieSize = fMovie->currentImage().size();
    Refresh();
    setMovie(fMovie);
    fMovie->start();
}

void TZRVAdsPlayer::LoadPicture(const QString& aFileName) {
    const QImage image = FirstImage(aFileName);
    if (image.isNull())
        throw EZRVError(CannotShow(aFileName));
    Show(aFileName, TZRVAdsKind::Picture);
    fPicture = QPixmap::fromImage(image);
    Refresh();
}

// The video opens in a player of its own and takes the screen with its first picture; until
// then the advertisement on screen stays.
void TZRVAdsPlayer::LoadVideo(const QString& aFileName) {
    auto* player = new QMediaPlayer(this);
    auto* sink = new QVideoSink(player);
    player->setVideoSink(sink);
    player->setLoops(QMediaPlayer::Infinite);
    connect(sink, &QVideoSink::videoFrameChanged, this,
            [this, player](const QVideoFrame& aFrame) { OnVideoFrame(player, aFrame); });
    connect(
        player, &QMediaPlayer::errorOccurred, this,
        [this, player](QMediaPlayer::Error, const QString& aMessage) { OnVideoFailed(player, aMessage); });
    connect(player, &QMediaPlayer::mediaStatusChanged, this,
            [this, player](QMediaPlayer::MediaStatus aStatus) {
                if (aStatus == QMediaPlayer::InvalidMedia)
                    OnVideoFailed(player, player->errorString());
            });
    fPending = player;
    fPendingFile = aFileName;
    fStatus = TZRVAdsPlayerStatus::Loading;
    player->setSource(QUrl::fromLocalFile(aFileName));
    player->play();
}

void TZRVAdsPlayer::OnVideoFrame(QMediaPlayer* aPlayer, const QVideoFrame& aFrame) {
    if (!aFrame.isValid())
        return;
    if (aPlayer == fPending) {
        fPending = nullptr;
        Show(fPendingFile, TZRVAdsKind::Video);
        fVideo = aPlayer;
    }
    if (aPlayer != fVideo)
        return;
    fPicture = QPixmap::fromImage(aFrame.toImage());
    Refresh();
}

void TZRVAdsPlayer::OnVideoFailed(QMediaPlayer* aPlayer, const QString& aMessage) {
    if (aPlayer != fPending)
        return;
    const QString file = fPendingFile;
    DropPending();
    fStatus = TZRVAdsPlayerStatus::Failed;
    if (OnError)
        OnError(CannotShow(file) + u": "_s + aMessage);
}

void TZRVAdsPlayer::Show(const QString& aFileName, TZRVAdsKind aKind) {
    clear();
    delete std::exchange(fMovie, nullptr);
    DropVideo(fVideo);
    fPicture = QPixmap();
    fMovieFile = aFileName;
    fKind = aKind;
    fStatus = TZRVAdsPlayerStatus::Playing;
}

void TZRVAdsPlayer::Stop() {
    DropPending();
    if (fMovie)
        fMovie->setPaused(true);
    if (fVideo)
        fVideo->pause();
    if (!fMovieFile.isEmpty())
        fStatus = TZRVAdsPlayerStatus::Stopped;
    else if (fStatus == TZRVAdsPlayerStatus::Loading)
        fStatus = TZRVAdsPlayerStatus::Empty;
}

void TZRVAdsPlayer::DropPending() {
    DropVideo(fPending);
    fPendingFile.clear();
}

// The player may be the one raising the event being handled: it goes once that is over.
void TZRVAdsPlayer::DropVideo(QMediaPlayer*& aPlayer) {
    if (QMediaPlayer* player = std::exchange(aPlayer, nullptr)) {
        player->disconnect(this);
        player->videoSink()->disconnect(this);
        player->stop();
        player->deleteLater();
    }
}

// ---------------------------------------------------------------------------------------------
// Showing

QSize TZRVAdsPlayer::FitSize(const QSize& aSize) const {
    return aSize.scaled(contentsRect().size(), Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

void TZRVAdsPlayer::Refresh() {
    if (fMovie)
        fMovie->setScaledSize(FitSize(fMovieSize));
    else if (!fPicture.isNull())
        setPixmap(fPicture.scaled(FitSize(fPicture.size()), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TZRVAdsPlayer::resizeEvent(QResizeEvent* aEvent) {
    QLabel::resizeEvent(aEvent);
    Refresh();
}

void TZRVAdsPlayer::mouseReleaseEvent(QMouseEvent* aEvent) {
    QLabel::mouseReleaseEvent(aEvent);
    if (aEvent->button() == Qt::LeftButton && rect().contains(aEvent->position().toPoint()) &&
        !fMovieFile.isEmpty() && OnFSCommand)
        OnFSCommand(u"OPENADS"_s, QString());
}
