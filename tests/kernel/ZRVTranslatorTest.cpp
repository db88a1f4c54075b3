#include "ZRVTranslator.h"

#include "support/Files.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class Translator : public ::testing::Test {
protected:
    QString Write(const QString& aName, const QByteArray& aText) {
        const QString path = fDir.filePath(aName);
        EXPECT_TRUE(zrvtest::WriteFile(path, aText));
        return path;
    }

    QTemporaryDir fDir;
    TZRVTranslator fTranslator;
};

TEST_F(Translator, ListsTheStringNamesInFileOrder) {
    fTranslator.SetIniFile(
        Write("app.ini", "[Main]\nx=1\n[STRINGS]\nSClose=Fermer\nAOpen=Ouvrir\n[Next]\ny=2\n"));
    EXPECT_EQ(fTranslator.IniValues().Lines(), QStringList({"SClose", "AOpen"}));
    EXPECT_EQ(fTranslator.Txt(1), "AOpen");
    EXPECT_EQ(fTranslator.Txt(2), "");
    EXPECT_EQ(fTranslator.Txt(-1), "");

    fTranslator.SetIniFile(fDir.filePath("missing.ini"));
    EXPECT_EQ(fTranslator.IniValues().Count(), 0);
}

TEST_F(Translator, KeepsTheTranslationFileAsLines) {
    fTranslator.SetFileName(Write("fr.txt", "Bonjour\r\nAu revoir\r\n"));
    EXPECT_EQ(fTranslator.Translate().Lines(), QStringList({"Bonjour", "Au revoir"}));
    fTranslator.SetFileName(fDir.filePath("missing.txt"));
    EXPECT_EQ(fTranslator.Translate().Count(), 0);
}

} // namespace
