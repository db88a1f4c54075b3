#include "ZRVErrorLogger.h"

#include "ZRVCrypt.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

TZRVCustomErrorLogger::TZRVCustomErrorLogger(QObject* aOwner) : QObject(aOwner), fCrypt(new TZRVCrypt(this)) {
    fCrypt->SetCryptAlgorythm(caInvert);
}

TZRVCustomErrorLogger::~TZRVCustomErrorLogger() {
    if (!fLogFile.isEmpty())
        StopLog();
}

QString TZRVCustomErrorLogger::AutoFileName() {
    const QDate today = DateTimeToQDateTime(Now()).date();
    return QStringLiteral("%1-%2.lgf").arg(today.year()).arg(today.month());
}

void TZRVCustomErrorLogger::SetLogFile(const QString& aValue) {
    if (aValue == fLogFile)
        return;
    if (!fLogFile.isEmpty())
        StopLog();
    fLogFile = aValue == c_AutoFileName ? AutoFileName() : aValue;
    if (!fLogFile.isEmpty())
        StartLog();
}

bool TZRVCustomErrorLogger::Append(const QString& aText, bool aCreate) {
    if (fLogFile.isEmpty() || (!aCreate && !QFile::exists(fLogFile)))
        return false;
    QString text = aText;
    fCrypt->Encrypt(text);
    QFile file(fLogFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size();
}

bool TZRVCustomErrorLogger::StartLog() {
    const QString folder = QFileInfo(fLogFile).path();
    if (!QDir(folder).exists() && !QDir().mkdir(folder) && folder != QLatin1String(".")) {
        fLogFile.clear();
        return false;
    }
    return Append(QStringLiteral("[ZRV2-LOGSTART=%1]\r\n").arg(DateTimeToStr(Now())), true);
}

bool TZRVCustomErrorLogger::StopLog() {
    return Append(QStringLiteral("[ZRV2-LOGSTOP=%1]\r\n\r\n").arg(DateTimeToStr(Now())), false);
}

bool TZRVCustomErrorLogger::LogError(const QString& aMessage, const QString& aUnitName,
                                     const QString& aRoutineName, const QString& aAction) {
    if (fLogFile.isEmpty())
        return false;
    return Append(QStringLiteral("[%1];%2;%3;%4;%5;\r\n")
                      .arg(DateTimeToStr(Now()), aMessage, aUnitName, aRoutineName, aAction),
                  true);
}
