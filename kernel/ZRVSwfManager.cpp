#include "ZRVSwfManager.h"

#include "ZRVErrorLogger.h"
#include "ZRVFileDownload.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

const QString c_Unit = u"ZRVSwfManager"_s;
const QString c_LogContinue = u"LOG-CONTINUE"_s;
constexpr qint64 c_CopyChunk = 1024 * 1024;

// Copies aSource onto aTarget, which is replaced only once the whole copy is written.
bool CopyOnto(const QString& aSource, const QString& aTarget) {
    QFile in(aSource);
    QSaveFile out(aTarget);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(c_CopyChunk);
        if (in.error() != QFileDevice::NoError || out.write(chunk) != chunk.size())
            return false;
    }
    return out.commit();
}

QString What(const std::exception& aError) {
    return QString::fromUtf8(aError.what());
}

} // namespace

QStringList ParseAdsList(const QString& aAnswer) {
    static const QRegularExpression tags(u"((<body)|(</body)|(</html))([^>]*)>"_s);
    QString text = aAnswer;
    if (const qsizetype body = text.indexOf(u"<body"_s); body >= 0)
        text = text.mid(body);
    TStringList lines;
    lines.SetText(text.remove(tags).trimmed());
    return lines.Lines();
}

QString AdsFileName(const QString& aUrl) {
    const qsizetype last =
        std::max(std::max(aUrl.lastIndexOf(u'/'), aUrl.lastIndexOf(u'\\')), aUrl.lastIndexOf(u':'));
    return aUrl.mid(last + 1);
}

bool IsAdsFileUrl(const QString& aUrl) {
    const QUrl url(aUrl, QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != u"http"_s && url.scheme() != u"https"_s) || url.host().isEmpty())
        return false;
    const QString name = AdsFileName(aUrl);
    const qsizetype dot = name.lastIndexOf(u'.');
    return !name.startsWith(u'.') && dot > 0 &&
           c_AdsFileExtensions.contains(name.mid(dot + 1), Qt::CaseInsensitive);
}

// =============================================================================================

TZRVCustomSwfManager::TZRVCustomSwfManager(QObject* aOwner)
    : QObject(aOwner), fFileDwnld(new TZRVFileDownload(this)), fHttp(new QNetworkAccessManager(this)),
      fTempPath(FolderPath(QDir::tempPath())) {
    fHttp->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    fFileDwnld->SetOnDownloadComplete([this](QObject*) { OnFileDownloaded(); });
    fFileDwnld->SetOnDownloadFailed([this](QObject*) { OnFileFailed(); });
}

TZRVCustomSwfManager::~TZRVCustomSwfManager() {
    fDestroying = true;
    if (fListReply) {
        disconnect(fListReply, nullptr, this, nullptr);
        fListReply->abort();
    }
}

// =============================================================================================
// The list

void TZRVCustomSwfManager::GetNetList() {
    if (fBaseUrl.isEmpty())
        throw EZRVError(u"Invalid base url"_s);
    if (fListReply)
        throw EZRVError(u"Already retrieving net list"_s);
    fNetList.Clear();
    QNetworkRequest request{QUrl(fBaseUrl + u"?UserId="_s + QString::number(fUserID))};
    request.setTransferTimeout(TZRVFileDownload::c_DefaultTransferTimeout);
    fListReply = fHttp->get(request);
    connect(fListReply, &QNetworkReply::downloadProgress, this, [this](qint64 aReceived, qint64 aTotal) {
        if (std::max(aReceived, aTotal) > c_MaxListAnswer)
            fListReply->abort(); // finishes it at once
    });
    connect(fListReply, &QNetworkReply::finished, this, &TZRVCustomSwfManager::OnListFinished);
}

void TZRVCustomSwfManager::OnListFinished() {
    QNetworkReply* reply = std::exchange(fListReply, nullptr);
    reply->deleteLater();
    Guard(u"GetNetList"_s, false, [&] {
        const QString error = ReplyError(reply);
        if (!error.isEmpty())
            throw EZRVError(error);
        ReadNetList(QString::fromUtf8(reply->readAll()));
    });
}

void TZRVCustomSwfManager::ReadNetList(const QString& aAnswer) {
    for (const QString& line : ParseAdsList(aAnswer)) {
        const QString url = line.trimmed();
        if (url.isEmpty())
            continue;
        if (fNetList.Count() == c_MaxNetList) {
            LogError(u"More than %1 files listed: the rest is ignored"_s.arg(c_MaxNetList), u"GetNetList"_s);
            break;
        }
        if (IsAdsFileUrl(url))
            fNetList.Add(url);
        else
            LogError(u"Not an advertisement file address, ignored: "_s + url, u"GetNetList"_s);
    }
    DoNetListAvailable();
}

// =============================================================================================
// Fetching

void TZRVCustomSwfManager::DownloadSwfs() {
    if (fNetList.IsEmpty())
        throw EZRVError(u"NetList is empty"_s);
    if (fDownloading)
        throw EZRVError(u"Still executing last request"_s);
    if (fTempPath.isEmpty() || !QDir().mkpath(fTempPath))
        throw EZRVError(u"Unable to create temp directory"_s);
    if (fSwfPath.isEmpty() || !QDir().mkpath(fSwfPath))
        throw EZRVError(u"Unable to create Swf directory"_s);
    fFetchUrls = fNetList.Lines();
    fFetchNames = fNetFileNames.Lines();
    fStatus.clear();
    for (const QString& name : std::as_const(fFetchNames))
        SetStatus(name, sfsWaiting);
    fDownloading = true;
    DownloadNext();
}

void TZRVCustomSwfManager::DownloadNext() {
    DoRefreshLocalList();
    for (int i = 0; i < fFetchNames.size(); ++i) {
        const QString& name = fFetchNames[i];
        if (FileStatus(name) != sfsWaiting)
            continue;
        if (fLocalList.Lines().contains(name, Qt::CaseInsensitive)) {
            SetStatus(name, sfsReady);
            continue;
        }
        fCurrent = i;
        SetStatus(name, sfsDownloading);
        try {
            fFileDwnld->Download(fFetchUrls[i], fTempPath + name);
        } catch (const EZRVError& e) {
            SetStatus(name, sfsFailed);
            StopFetch(e.Message());
        }
        return;
    }
    DoSwfDownloadComplete();
}

void TZRVCustomSwfManager::OnFileDownloaded() {
    Guard(u"OnFileDownloaded"_s, true, [&] {
        const QString name = fFetchNames[fCurrent];
        const QString fetched = fTempPath + name;
        const bool playable = DoCanPlayFile(fetched);
        const bool copied = playable && CopyOnto(fetched, fSwfPath + name);
        QFile::remove(fetched);
        if (!playable) {
            LogError(u"The player cannot show %1: skipped"_s.arg(name), u"OnFileDownloaded"_s);
            SetStatus(name, sfsUnplayable);
        } else if (!copied) {
            SetStatus(name, sfsFailed);
            return StopFetch(u"Unable to copy %1 into %2"_s.arg(name, fSwfPath));
        } else {
            SetStatus(name, sfsReady);
            fSwfList.Add(name);
            DoNewFileAvailable();
        }
        DownloadNext();
    });
}

void TZRVCustomSwfManager::OnFileFailed() {
    Guard(u"OnFileFailed"_s, true, [&] {
        SetStatus(fFetchNames[fCurrent], sfsFailed);
        StopFetch(fFetchUrls[fCurrent] + u": "_s + fFileDwnld->ErrorMessage());
    });
}

void TZRVCustomSwfManager::StopFetch(const QString& aMessage) {
    LogError(aMessage, u"DownloadSwfs"_s);
    EndFetch();
    DoFailure();
}

void TZRVCustomSwfManager::EndFetch() {
    fDownloading = false;
    fCurrent = -1;
}

void TZRVCustomSwfManager::Guard(const QString& aRoutine, bool aInFetch, const std::function<void()>& aWork) {
    try {
        aWork();
        return;
    } catch (const std::exception& e) {
        LogError(What(e), aRoutine);
    }
    if (aInFetch)
        EndFetch();
    try {
        DoFailure();
        if (!aInFetch)
            DoNetListFailure();
    } catch (const std::exception& e) {
        LogError(What(e), aRoutine);
    }
}

TZRVSwfFileStatus TZRVCustomSwfManager::FileStatus(const QString& aName) const {
    return fStatus.value(aName.toLower(), sfsUnknown);
}

void TZRVCustomSwfManager::SetStatus(const QString& aName, TZRVSwfFileStatus aStatus) {
    fStatus.insert(aName.toLower(), aStatus);
}

// =============================================================================================
// The folder

void TZRVCustomSwfManager::CleanSwfDir() {
    DoBeforeCleanSwfDir();
    for (const QString& name : fLocalList.Lines())
        if (!fNetFileNames.Lines().contains(name, Qt::CaseInsensitive))
            QFile::remove(fSwfPath + name);
    DoRefreshLocalList();
    DoAfterCleanSwfDir();
}

void TZRVCustomSwfManager::DoRefreshLocalList() {
    fLocalList.Clear();
    if (fSwfPath.isEmpty())
        return;
    QStringList patterns;
    for (const QString& extension : c_AdsFileExtensions)
        patterns << u"*."_s + extension;
    const QStringList names =
        QDir(fSwfPath).entryList(patterns, QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& name : names)
        fLocalList.Add(name);
}

void TZRVCustomSwfManager::ShuffleSwfList() {
    if (fDownloading)
        throw EZRVError(u"Can't do this while downloading files"_s);
}

QString TZRVCustomSwfManager::FolderPath(const QString& aValue) {
    return aValue.isEmpty() || aValue.endsWith(u'/') ? aValue : aValue + u'/';
}

void TZRVCustomSwfManager::SetFolder(QString& aField, const QString& aValue) {
    if (aValue == aField)
        return;
    if (fDownloading)
        throw EZRVError(u"Can't change this property while downloading files"_s);
    aField = FolderPath(aValue);
}

void TZRVCustomSwfManager::SetTempPath(const QString& aValue) {
    SetFolder(fTempPath, aValue);
}

void TZRVCustomSwfManager::SetSwfPath(const QString& aValue) {
    SetFolder(fSwfPath, aValue);
}

void TZRVCustomSwfManager::LogError(const QString& aMessage, const QString& aRoutine) {
    LogErrorTo(fErrorLogger, aMessage, c_Unit, u"TZRVCustomSwfManager."_s + aRoutine, c_LogContinue);
}

// =============================================================================================
// Events

void TZRVCustomSwfManager::DoNewFileAvailable() {
    if (fOnNewFileAvailable && !fDestroying)
        fOnNewFileAvailable(this);
}

void TZRVCustomSwfManager::DoBeforeCleanSwfDir() {
    if (fOnBeforeCleanSwfDir && !fDestroying)
        fOnBeforeCleanSwfDir(this);
}

void TZRVCustomSwfManager::DoAfterCleanSwfDir() {
    if (fOnAfterCleanSwfDir && !fDestroying)
        fOnAfterCleanSwfDir(this);
}

void TZRVCustomSwfManager::DoNetListAvailable() {
    fNetFileNames.Clear();
    for (const QString& url : fNetList.Lines())
        fNetFileNames.Add(AdsFileName(url));
    if (fOnNetListAvailable && !fDestroying)
        fOnNetListAvailable(this);
}

void TZRVCustomSwfManager::DoFailure() {
    if (fOnFailure && !fDestroying)
        fOnFailure(this);
    if (fAbortOnFailure && fDownloading) {
        fFileDwnld->Abort();
        SetStatus(fFetchNames[fCurrent], sfsFailed);
        EndFetch();
    }
}

void TZRVCustomSwfManager::DoSwfDownloadComplete() {
    fSwfList.Clear();
    for (const QString& name : std::as_const(fFetchNames)) {
        QFile::remove(fTempPath + name);
        if (FileStatus(name) == sfsReady)
            fSwfList.Add(name);
    }
    EndFetch();
    if (fOnSwfDownloadComplete && !fDestroying)
        fOnSwfDownloadComplete(this);
}

void TZRVCustomSwfManager::DoNetListFailure() {
    if (fOnNetListFailure && !fDestroying)
        fOnNetListFailure(this);
}

bool TZRVCustomSwfManager::DoCanPlayFile(const QString& aFileName) {
    return !fOnCanPlayFile || fOnCanPlayFile(this, aFileName);
}
