#pragma once
// Keeps the local folder of advertisements in step with the list a web service publishes for the
// café: it asks the service for the list of file addresses, fetches the missing files one after
// the other through a temporary folder, removes the local files that are no longer listed, and
// keeps the list of files ready for display. Advertisements are the animations, videos and still
// pictures the task bar's player shows; which files it can really play is the player's business,
// asked through OnCanPlayFile (the kernel has no pictures or videos of its own). Everything runs on
// the event loop: the calls start the work, the events report it.

#include "ZRVCommon.h"

#include <QHash>

class QNetworkAccessManager;
class QNetworkReply;
class TZRVErrorLogger;
class TZRVFileDownload;

inline const QString c_DefBaseUrl = QStringLiteral("http://zrv2.example.net/zrv/ads/swfquery.php");
// The file types taken as advertisements, compared without regard to case.
inline const QStringList c_AdsFileExtensions = {
    QStringLiteral("gif"), QStringLiteral("webp"), QStringLiteral("mp4"),  QStringLiteral("webm"),
    QStringLiteral("png"), QStringLiteral("jpg"),  QStringLiteral("jpeg"), QStringLiteral("bmp")};

// Whether the player can show the file; asked once for every file fetched, before it is put in the
// advertisement folder.
using TZRVCanPlayFileEvent = std::function<bool(QObject* Sender, const QString& aFileName)>;

// Where a listed file stands in the last fetch.
enum TZRVSwfFileStatus {
    sfsUnknown,     // not in the last fetch
    sfsWaiting,     // missing, not fetched yet
    sfsDownloading, // being fetched
    sfsReady,       // in the advertisement folder
    sfsFailed,      // the transfer or the copy into the folder failed
    sfsUnplayable   // fetched, but the player cannot show it: not put in the folder
};

// The file URLs of a list answer, one per line: the text inside the body of an HTML answer, or a
// plain text answer whole, trimmed.
QStringList ParseAdsList(const QString& aAnswer);
// The file name of an address: the text after its last "/", "\" or ":".
QString AdsFileName(const QString& aUrl);
// Whether a listed line can be fetched and kept: an http or https address whose file name is a
// plain name (not hidden, no "..") with one of the advertisement extensions.
bool IsAdsFileUrl(const QString& aUrl);

class TZRVCustomSwfManager : public QObject {
    Q_OBJECT
public:
    // The list answer is refused when longer; listed files beyond c_MaxNetList are dropped.
    static constexpr qint64 c_MaxListAnswer = 1024 * 1024;
    static constexpr int c_MaxNetList = 1000;

    explicit TZRVCustomSwfManager(QObject* aOwner = nullptr);
    ~TZRVCustomSwfManager() override;

    // Asks the service for the list. Raises "Invalid base url" when BaseUrl is empty and "Already
    // retrieving net list" while the previous query runs. NetList is emptied at once; the answer
    // raises OnNetListAvailable, a failed query OnFailure then OnNetListFailure (NetList then
    // stays empty). Listed lines that are not advertisement file addresses are left out, each
    // with a log line.
    void GetNetList();
    // Fetches the listed files missing from SwfPath, one after the other. Raises "NetList is
    // empty", "Still executing last request" while a fetch runs, "Unable to create temp directory"
    // and "Unable to create Swf directory". Each file put in the folder raises OnNewFileAvailable;
    // the end raises OnSwfDownloadComplete (at once when nothing is missing); a failed transfer
    // raises OnFailure and stops the fetch.
    void DownloadSwfs();
    // Deletes the advertisement files of SwfPath that the last list does not name.
    void CleanSwfDir();
    // LocalList := the advertisement files found in SwfPath, in directory order.
    void DoRefreshLocalList();
    // Raises "Can't do this while downloading files" during a fetch; otherwise does nothing.
    void ShuffleSwfList();

    const TStringList& NetList() const { return fNetList; }
    const TStringList& NetFileNames() const { return fNetFileNames; }
    const TStringList& LocalList() const { return fLocalList; }
    const TStringList& SwfList() const { return fSwfList; }
    // Where aName stands in the last fetch (compared without regard to case).
    TZRVSwfFileStatus FileStatus(const QString& aName) const;
    bool Downloading() const { return fDownloading; }

    // The folders end with "/" once set (an empty value stays empty). Changing them during a fetch
    // raises "Can't change this property while downloading files".
    const QString& TempPath() const { return fTempPath; }
    void SetTempPath(const QString& aValue);
    const QString& SwfPath() const { return fSwfPath; }
    void SetSwfPath(const QString& aValue);
    uint32_t UserID() const { return fUserID; }
    void SetUserID(uint32_t aValue) { fUserID = aValue; }
    const QString& BaseUrl() const { return fBaseUrl; }
    void SetBaseUrl(const QString& aValue) { fBaseUrl = aValue; }
    bool AbortOnFailure() const { return fAbortOnFailure; }
    void SetAbortOnFailure(bool aValue) { fAbortOnFailure = aValue; }
    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }
    void SetErrorLogger(TZRVErrorLogger* aValue) { fErrorLogger = aValue; }

    ZRV_EVENT_PROPERTY(TNotifyEvent, NewFileAvailable)
    ZRV_EVENT_PROPERTY(TNotifyEvent, BeforeCleanSwfDir)
    ZRV_EVENT_PROPERTY(TNotifyEvent, AfterCleanSwfDir)
    ZRV_EVENT_PROPERTY(TNotifyEvent, NetListAvailable)
    ZRV_EVENT_PROPERTY(TNotifyEvent, NetListFailure)
    ZRV_EVENT_PROPERTY(TNotifyEvent, Failure)
    ZRV_EVENT_PROPERTY(TNotifyEvent, SwfDownloadComplete)
    ZRV_EVENT_PROPERTY(TZRVCanPlayFileEvent, CanPlayFile)

protected:
    virtual void DoNewFileAvailable();
    virtual void DoBeforeCleanSwfDir();
    virtual void DoAfterCleanSwfDir();
    // NetFileNames := the file names of NetList; then OnNetListAvailable.
    virtual void DoNetListAvailable();
    // OnFailure; with AbortOnFailure the running fetch is stopped too.
    virtual void DoFailure();
    // Deletes the temporary copies, SwfList := the fetched names that are in the folder, then
    // OnSwfDownloadComplete.
    virtual void DoSwfDownloadComplete();
    virtual void DoNetListFailure();
    // Whether the player can show aFileName; true when OnCanPlayFile is not assigned.
    virtual bool DoCanPlayFile(const QString& aFileName);

private:
    void OnListFinished();
    void ReadNetList(const QString& aAnswer);
    void DownloadNext();
    void OnFileDownloaded();
    void OnFileFailed();
    // Logs why the fetch stops, ends it and raises OnFailure.
    void StopFetch(const QString& aMessage);
    void EndFetch();
    // Runs work started by the event loop: an error there (or in a handler it raised) is logged,
    // ends the fetch when aInFetch, and is reported through OnFailure (and OnNetListFailure for the
    // list query); nothing is thrown into the event loop.
    void Guard(const QString& aRoutine, bool aInFetch, const std::function<void()>& aWork);
    void SetStatus(const QString& aName, TZRVSwfFileStatus aStatus);
    static QString FolderPath(const QString& aValue);
    void SetFolder(QString& aField, const QString& aValue);
    void LogError(const QString& aMessage, const QString& aRoutine);

    TZRVFileDownload* fFileDwnld;
    QNetworkAccessManager* fHttp;
    uint32_t fUserID = 0;
    QString fTempPath;
    QString fBaseUrl = c_DefBaseUrl;
    QString fSwfPath;
    TNotifyEvent fOnNetListAvailable;
    TNotifyEvent fOnAfterCleanSwfDir;
    TNotifyEvent fOnBeforeCleanSwfDir;
    TNotifyEvent fOnNewFileAvailable;
    TStringList fSwfList;
    TStringList fLocalList;
    TStringList fNetList;
    TStringList fNetFileNames;
    TNotifyEvent fOnFailure;
    bool fAbortOnFailure = false;
    TNotifyEvent fOnSwfDownloadComplete;
    TNotifyEvent fOnNetListFailure;
    TZRVCanPlayFileEvent fOnCanPlayFile;

    QNetworkReply* fListReply = nullptr;
    TZRVErrorLogger* fErrorLogger = nullptr;
    // The fetch works on the list as it was when it started, whatever later queries bring.
    bool fDownloading = false;
    QStringList fFetchUrls;
    QStringList fFetchNames;
    int fCurrent = -1;
    QHash<QString, TZRVSwfFileStatus> fStatus;
    bool fDestroying = false;
};

class TZRVSwfManager : public TZRVCustomSwfManager {
    Q_OBJECT
public:
    using TZRVCustomSwfManager::TZRVCustomSwfManager;
};
