#include "platform/ZRVRegistry.h"

#include "support/Files.h"
#include "support/TempDirs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <climits>
#include <cstdio>
#include <functional>

namespace {

const QString c_TestKey = QStringLiteral("\\Software\\Vantorel\\Test");

// What a reader gives: the value as text, or the message of the exception it raised.
QString Outcome(const std::function<QString()>& aRead) {
    try {
        return aRead();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
}

// Runs SQL straight on a store file, as another tool would.
void ExecOnFile(const QString& aFile, const char* aSql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(aFile).constData(), &db), SQLITE_OK);
    const int result = sqlite3_exec(db, aSql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_EQ(result, SQLITE_OK);
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fReg.OpenKey(c_TestKey, true)); }
    QString MachineFile() const { return TZRVRegistry::StoreFile(TZRVRootKey::HKEY_LOCAL_MACHINE); }

    zrvtest::TempRegistry fTemp;
    TZRVRegistry fReg;
};

// ---------------------------------------------------------------------------------------------
// Kinds, fallbacks and errors

struct KindCase {
    const char* Label;
    std::function<void(TZRVRegistry&)> Write;
    TZRVRegDataType DataType;
    // What ReadInteger, ReadString, ReadBinaryData (hex) and ReadFloat give.
    const char* Integer;
    const char* String;
    const char* Binary;
    const char* Float;
};

TEST_F(Registry, EachReaderAcceptsItsKindOnlyAndReportsTheRest) {
    const char* badType = "Invalid data type for 'Port'";
    const char* missing = "Failed to get data for 'Port'";
    const KindCase cases[] = {
        {"integer", [](TZRVRegistry& r) { r.WriteInteger("Port", 12345); }, TZRVRegDataType::rdInteger,
         "12345", badType, badType, badType},
        {"string", [](TZRVRegistry& r) { r.WriteString("Port", "12345"); }, TZRVRegDataType::rdString,
         badType, "12345", badType, badType},
        {"empty string", [](TZRVRegistry& r) { r.WriteString("Port", ""); }, TZRVRegDataType::rdString,
         badType, "", badType, badType},
        {"binary", [](TZRVRegistry& r) { r.WriteBinaryData("Port", QByteArray("\x01\x00\xff", 3)); },
         TZRVRegDataType::rdBinary, badType, badType, "0100ff", badType},
        {"empty binary", [](TZRVRegistry& r) { r.WriteBinaryData("Port", QByteArray()); },
         TZRVRegDataType::rdBinary, badType, badType, "", badType},
        {"float", [](TZRVRegistry& r) { r.WriteFloat("Port", 2.5); }, TZRVRegDataType::rdBinary, badType,
         badType, "0000000000000440", "2.5"},
        {"missing", [](TZRVRegistry&) {}, TZRVRegDataType::rdUnknown, missing, "", missing, missing},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.Label);
        fReg.DeleteValue("Port");
        c.Write(fReg);
        EXPECT_EQ(fReg.GetDataType("Port"), c.DataType);
        EXPECT_EQ(fReg.ValueExists("Port"), c.DataType != TZRVRegDataType::rdUnknown);
        EXPECT_EQ(Outcome([&] { return QString::number(fReg.ReadInteger("Port")); }), c.Integer);
        EXPECT_EQ(Outcome([&] { return fReg.ReadString("Port"); }), c.String);
        EXPECT_EQ(Outcome([&] { return QString::fromLatin1(fReg.ReadBinaryData("Port").toHex()); }),
                  c.Binary);
        EXPECT_EQ(Outcome([&] { return QString::number(fReg.ReadFloat("Port")); }), c.Float);
    }
}

TEST_F(Registry, WritingReplacesAValueOfAnyKind) {
    fReg.WriteString("Port", "text");
    fReg.WriteInteger("Port", 7);
    EXPECT_EQ(fReg.ReadInteger("Port"), 7);
    fReg.WriteDateTime("Port", 1.5);
    EXPECT_EQ(fReg.ReadDateTime("Port"), 1.5);
    EXPECT_EQ(fReg.GetValueNames(), QStringList{"Port"});
}

TEST_F(Registry, IntegersKeepTheirFullRangeAndBooleansAreIntegers) {
    for (int value : {INT_MIN, -1, 0, 1, INT_MAX}) {
        fReg.WriteInteger("Value", value);
        EXPECT_EQ(fReg.ReadInteger("Value"), value);
    }
    fReg.WriteBool("Flag", true);
    EXPECT_EQ(fReg.GetDataType("Flag"), TZRVRegDataType::rdInteger);
    EXPECT_EQ(fReg.ReadInteger("Flag"), 1);
    fReg.WriteInteger("Flag", 7);
    EXPECT_TRUE(fReg.ReadBool("Flag"));
    fReg.WriteBool("Flag", false);
    EXPECT_FALSE(fReg.ReadBool("Flag"));
}

TEST_F(Registry, DateTimesAreEightLittleEndianBytesOfADouble) {
    const TDateTime when = EncodeDateTime(2011, 7, 14, 12, 0, 0);
    fReg.WriteDateTime("When", when);
    EXPECT_EQ(fReg.ReadDateTime("When"), when);
    fReg.WriteFloat("One", 1.0);
    EXPECT_EQ(fReg.ReadBinaryData("One"), QByteArray::fromHex("000000000000f03f"));
}

TEST_F(Registry, FloatsThatAreNotFiniteNumbersAreRefused) {
    fReg.WriteBinaryData("When", QByteArray::fromHex("000000000000f87f")); // a NaN
    EXPECT_EQ(Outcome([&] { return QString::number(fReg.ReadFloat("When")); }),
              "Invalid data type for 'When'");
}

TEST_F(Registry, WritersNeedAKeyOpenForWriting) {
    TZRVRegistry closed;
    EXPECT_EQ(Outcome([&] {
                  closed.WriteInteger("Port", 1);
                  return QString("written");
              }),
              "Failed to set data for 'Port'");
    EXPECT_EQ(Outcome([&] { return QString::number(closed.ReadInteger("Port")); }),
              "Failed to get data for 'Port'");
    EXPECT_FALSE(closed.DeleteValue("Port"));

    fReg.WriteInteger("Port", 1);
    TZRVRegistry reader;
    ASSERT_TRUE(reader.OpenKeyReadOnly(c_TestKey));
    EXPECT_EQ(reader.ReadInteger("Port"), 1);
    EXPECT_THROW(reader.WriteInteger("Port", 2), ERegistryException);
    EXPECT_FALSE(reader.DeleteValue("Port"));
    EXPECT_EQ(fReg.ReadInteger("Port"), 1);
}

// ---------------------------------------------------------------------------------------------
// Keys and names

TEST_F(Registry, KeysAndValueNamesIgnoreLetterCase) {
    fReg.WriteInteger("Port", 1);
    TZRVRegistry other;
    ASSERT_TRUE(other.OpenKey("\\SOFTWARE\\vantorel\\TEST", false));
    EXPECT_EQ(other.ReadInteger("PORT"), 1);
    other.WriteInteger("pOrT", 2);
    EXPECT_EQ(fReg.ReadInteger("port"), 2);
    EXPECT_EQ(fReg.GetValueNames(), QStringList{"Port"}); // the first spelling stays
    EXPECT_TRUE(fReg.KeyExists("\\software\\VANTOREL"));
    EXPECT_TRUE(fReg.DeleteValue("PORT"));
    EXPECT_FALSE(other.ValueExists("Port"));
}

TEST_F(Registry, NonAsciiNamesIgnoreLetterCaseToo) {
    fReg.WriteString("Été", "x");
    EXPECT_EQ(fReg.ReadString("éTÉ"), "x");
    ASSERT_TRUE(fReg.OpenKey("Société", true));
    EXPECT_TRUE(fReg.KeyExists(c_TestKey + "\\SOCIÉTÉ"));
}

TEST_F(Registry, ValueNamesKeepTheirInsertionOrder) {
    fReg.WriteInteger("b", 1);
    fReg.WriteString("A", "2");
    fReg.WriteInteger("c", 3);
    fReg.WriteString("B", "replaced"); // keeps its place
    EXPECT_EQ(fReg.GetValueNames(), (QStringList{"b", "A", "c"}));
    EXPECT_TRUE(fReg.DeleteValue("a"));
    EXPECT_FALSE(fReg.DeleteValue("a"));
    fReg.WriteInteger("a", 4);
    EXPECT_EQ(fReg.GetValueNames(), (QStringList{"b", "c", "a"}));
}

TEST_F(Registry, RelativeAndAbsoluteKeyPaths) {
    ASSERT_TRUE(fReg.OpenKey("Sub\\\\Deep\\", true));
    EXPECT_EQ(fReg.CurrentPath(), "Software\\Vantorel\\Test\\Sub\\Deep");
    EXPECT_FALSE(fReg.OpenKey("Missing", false));
    EXPECT_EQ(fReg.CurrentPath(), "Software\\Vantorel\\Test\\Sub\\Deep"); // unchanged on failure
    ASSERT_TRUE(fReg.OpenKey("\\Software", false));
    EXPECT_EQ(fReg.CurrentPath(), "Software");
    EXPECT_TRUE(fReg.KeyExists("Vantorel\\Test\\Sub"));
    EXPECT_FALSE(fReg.KeyExists("Test"));
    fReg.CloseKey();
    EXPECT_FALSE(fReg.HasCurrentKey());
    EXPECT_TRUE(fReg.OpenKey("Software\\Vantorel", false)); // from the root when no key is open
}

TEST_F(Registry, TheRootKeyAlwaysExistsAndHoldsValues) {
    ASSERT_TRUE(fReg.OpenKey("\\", false));
    EXPECT_EQ(fReg.CurrentPath(), "");
    fReg.WriteString("Top", "t");
    EXPECT_EQ(fReg.ReadString("Top"), "t");
    EXPECT_EQ(fReg.GetKeyNames(), QStringList{"Software"});
    EXPECT_FALSE(fReg.DeleteKey("\\"));
}

TEST_F(Registry, KeyNamesListOnlyDirectSubkeysSortedWithoutRegardToCase) {
    for (const char* key : {"zeta", "Alpha\\Inner", "beta"})
        ASSERT_TRUE(TZRVRegistry().OpenKey(c_TestKey + "\\" + key, true));
    EXPECT_EQ(fReg.GetKeyNames(), (QStringList{"Alpha", "beta", "zeta"}));
    ASSERT_TRUE(fReg.OpenKey("Alpha", false));
    EXPECT_EQ(fReg.GetKeyNames(), QStringList{"Inner"});
}

TEST_F(Registry, DeleteKeyRemovesSubkeysAndValuesButNotKeysThatShareAPrefix) {
    fReg.WriteInteger("Top", 1);
    for (const char* key : {"Test\\Sub\\Deep", "Test\\Other", "Testing", "Test]", "Test.old"}) {
        TZRVRegistry writer;
        ASSERT_TRUE(writer.OpenKey(QStringLiteral("\\Software\\Vantorel\\") + key, true));
        writer.WriteString("Name", key);
    }
    TZRVRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Vantorel", false));
    EXPECT_TRUE(reg.DeleteKey("TEST"));
    EXPECT_FALSE(reg.DeleteKey("Test"));
    EXPECT_FALSE(reg.KeyExists("Test\\Sub\\Deep"));
    EXPECT_EQ(reg.GetKeyNames(), (QStringList{"Test.old", "Test]", "Testing"}));
    ASSERT_TRUE(reg.OpenKey("Testing", false));
    EXPECT_EQ(reg.ReadString("Name"), "Testing");

    // A key made again under the same name starts empty.
    ASSERT_TRUE(reg.OpenKey("\\Software\\Vantorel\\Test\\Sub\\Deep", true));
    EXPECT_TRUE(reg.GetValueNames().isEmpty());
    ASSERT_TRUE(reg.OpenKey("\\Software\\Vantorel\\Test", false));
    EXPECT_TRUE(reg.GetValueNames().isEmpty());
}

TEST_F(Registry, WritingToAKeyRemovedMeanwhileFails) {
    ASSERT_TRUE(TZRVRegistry().DeleteKey(c_TestKey));
    EXPECT_THROW(fReg.WriteInteger("Port", 1), ERegistryException);
    EXPECT_FALSE(fReg.KeyExists(c_TestKey));
}

// Opening a key to read one value finds that value at once; the reads then behave as after
// OpenKey, and the value found serves that one name until the object writes or opens a key.
TEST_F(Registry, OpeningAKeyToReadAValueReadsAsOpeningItDoes) {
    fReg.WriteInteger("Port", 8080);
    fReg.WriteString("Name", "poste");
    TZRVRegistry r;
    ASSERT_TRUE(r.OpenKeyToRead(c_TestKey, "port"));
    EXPECT_EQ(r.CurrentPath(), c_TestKey.mid(1));
    EXPECT_EQ(r.ReadInteger("PORT"), 8080);
    EXPECT_EQ(r.GetDataType("Port"), TZRVRegDataType::rdInteger);
    EXPECT_EQ(r.ReadString("Name"), "poste");
    fReg.WriteInteger("Port", 9090);
    ASSERT_TRUE(r.OpenKey(c_TestKey, false));
    EXPECT_EQ(r.ReadInteger("Port"), 9090);

    ASSERT_TRUE(r.OpenKeyToRead(c_TestKey, "Port"));
    r.WriteInteger("Port", 1);
    EXPECT_EQ(r.ReadInteger("Port"), 1);

    ASSERT_TRUE(r.OpenKeyToRead(c_TestKey, "Name"));
    EXPECT_EQ(Outcome([&] { return QString::number(r.ReadInteger("Name")); }),
              "Invalid data type for 'Name'");
    ASSERT_TRUE(r.OpenKeyToRead(c_TestKey, "Missing"));
    EXPECT_EQ(r.ReadString("Missing"), "");
    EXPECT_EQ(Outcome([&] { return QString::number(r.ReadInteger("Missing")); }),
              "Failed to get data for 'Missing'");

    EXPECT_FALSE(r.OpenKeyToRead("\\Software\\Nowhere", "Port"));
    EXPECT_EQ(r.CurrentPath(), c_TestKey.mid(1));
    EXPECT_FALSE(r.KeyExists("\\Software\\Nowhere"));
}

// ---------------------------------------------------------------------------------------------
// Sharing, roots and files

TEST_F(Registry, TwoObjectsSeeEachOthersWritesAtOnce) {
    TZRVRegistry other;
    ASSERT_TRUE(other.OpenKey(c_TestKey, false));
    fReg.WriteString("Server", "one");
    EXPECT_EQ(other.ReadString("Server"), "one");
    other.WriteString("Server", "two");
    EXPECT_EQ(fReg.ReadString("Server"), "two");
    EXPECT_TRUE(other.DeleteValue("Server"));
    EXPECT_FALSE(fReg.ValueExists("Server"));
}

// Readers keep their file open between reads: what another tool does to the file must show at once.
TEST_F(Registry, ReadersSeeTheFileAsItIsNowWrittenReplacedOrRemovedByAnotherTool) {
    fReg.WriteString("Server", "one");
    ASSERT_EQ(fReg.ReadString("Server"), "one");
    ExecOnFile(MachineFile(), "UPDATE reg_value SET data = 'two' WHERE name = 'Server'");
    EXPECT_EQ(fReg.ReadString("Server"), "two");

    // A copy written elsewhere, then moved over the store.
    const QString copy = MachineFile() + QStringLiteral(".new");
    ASSERT_TRUE(QFile::copy(MachineFile(), copy));
    ExecOnFile(copy, "UPDATE reg_value SET data = 'three' WHERE name = 'Server'");
    ASSERT_EQ(std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(MachineFile()).constData()),
              0);
    EXPECT_EQ(fReg.ReadString("Server"), "three");

    ASSERT_TRUE(QFile::remove(MachineFile()));
    EXPECT_FALSE(fReg.ValueExists("Server"));
    ASSERT_TRUE(fReg.OpenKey(c_TestKey, true)); // the key went with the file
    fReg.WriteString("Server", "four");
    EXPECT_EQ(fReg.ReadString("Server"), "four");
}

TEST_F(Registry, EachRootIsItsOwnFileInTheConfiguredFolder) {
    EXPECT_EQ(MachineFile(), QDir(fTemp.Path()).filePath("machine.db"));
    EXPECT_EQ(TZRVRegistry::StoreFile(TZRVRootKey::HKEY_CURRENT_USER),
              QDir(fTemp.Path()).filePath("user.db"));
    fReg.WriteInteger("Port", 1);
    TZRVRegistry user(TZRVRootKey::HKEY_CURRENT_USER);
    EXPECT_FALSE(user.OpenKey(c_TestKey, false));
    fReg.SetRootKey(TZRVRootKey::HKEY_CURRENT_USER);
    EXPECT_FALSE(fReg.HasCurrentKey());
    EXPECT_TRUE(QFile::exists(MachineFile()));
}

TEST(RegistryFiles, ReadingCreatesNothingAndWritingCreatesTheFolder) {
    QTemporaryDir parent;
    const QString folder = parent.filePath("deeper/registry");
    zrvtest::ScopedEnv env("ZRV_REGISTRY_DIR", folder);
    TZRVRegistry reg;
    EXPECT_FALSE(reg.OpenKey("\\Software", false));
    EXPECT_FALSE(reg.KeyExists("\\Software"));
    EXPECT_TRUE(reg.GetKeyNames().isEmpty());
    EXPECT_FALSE(QDir(folder).exists());
    ASSERT_TRUE(reg.OpenKey("\\Software", true));
    EXPECT_TRUE(QFile::exists(folder + "/machine.db"));
}

TEST(RegistryFiles, AStoreThatCannotBeCreatedGivesFalseAndFailedWrites) {
    QTemporaryDir parent;
    const QString blocker = parent.filePath("file");
    ASSERT_TRUE(zrvtest::WriteFile(blocker, "not a folder"));
    zrvtest::ScopedEnv env("ZRV_REGISTRY_DIR", blocker + "/registry");
    TZRVRegistry reg;
    EXPECT_FALSE(reg.OpenKey(c_TestKey, true));
    EXPECT_FALSE(reg.DeleteKey(c_TestKey));
    EXPECT_THROW(reg.WriteInteger("Port", 1), ERegistryException);
}

TEST_F(Registry, AReadOnlyFolderCanBeReadButNotWritten) {
    fReg.WriteInteger("Port", 1);
    const QFile::Permissions readOnly =
        QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup;
    ASSERT_TRUE(QFile::setPermissions(fTemp.Path(), readOnly));
    ASSERT_TRUE(QFile::setPermissions(MachineFile(), QFile::ReadOwner));
    const bool probeWritten = QFile(fTemp.Path() + "/probe").open(QIODevice::WriteOnly);
    if (probeWritten) {
        QFile::setPermissions(fTemp.Path(), readOnly | QFile::WriteOwner);
        GTEST_SKIP() << "permissions do not bind this user (root)";
    }
    TZRVRegistry reg;
    EXPECT_TRUE(reg.OpenKey(c_TestKey, false));
    EXPECT_EQ(reg.ReadInteger("Port"), 1);
    EXPECT_FALSE(reg.OpenKey("\\Software\\New", true));
    EXPECT_THROW(reg.WriteInteger("Port", 2), ERegistryException);
    EXPECT_FALSE(reg.DeleteValue("Port"));
    EXPECT_FALSE(reg.DeleteKey(c_TestKey));
    QFile::setPermissions(fTemp.Path(), readOnly | QFile::WriteOwner);
    EXPECT_EQ(reg.ReadInteger("Port"), 1);
}

TEST_F(Registry, ACorruptStoreIsNeitherReadNorTouched) {
    const QByteArray garbage = QByteArray("this is not a database").repeated(200);
    ASSERT_TRUE(zrvtest::WriteFile(MachineFile(), garbage));
    TZRVRegistry reg;
    EXPECT_FALSE(reg.OpenKey(c_TestKey, false));
    EXPECT_FALSE(reg.OpenKey(c_TestKey, true));
    EXPECT_FALSE(fReg.KeyExists(c_TestKey));
    EXPECT_FALSE(fReg.ValueExists("Port"));
    EXPECT_TRUE(fReg.GetValueNames().isEmpty());
    EXPECT_EQ(Outcome([&] { return fReg.ReadString("Port"); }), "Failed to get data for 'Port'");
    EXPECT_THROW(fReg.WriteInteger("Port", 1), ERegistryException);
    EXPECT_FALSE(fReg.DeleteKey(c_TestKey));
    EXPECT_EQ(zrvtest::ReadFile(MachineFile()), garbage);
}

TEST_F(Registry, AStoreOfAnotherFormatIsNotOpened) {
    ExecOnFile(MachineFile(), "PRAGMA user_version = 7");
    EXPECT_FALSE(TZRVRegistry().OpenKey(c_TestKey, false));
    EXPECT_FALSE(TZRVRegistry().OpenKey(c_TestKey, true));
}

TEST_F(Registry, ValuesWrittenBadlyByAnotherToolAreOfAnotherKind) {
    fReg.WriteInteger("Text", 1);
    fReg.WriteInteger("Huge", 1);
    fReg.WriteInteger("Odd", 1);
    ExecOnFile(MachineFile(), "UPDATE reg_value SET data = 'abc' WHERE name = 'Text';"
                              "UPDATE reg_value SET data = 4294967296 WHERE name = 'Huge';"
                              "UPDATE reg_value SET kind = 99 WHERE name = 'Odd';");
    EXPECT_EQ(Outcome([&] { return QString::number(fReg.ReadInteger("Text")); }),
              "Invalid data type for 'Text'");
    EXPECT_EQ(Outcome([&] { return QString::number(fReg.ReadInteger("Huge")); }),
              "Invalid data type for 'Huge'");
    EXPECT_EQ(fReg.GetDataType("Odd"), TZRVRegDataType::rdUnknown);
    EXPECT_EQ(Outcome([&] { return fReg.ReadString("Odd"); }), "Invalid data type for 'Odd'");
}

TEST_F(Registry, AnEmptyStoreFileReadsAsEmptyAndIsSetUpByTheFirstWrite) {
    ASSERT_TRUE(zrvtest::WriteFile(MachineFile(), QByteArray()));
    TZRVRegistry reg;
    EXPECT_FALSE(reg.OpenKey(c_TestKey, false));
    ASSERT_TRUE(reg.OpenKey(c_TestKey, true));
    reg.WriteInteger("Port", 3);
    EXPECT_EQ(reg.ReadInteger("Port"), 3);
}

} // namespace
