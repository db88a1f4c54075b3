#pragma once
// The version texts of a program file. The program's own file carries the build's version (the
// project version) and its file names; any other file has no version texts here.

#include "ZRVCommon.h"

class TZRVCustomVersionInfo : public QObject {
    Q_OBJECT
public:
    explicit TZRVCustomVersionInfo(QObject* aOwner = nullptr) : QObject(aOwner) {}

    const QString& App() const { return fApp; }
    // Stores the file and reads its texts.
    void SetApp(const QString& FileName);
    // Fills the texts the file has; a text it lacks keeps its value.
    void Setup();

    const QString& FileDescription() const { return fFileDescription; }
    const QString& CompanyName() const { return fCompanyName; }
    const QString& InternalName() const { return fInternalName; }
    const QString& OriginalFileName() const { return fOriginalFileName; }
    const QString& Comments() const { return fComments; }
    const QString& FileVersion() const { return fFileVersion; }
    const QString& ProductVersion() const { return fProductVersion; }
    const QString& ProductName() const { return fProductName; }
    const QString& LegalCopyright() const { return fLegalCopyright; }
    const QString& LegalTradeMarks() const { return fLegalTradeMarks; }

protected:
    QString fFileDescription;
    QString fCompanyName;
    QString fInternalName;
    QString fOriginalFileName;
    QString fComments;
    QString fFileVersion;
    QString fProductVersion;
    QString fProductName;
    QString fLegalCopyright;
    QString fLegalTradeMarks;
    QString fApp;
};

class TZRVVersionInfo : public TZRVCustomVersionInfo {
    Q_OBJECT
    Q_PROPERTY(QString App READ App WRITE SetApp)
    Q_PROPERTY(QString FileDescription READ FileDescription)
    Q_PROPERTY(QString CompanyName READ CompanyName)
    Q_PROPERTY(QString InternalName READ InternalName)
    Q_PROPERTY(QString OriginalFileName READ OriginalFileName)
    Q_PROPERTY(QString Comments READ Comments)
    Q_PROPERTY(QString FileVersion READ FileVersion)
    Q_PROPERTY(QString ProductVersion READ ProductVersion)
    Q_PROPERTY(QString ProductName READ ProductName)
    Q_PROPERTY(QString LegalCopyright READ LegalCopyright)
    Q_PROPERTY(QString LegalTradeMarks READ LegalTradeMarks)
public:
    using TZRVCustomVersionInfo::TZRVCustomVersionInfo;
};
