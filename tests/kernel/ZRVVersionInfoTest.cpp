#include "ZRVVersionInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(VersionInfo, TheProgramsOwnFileCarriesTheBuildVersion) {
    TZRVVersionInfo info;
    info.SetApp(QCoreApplication::applicationFilePath());
    EXPECT_EQ(info.FileVersion(), ZRV_VERSION);
    EXPECT_EQ(info.property("ProductVersion").toString(), ZRV_VERSION);
    EXPECT_EQ(info.OriginalFileName(), "zrvkernel_tests");
    EXPECT_EQ(info.CompanyName(), "");
}

TEST(VersionInfo, AnotherFileLeavesTheTextsUnchanged) {
    QTemporaryDir dir;
    const QString other = dir.filePath("other");
    QFile file(other);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    TZRVVersionInfo info;
    info.SetApp(QCoreApplication::applicationFilePath());
    info.SetApp(other);
    EXPECT_EQ(info.App(), other);
    EXPECT_EQ(info.FileVersion(), ZRV_VERSION);
    TZRVVersionInfo fresh;
    fresh.SetApp(other);
    EXPECT_EQ(fresh.FileVersion(), "");
}

} // namespace
