#pragma once
// Fetches one file over HTTP or HTTPS into a local file, on the event loop: the call starts the
// transfer and returns; progress, completion and failure come later as events. Redirects are
// followed. The data is written beside the target and renamed onto it only when the transfer is
// complete, so a failed or broken transfer never leaves a partial file where a good one is
// expected, and never spoils the file that was there before.

#include "ZRVCommon.h"

class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;

inline const QString c_HeaderFile = QStringLiteral("header");

// Why a finished reply failed (a network error, or an HTTP status outside 200 ... 299); the empty
// text when it brought a good answer.
QString ReplyError(const QNetworkReply* aReply);

class TZRVCustomFileDownload : public QObject {
    Q_OBJECT
public:
    // No data for this long ends a transfer as failed.
    static constexpr int c_DefaultTransferTimeout = 60000;
    // A body larger than this ends the transfer as failed (a hostile server cannot fill the disk).
    static constexpr qint64 c_DefaultMaxFileSize = 512ll * 1024 * 1024;
    static constexpr int c_MaxRedirects = 10;

    explicit TZRVCustomFileDownload(QObject* aOwner = nullptr);
    ~TZRVCustomFileDownload() override;

    // Starts fetching aUrl into aLocalFile. Raises "Still executing last request" while a transfer
    // runs, "Url required" for an empty URL, "Local file name required" for an empty file name
    // (the URL is stored before the name is checked), and the system's message when the file
    // cannot be created beside the target; no event follows an error raised here.
    void Download(const QString& aUrl, const QString& aLocalFile);
    void Download(const QString& aUrl);
    void Download();
    // Stops the running transfer and discards what it wrote; no event follows. Nothing when idle.
    void Abort();

    const QString& Url() const { return fUrl; }
    void SetUrl(const QString& aValue) { fUrl = aValue; }
    const QString& LocalFile() const { return fLocalFile; }
    void SetLocalFile(const QString& aValue) { fLocalFile = aValue; }
    bool Busy() const { return fWorking; }
    // Why the last transfer failed; empty after a success.
    const QString& ErrorMessage() const { return fErrorMessage; }

    int TransferTimeout() const { return fTransferTimeout; }
    void SetTransferTimeout(int aMilliseconds) { fTransferTimeout = aMilliseconds; }
    qint64 MaxFileSize() const { return fMaxFileSize; }
    void SetMaxFileSize(qint64 aBytes) { fMaxFileSize = aBytes; }

    // The percentage received, each time it grows while the server announced the size, and 100
    // once the whole body is in.
    ZRV_EVENT_PROPERTY(TZRVProgressEvent, DownloadProgress)
    // Handlers run from the event loop and must not throw.
    // Raised after the file is in place; Busy is already false, so the handler may start the next.
    ZRV_EVENT_PROPERTY(TNotifyEvent, DownloadComplete)
    // Raised while Busy is still true; ErrorMessage tells why. The target file is untouched.
    ZRV_EVENT_PROPERTY(TNotifyEvent, DownloadFailed)

protected:
    virtual void DoDownloadComplete();
    virtual void DoDownloadProgress(uint32_t PercentDone);
    virtual void DoDownloadFailed();

private:
    void OnReadyRead();
    void OnProgress(qint64 aReceived, qint64 aTotal);
    void OnFinished();
    // Ends the running transfer without events: the reply goes, the partial file is discarded.
    void Release();
    void Fail(const QString& aMessage);

    QNetworkAccessManager* fHttp;
    QString fLocalFile;
    QString fUrl;
    TZRVProgressEvent fOnDownloadProgress;
    TNotifyEvent fOnDownloadComplete;
    TNotifyEvent fOnDownloadFailed;
    bool fWorking = false;

    QNetworkReply* fReply = nullptr;
    std::unique_ptr<QSaveFile> fFile;
    QString fErrorMessage;
    uint32_t fPercentDone = 0;
    int fTransferTimeout = c_DefaultTransferTimeout;
    qint64 fMaxFileSize = c_DefaultMaxFileSize;
    bool fDestroying = false;
};

class TZRVFileDownload : public TZRVCustomFileDownload {
    Q_OBJECT
public:
    using TZRVCustomFileDownload::TZRVCustomFileDownload;
};
