#include "ZRVCustomConfig.h"

#include "ZRVErrorLogger.h"
#include "platform/ZRVRegistry.h"

#include "support/TempDirs.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QString c_Key = QStringLiteral("\\Software\\Vantorel\\Tikora Manager\\2.3\\Test");

class CustomConfig : public ::testing::Test {
protected:
    zrvtest::TempRegistry fTemp;
    TZRVCustomConfig fConfig;
};

TEST_F(CustomConfig, ValuesKeepTheirKindInTheStore) {
    ASSERT_TRUE(fConfig.WriteBoolean("Flag", c_Key, true));
    ASSERT_TRUE(fConfig.WriteDateTime("When", c_Key, EncodeDateTime(2011, 7, 14, 12, 30, 0)));
    ASSERT_TRUE(fConfig.WriteString("Text", c_Key, "Salle 1"));
    TZRVRegistry reg;
    ASSERT_TRUE(reg.OpenKey(c_Key, false));
    EXPECT_EQ(reg.GetDataType("Flag"), TZRVRegDataType::rdInteger);
    EXPECT_EQ(reg.ReadInteger("Flag"), 1);
    EXPECT_EQ(reg.GetDataType("When"), TZRVRegDataType::rdBinary);
    EXPECT_EQ(reg.ReadBinaryData("When").size(), 8);
    EXPECT_EQ(fConfig.ReadDate("When", c_Key, 0), EncodeDateTime(2011, 7, 14, 12, 30, 0));
    EXPECT_EQ(fConfig.ReadString("Text", c_Key, "x"), "Salle 1");

    ASSERT_TRUE(fConfig.WriteInteger("Flag", c_Key, 7));
    EXPECT_TRUE(fConfig.ReadBoolean("Flag", c_Key, false)); // any non-zero number is true
}

TEST_F(CustomConfig, MissingOrMismatchedValuesReadAsTheFallback) {
    fConfig.WriteString("Port", c_Key, "12346");
    fConfig.WriteInteger("Name", c_Key, 3);
    struct Case {
        const char* Label;
        std::function<QString()> Read;
        QString Expected;
    } cases[] = {
        {"integer stored as text", [&] { return IntToStr(fConfig.ReadInteger("Port", c_Key, 12345)); },
         "12345"},
        {"boolean stored as text", [&] { return BoolToStr(fConfig.ReadBoolean("Port", c_Key, true)); }, "-1"},
        {"float stored as text", [&] { return QString::number(fConfig.ReadFloat("Port", c_Key, 2.5)); },
         "2.5"},
        {"missing integer", [&] { return IntToStr(fConfig.ReadInteger("None", c_Key, 4)); }, "4"},
        {"text stored as integer", [&] { return fConfig.ReadString("Name", c_Key, "fallback"); }, "fallback"},
        {"missing text reads empty", [&] { return fConfig.ReadString("None", c_Key, "fallback"); }, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Read(), c.Expected) << c.Label;
}

TEST_F(CustomConfig, ReadingCreatesTheKey) {
    fConfig.ReadInteger("Port", c_Key, 1);
    EXPECT_TRUE(TZRVRegistry().KeyExists(c_Key));
}

TEST_F(CustomConfig, BinaryValuesAreBoundedByTheCallersBuffer) {
    const char bytes[3] = {'\x01', '\0', '\xff'};
    ASSERT_TRUE(fConfig.WriteBinary("Blob", c_Key, bytes, 3));
    char buffer[8] = {};
    EXPECT_EQ(fConfig.ReadBinary("Blob", c_Key, buffer, 8), 3);
    EXPECT_EQ(QByteArray(buffer, 3), QByteArray(bytes, 3));
    char small[2] = {'a', 'b'};
    EXPECT_EQ(fConfig.ReadBinary("Blob", c_Key, small, 2), 0);
    EXPECT_EQ(QByteArray(small, 2), "ab");
    EXPECT_EQ(fConfig.ReadBinary("Missing", c_Key, buffer, 8), 0);
}

TEST_F(CustomConfig, NothingIsWrittenWhileLoading) {
    fConfig.WriteInteger("Port", c_Key, 1);
    fConfig.SetLoading(true);
    EXPECT_FALSE(fConfig.WriteInteger("Port", c_Key, 2));
    EXPECT_FALSE(fConfig.WriteString("Added", c_Key, "x"));
    fConfig.SetLoading(false);
    EXPECT_EQ(fConfig.ReadInteger("Port", c_Key, 0), 1);
    TZRVRegistry reg;
    ASSERT_TRUE(reg.OpenKey(c_Key, false));
    EXPECT_FALSE(reg.ValueExists("Added"));
}

TEST_F(CustomConfig, DeleteKeyRemovesEverythingBelow) {
    fConfig.WriteInteger("A", c_Key + "\\Sub\\Deeper", 1);
    fConfig.WriteInteger("B", c_Key, 2);
    EXPECT_TRUE(fConfig.DeleteValue("B", c_Key));
    EXPECT_FALSE(fConfig.DeleteValue("B", c_Key));
    EXPECT_TRUE(fConfig.DeleteKey(c_Key));
    EXPECT_FALSE(TZRVRegistry().KeyExists(c_Key + "\\Sub"));
    EXPECT_FALSE(fConfig.DeleteKey(c_Key));
}

TEST(CustomConfigStore, AStoreThatCannotBeWrittenFallsBackAndIsLoggedOnce) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    zrvtest::ScopedEnv env("ZRV_REGISTRY_DIR", dir.filePath("file/registry"));
    TZRVErrorLogger logger;
    logger.SetLogFile(dir.filePath("errors.lgf"));
    TZRVCustomConfig config;
    config.SetErrorLogger(&logger);

    EXPECT_FALSE(config.WriteInteger("Port", c_Key, 1));
    EXPECT_FALSE(config.WriteString("Name", c_Key, "x"));
    EXPECT_EQ(config.ReadInteger("Port", c_Key, 12345), 12345);
    EXPECT_EQ(config.ReadString("Name", c_Key, "Serveur"), "Serveur");

    QFile log(dir.filePath("errors.lgf"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(log.readAll()).count("Settings store cannot be written"), 1);
}

} // namespace
