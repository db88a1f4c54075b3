#include "ZRVLanguage.h"

#include "support/Files.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

class Language : public ::testing::Test {
protected:
    QString Write(const QString& aName, const QByteArray& aText) {
        const QString path = fDir.filePath(aName);
        EXPECT_TRUE(zrvtest::WriteFile(path, aText));
        return path;
    }
    static QString Message(const std::function<void()>& aCall) {
        try {
            aCall();
        } catch (const EZRVError& e) {
            return e.Message();
        }
        return QString();
    }

    QTemporaryDir fDir;
    TZRVLanguage fLanguage;
};

TEST_F(Language, LoadsTheWordsInFileOrder) {
    const QString file =
        Write("fr.lng", "\xEF\xBB\xBF[Other]\r\nz=no\r\n"
                        "[Words]\r\n; comment\r\nzeta = Fermer\r\nalpha=Ouvrir la séance\r\n\r\n"
                        "mu=\r\n[Words]\r\nlate=no\r\n");
    fLanguage.SetLangFile(file);
    ASSERT_EQ(fLanguage.Count(), 3u);
    EXPECT_EQ(fLanguage.GetWord(0), "Fermer");
    EXPECT_EQ(fLanguage.GetWord(1), "Ouvrir la séance");
    EXPECT_EQ(fLanguage.GetWord(2), "");
    EXPECT_EQ(Message([&] { fLanguage.GetWord(3); }), "Invalid word index");
    EXPECT_EQ(Message([&] { fLanguage.GetWord(-1); }), "Invalid word index");
}

TEST_F(Language, TheSameFileInAnotherCaseIsNotReadAgain) {
    const QString file = Write("fr.lng", "[Words]\n1=Un\n");
    fLanguage.SetLangFile(file);
    Write("fr.lng", "[Words]\n1=Changé\n2=Deux\n");
    fLanguage.SetLangFile(file.toUpper());
    EXPECT_EQ(fLanguage.Count(), 1u);
    EXPECT_EQ(fLanguage.GetWord(0), "Un");
}

TEST_F(Language, AMissingFileRaisesAndKeepsTheWords) {
    fLanguage.SetLangFile(Write("fr.lng", "[words]\n1=Un\n"));
    const QString missing = fDir.filePath("en.lng");
    EXPECT_EQ(Message([&] { fLanguage.SetLangFile(missing); }), "Language file not found :" + missing);
    EXPECT_EQ(fLanguage.GetWord(0), "Un");
}

} // namespace
