#include "ZRVFileDownload.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>

QString ReplyError(const QNetworkReply* aReply) {
    if (aReply->error() != QNetworkReply::NoError)
        return aReply->errorString();
    const QVariant status = aReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        return QStringLiteral("HTTP status %1").arg(status.toInt());
    return {};
}

TZRVCustomFileDownload::TZRVCustomFileDownload(QObject* aOwner)
    : QObject(aOwner), fHttp(new QNetworkAccessManager(this)) {
    fHttp->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

TZRVCustomFileDownload::~TZRVCustomFileDownload() {
    fDestroying = true;
    Release();
}

void TZRVCustomFileDownload::Download(const QString& aUrl, const QString& aLocalFile) {
    if (fWorking)
        throw EZRVError(QStringLiteral("Still executing last request"));
    if (aUrl.isEmpty())
        throw EZRVError(QStringLiteral("Url required"));
    fUrl = aUrl;
    if (aLocalFile.isEmpty())
        throw EZRVError(QStringLiteral("Local file name required"));
    fLocalFile = aLocalFile;

    // The body goes to a file beside the target that replaces it only once complete.
    auto file = std::make_unique<QSaveFile>(fLocalFile);
    if (!file->open(QIODevice::WriteOnly))
        throw EZRVError(file->errorString());
    fFile = std::move(file);
    fErrorMessage.clear();
    fPercentDone = 0;

    QNetworkRequest request{QUrl(fUrl)};
    request.setMaximumRedirectsAllowed(c_MaxRedirects);
    request.setTransferTimeout(fTransferTimeout);
    fReply = fHttp->get(request);
    connect(fReply, &QNetworkReply::readyRead, this, &TZRVCustomFileDownload::OnReadyRead);
    connect(fReply, &QNetworkReply::downloadProgress, this, &TZRVCustomFileDownload::OnProgress);
    connect(fReply, &QNetworkReply::finished, this, &TZRVCustomFileDownload::OnFinished);
    fWorking = true;
}

void TZRVCustomFileDownload::Download(const QString& aUrl) {
    Download(aUrl, fLocalFile);
}

void TZRVCustomFileDownload::Download() {
    Download(fUrl, fLocalFile);
}

void TZRVCustomFileDownload::Abort() {
    Release();
    fWorking = false;
}

void TZRVCustomFileDownload::OnReadyRead() {
    const QByteArray data = fReply->readAll();
    if (fFile->size() + data.size() > fMaxFileSize)
        Fail(QStringLiteral("File larger than %1 bytes").arg(fMaxFileSize));
    else if (fFile->write(data) != data.size())
        Fail(fFile->errorString());
}

void TZRVCustomFileDownload::OnProgress(qint64 aReceived, qint64 aTotal) {
    if (aTotal <= 0)
        return;
    const auto percent = uint32_t(std::min<qint64>(100, aReceived * 100 / aTotal));
    if (percent > fPercentDone) {
        fPercentDone = percent;
        DoDownloadProgress(percent);
    }
}

void TZRVCustomFileDownload::OnFinished() {
    if (const QString error = ReplyError(fReply); !error.isEmpty())
        return Fail(error);
    OnReadyRead();
    if (!fWorking)
        return; // the rest of the body did not fit
    if (!fFile->commit())
        return Fail(fFile->errorString());
    Release();
    if (fPercentDone < 100) {
        fPercentDone = 100;
        DoDownloadProgress(100);
    }
    fWorking = false;
    DoDownloadComplete();
}

void TZRVCustomFileDownload::Release() {
    if (fReply) {
        disconnect(fReply, nullptr, this, nullptr);
        fReply->abort();
        fReply->deleteLater();
        fReply = nullptr;
    }
    if (fFile) {
        fFile->cancelWriting();
        fFile.reset();
    }
}

void TZRVCustomFileDownload::Fail(const QString& aMessage) {
    Release();
    fErrorMessage = aMessage;
    DoDownloadFailed();
    fWorking = false;
}

void TZRVCustomFileDownload::DoDownloadComplete() {
    if (fOnDownloadComplete && !fDestroying)
        fOnDownloadComplete(this);
}

void TZRVCustomFileDownload::DoDownloadProgress(uint32_t PercentDone) {
    if (fOnDownloadProgress && !fDestroying)
        fOnDownloadProgress(this, PercentDone);
}

void TZRVCustomFileDownload::DoDownloadFailed() {
    if (fOnDownloadFailed && !fDestroying)
        fOnDownloadFailed(this);
}
