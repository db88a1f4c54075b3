#pragma once
// The advertisement player of the session task bar. It shows one advertisement file scaled into
// its panel: animations (GIF, WebP) play in a loop, videos (MP4, WebM) play silent in a loop, and
// still pictures (PNG, JPEG, BMP) stay. What a file is comes from its content, not its name. A
// file that cannot be shown leaves the last good one on screen. A click raises the command
// "OPENADS", which asks the bar to open the advertisement.

#include <QLabel>
#include <QPixmap>
#include <QString>

#include <functional>

class QMediaPlayer;
class QMovie;
class QVideoFrame;
class QVideoSink;

// What an advertisement file holds, read from its first bytes.
enum class TZRVAdsKind {
    None,      // nothing the player can show
    Animation, // a picture format with frames (GIF, WebP), played by QMovie
    Picture,   // a still picture (PNG, JPEG, BMP, ...)
    Video      // an MP4 or WebM container, played by Qt Multimedia
};

TZRVAdsKind AdsKindOf(const QString& aFileName);
// Whether the player can show aFileName: the check the advertisement manager asks before it keeps
// a fetched file. A picture or an animation must decode; a video must be an MP4 or WebM container.
// Whether the media backend decodes a video's streams is known only once it plays: the player
// refuses it then, and keeps the last good advertisement on screen.
bool CanPlayFile(const QString& aFileName);

enum class TZRVAdsPlayerStatus {
    Empty,   // nothing loaded yet
    Loading, // a video is opening; the last good advertisement stays on screen meanwhile
    Playing, // MovieFile is on screen
    Stopped, // MovieFile stays on screen, still
    Failed   // the last file asked for cannot be shown; MovieFile (if any) stays on screen
};

class TZRVAdsPlayer : public QLabel {
    Q_OBJECT
public:
    explicit TZRVAdsPlayer(QWidget* aParent = nullptr);
    ~TZRVAdsPlayer() override;

    // Shows aFileName in place of the advertisement on screen. A file that is not a picture, an
    // animation or a video raises an error and changes nothing on screen; a video replaces the
    // advertisement only once its first picture is decoded (Status is Loading until then).
    void LoadMovie(const QString& aFileName);
    // Freezes the advertisement on screen and lets go of a video that is still opening.
    void Stop();

    TZRVAdsPlayerStatus Status() const { return fStatus; }
    TZRVAdsKind Kind() const { return fKind; }
    // The advertisement on screen: the last file that could be shown.
    const QString& MovieFile() const { return fMovieFile; }

    // The commands the advertisement raises ("OPENADS" on a click), with their arguments.
    std::function<void(const QString& aCommand, const QString& aArgs)> OnFSCommand;
    // Why a video that was opening cannot be shown (its failure is known only later).
    std::function<void(const QString& aMessage)> OnError;

protected:
    void mouseReleaseEvent(QMouseEvent* aEvent) override;
    void resizeEvent(QResizeEvent* aEvent) override;

private:
    void LoadAnimation(const QString& aFileName);
    void LoadPicture(const QString& aFileName);
    void LoadVideo(const QString& aFileName);
    void OnVideoFrame(QMediaPlayer* aPlayer, const QVideoFrame& aFrame);
    void OnVideoFailed(QMediaPlayer* aPlayer, const QString& aMessage);
    // Lets go of what is on screen; aFileName of aKind shows from now on.
    void Show(const QString& aFileName, TZRVAdsKind aKind);
    void DropPending();
    void DropVideo(QMediaPlayer*& aPlayer);
    void Refresh();
    QSize FitSize(const QSize& aSize) const;

    TZRVAdsPlayerStatus fStatus = TZRVAdsPlayerStatus::Empty;
    TZRVAdsKind fKind = TZRVAdsKind::None;
    QString fMovieFile;
    QMovie* fMovie = nullptr;
    // The animation's own size, before it is scaled into the panel.
    QSize fMovieSize;
    // The still picture, or the video's latest picture, before it is scaled into the panel.
    QPixmap fPicture;
    QMediaPlayer* fVideo = nullptr;
    // A video still opening, with its file.
    QMediaPlayer* fPending = nullptr;
    QString fPendingFile;
};
