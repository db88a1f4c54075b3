#pragma once
// Appends one line per handled error to a UTF-8 text file (CR LF line ends), framed by start and
// stop markers. The file is opened and closed for every line; an empty LogFile turns logging off.

#include "ZRVCommon.h"

class TZRVCrypt;

class TZRVCustomErrorLogger : public QObject {
    Q_OBJECT
public:
    explicit TZRVCustomErrorLogger(QObject* aOwner = nullptr);
    ~TZRVCustomErrorLogger() override;

    const QString& LogFile() const { return fLogFile; }
    // "Auto" (c_AutoFileName) selects AutoFileName(); the same value again changes nothing.
    void SetLogFile(const QString& aValue);
    // "<year>-<month>.lgf", the month without leading zero: "2011-7.lgf".
    static QString AutoFileName();

    // Appends "[now];Message;UnitName;RoutineName;Action;". A file that cannot be written is
    // reported by the result: logging never raises into the code that reports an error.
    bool LogError(const QString& aMessage, const QString& aUnitName, const QString& aRoutineName,
                  const QString& aAction);
    bool StartLog();
    bool StopLog();

    TZRVCrypt* Crypt() const { return fCrypt; }

private:
    bool Append(const QString& aText, bool aCreate);

    QString fLogFile;
    TZRVCrypt* fCrypt;
};

class TZRVErrorLogger : public TZRVCustomErrorLogger {
    Q_OBJECT
public:
    using TZRVCustomErrorLogger::TZRVCustomErrorLogger;
};

// Forwards to aLogger when there is one; the four-text report every kernel class offers.
inline void LogErrorTo(TZRVCustomErrorLogger* aLogger, const QString& aMessage, const QString& aUnitName,
                       const QString& aRoutineName, const QString& aAction) {
    if (aLogger)
        aLogger->LogError(aMessage, aUnitName, aRoutineName, aAction);
}
