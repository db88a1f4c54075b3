#include "ZRVErrorLogger.h"
#include "ZRVCrypt.h"

#include "support/Files.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString ReadAll(const QString& aPath) {
    return QString::fromUtf8(zrvtest::ReadFile(aPath));
}

class ErrorLogger : public ::testing::Test {
protected:
    QTemporaryDir fDir;
    QString File(const QString& aName) const { return fDir.filePath(aName); }
};

TEST_F(ErrorLogger, WritesMarkersAndErrorLinesInUtf8WithCrLf) {
    const QString path = File("log.lgf");
    {
        TZRVErrorLogger logger;
        logger.SetLogFile(path);
        logger.SetLogFile(path); // the same value again adds no marker
        EXPECT_TRUE(logger.LogError("Échec", "ZRVLocalAccount", "AddAccount", "free and exit"));
    }
    const QString text = ReadAll(path);
    const QStringList lines = text.split("\r\n");
    ASSERT_EQ(lines.size(), 5) << text.toStdString(); // start, error, stop, empty line, end
    EXPECT_TRUE(lines[0].startsWith("[ZRV2-LOGSTART=") && lines[0].endsWith("]"));
    EXPECT_TRUE(lines[1].endsWith("];Échec;ZRVLocalAccount;AddAccount;free and exit;"));
    EXPECT_TRUE(lines[2].startsWith("[ZRV2-LOGSTOP="));
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(text.count("LOGSTART"), 1);
    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_FALSE(raw.peek(3) == QByteArray("\xEF\xBB\xBF")); // no byte-order mark
}

TEST_F(ErrorLogger, LineCarriesTheCurrentDateTimeText) {
    TZRVErrorLogger logger;
    logger.SetLogFile(File("a.lgf"));
    logger.LogError("m", "u", "r", "a");
    const QString errorLine = ReadAll(File("a.lgf")).split("\r\n").at(1);
    const QString stamp = errorLine.mid(1, errorLine.indexOf(']') - 1);
    EXPECT_NEAR(StrToDateTime(stamp), Now(), 5.0 / 86400);
}

TEST_F(ErrorLogger, EmptyLogFileStopsAndTurnsLoggingOff) {
    TZRVErrorLogger logger;
    logger.SetLogFile(File("a.lgf"));
    logger.SetLogFile("");
    EXPECT_FALSE(logger.LogError("lost", "u", "r", "a"));
    const QString text = ReadAll(File("a.lgf"));
    EXPECT_TRUE(text.endsWith("]\r\n\r\n"));
    EXPECT_FALSE(text.contains("lost"));
}

TEST_F(ErrorLogger, SwitchingFilesStopsTheOldOne) {
    TZRVErrorLogger logger;
    logger.SetLogFile(File("a.lgf"));
    logger.SetLogFile(File("b.lgf"));
    EXPECT_TRUE(ReadAll(File("a.lgf")).contains("LOGSTOP"));
    EXPECT_TRUE(ReadAll(File("b.lgf")).startsWith("[ZRV2-LOGSTART="));
}

TEST_F(ErrorLogger, AutoSelectsTheMonthlyName) {
    TZRVClock::Stop(EncodeDateTime(2011, 7, 31, 23, 59, 59));
    EXPECT_EQ(TZRVErrorLogger::AutoFileName(), "2011-7.lgf");
    const QString saved = QDir::currentPath();
    QDir::setCurrent(fDir.path());
    {
        TZRVErrorLogger logger;
        logger.SetLogFile(c_AutoFileName);
        EXPECT_EQ(logger.LogFile(), TZRVErrorLogger::AutoFileName());
    }
    QDir::setCurrent(saved);
    EXPECT_TRUE(QFile::exists(File(TZRVErrorLogger::AutoFileName())));
}

TEST_F(ErrorLogger, CreatesOneMissingFolderLevelAndGivesUpOnDeeperOnes) {
    TZRVErrorLogger logger;
    logger.SetLogFile(File("logs/a.lgf"));
    EXPECT_TRUE(QFile::exists(File("logs/a.lgf")));
    logger.SetLogFile(File("x/y/z.lgf"));
    EXPECT_EQ(logger.LogFile(), "");
    EXPECT_FALSE(QDir(File("x")).exists());
}

TEST_F(ErrorLogger, DeletedFileGetsNoStopMarkerAndIsNotRecreated) {
    {
        TZRVErrorLogger logger;
        logger.SetLogFile(File("a.lgf"));
        QFile::remove(File("a.lgf"));
    }
    EXPECT_FALSE(QFile::exists(File("a.lgf")));
}

TEST_F(ErrorLogger, UnwritableFileIsReportedNotRaised) {
    TZRVErrorLogger logger;
    logger.SetLogFile(fDir.path()); // a folder cannot be opened as a file
    EXPECT_FALSE(logger.LogError("m", "u", "r", "a"));
}

TEST(Crypt, LeavesTextUnchangedWithEitherAlgorithm) {
    TZRVCrypt crypt;
    EXPECT_EQ(crypt.CryptAlgorythm(), ca2Complement);
    for (auto algorithm : {ca2Complement, caInvert}) {
        crypt.SetCryptAlgorythm(algorithm);
        QString text = "abc";
        EXPECT_TRUE(crypt.Encrypt(text));
        EXPECT_EQ(text, "abc");
        EXPECT_TRUE(crypt.Decrypt(text));
        EXPECT_EQ(text, "abc");
    }
}

} // namespace
