// Plug-ins loaded from real shared libraries: the example menu plug-in built with the project,
// two plug-ins of the tests, and files that are not plug-ins.

#include "ZRVPlugIn.h"

#include "ZRVErrorLogger.h"

#include "support/Errors.h"
#include "support/Files.h"
#include "support/TempDirs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace zrvtest;

namespace {

const QString c_Example = QStringLiteral(ZRV_EXAMPLE_PLUGIN);
const QString c_CfgPlugIn = QStringLiteral(ZRV_TEST_CFG_PLUGIN);
const QString c_Bare = QStringLiteral(ZRV_TEST_BARE_PLUGIN);

// Whether the library is mapped in the process now.
bool Loaded(const QString& aFile) {
    void* handle = dlopen(QFile::encodeName(aFile).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

// Calls a function the library exports beside the plug-in interface. The library is opened with
// the system's loader, whose count of users keeps it loaded for the plug-in object meanwhile.
template <class TResult> TResult Call(const QString& aFile, const char* aSymbol) {
    void* handle = dlopen(QFile::encodeName(aFile).constData(), RTLD_NOW);
    EXPECT_NE(handle, nullptr);
    const auto function = handle ? reinterpret_cast<TResult (*)()>(dlsym(handle, aSymbol)) : nullptr;
    EXPECT_NE(function, nullptr);
    const TResult result = function ? function() : TResult{};
    if (handle)
        dlclose(handle);
    return result;
}

class PlugIns : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fDir.isValid());
        ASSERT_TRUE(QDir().mkpath(Folder()));
    }
    QString Folder() const { return fDir.filePath("Plugins"); }
    QString InFolder(const QString& aName) const { return Folder() + '/' + aName; }

    QTemporaryDir fDir;
};

TEST_F(PlugIns, ExampleLoadsWithItsItemAndItsCommandRuns) {
    ASSERT_TRUE(QFile::copy(c_Example, InFolder("example.pi")));
    QObject owner;
    const std::vector<TZRVPlugIn*> loaded = LoadPlugIns(Folder(), &owner);
    ASSERT_EQ(loaded.size(), 1u);
    TZRVPlugIn* plugIn = loaded[0];
    EXPECT_EQ(plugIn->parent(), &owner);
    EXPECT_EQ(plugIn->Caption(), "Exemple de plug-in");
    EXPECT_EQ(plugIn->ShortCutKey(), QKeyCombination(Qt::ControlModifier, Qt::Key_F12));
    ASSERT_EQ(plugIn->Bitmap().Size, QSize(16, 16));
    EXPECT_EQ(plugIn->Bitmap().Pixels.at(0), 0xFF000000u);
    EXPECT_EQ(plugIn->Bitmap().Pixels.at(8 * 16 + 8), 0xFF00FF00u);

    const QString file = InFolder("example.pi");
    const int before = Call<int>(file, "ExamplePlugInClicks");
    plugIn->DoClick();
    plugIn->DoClick();
    EXPECT_EQ(Call<int>(file, "ExamplePlugInClicks"), before + 2);

    delete plugIn;
    EXPECT_FALSE(Loaded(file));
}

TEST_F(PlugIns, DamagedAndForeignFilesAreSkippedWithALogLine) {
    ASSERT_TRUE(WriteFile(InFolder("damaged.pi"), QByteArray("\x7f"
                                                             "ELF but not really",
                                                             20)));
    ASSERT_TRUE(QFile::copy(c_CfgPlugIn, InFolder("config.pi")));
    ASSERT_TRUE(QFile::copy(c_Example, InFolder("example.pi")));
    ASSERT_TRUE(QFile::copy(c_Example, InFolder("example.so"))); // not a "*.pi" file
    TZRVErrorLogger logger;
    logger.SetLogFile(fDir.filePath("log.lgf"));
    QObject owner;
    const std::vector<TZRVPlugIn*> loaded = LoadPlugIns(Folder(), &owner, &logger);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0]->FileName(), InFolder("example.pi"));
    const QString log = QString::fromUtf8(ReadFile(fDir.filePath("log.lgf")));
    EXPECT_TRUE(log.contains("DLL loading failure\r\n" + InFolder("damaged.pi")));
    EXPECT_TRUE(log.contains("This is not a plugin"));
    EXPECT_FALSE(Loaded(InFolder("config.pi")));
    EXPECT_TRUE(LoadPlugIns(fDir.filePath("no such folder"), &owner).empty());
}

TEST_F(PlugIns, MenuPlugInLoadErrors) {
    ASSERT_TRUE(WriteFile(InFolder("damaged.pi"), "not a library"));
    EXPECT_EQ(ErrorOf([&] { TZRVPlugIn(nullptr, InFolder("damaged.pi")); }),
              "DLL loading failure\r\n" + InFolder("damaged.pi"));
    EXPECT_EQ(ErrorOf([&] { TZRVPlugIn(nullptr, InFolder("missing.pi")); }),
              "DLL loading failure\r\n" + InFolder("missing.pi"));
    EXPECT_EQ(ErrorOf([] { TZRVPlugIn(nullptr, c_CfgPlugIn); }), "This is not a plugin");
    EXPECT_FALSE(Loaded(c_CfgPlugIn)); // rejected and unloaded again
}

TEST_F(PlugIns, BarePlugInGetsItsFileNameAsCaptionAndACommandThatDoesNothing) {
    TZRVPlugIn plugIn(nullptr, c_Bare);
    EXPECT_EQ(plugIn.Caption(), "bare");
    EXPECT_EQ(plugIn.Options().OnClick, nullptr);
    plugIn.DoClick();
    EXPECT_EQ(plugIn.ShortCut(), ZRV_SHORTCUT_CTRL | 0x01u);
    EXPECT_EQ(plugIn.ShortCutKey(), QKeyCombination());
    EXPECT_TRUE(plugIn.Bitmap().Pixels.isEmpty());
}

TEST(PlugInText, IsReadUpToItsEndOrTheLimit) {
    EXPECT_EQ(PlugInText(nullptr), "");
    EXPECT_EQ(PlugInText(reinterpret_cast<const uint16_t*>(u"Café")), "Café");
    const std::u16string endless(3000, u'x'); // its end lies beyond the limit
    EXPECT_EQ(PlugInText(reinterpret_cast<const uint16_t*>(endless.c_str())).size(), c_MaxPlugInText);
}

TEST(DefClientCfgPlugIn, HandsTheHostItsObjectAndReleasesIt) {
    // Keeps the library mapped to read its count after the wrapper goes.
    void* keep = dlopen(QFile::encodeName(c_CfgPlugIn).constData(), RTLD_NOW);
    ASSERT_NE(keep, nullptr);
    {
        TZRVDefClientCfgPlugIn wrapper(c_CfgPlugIn);
        IZRVDefClientCfgPlugIn* plugIn = wrapper.PlugIn();
        ASSERT_NE(plugIn, nullptr);
        EXPECT_EQ(plugIn->Vtbl->GetVersion(plugIn), ZRV_DEFCLIENTCFG_VERSION);
        EXPECT_EQ(PlugInText(plugIn->Vtbl->GetCaption(plugIn)), "Configuration d'essai");
        EXPECT_EQ(PlugInText(plugIn->Vtbl->GetDefaultConfig(plugIn)), "ClC_AL=-1\r\nClC_SPt=12345\r\n");
        EXPECT_EQ(Call<uint32_t>(c_CfgPlugIn, "TestCfgPlugInReferences"), 1u);
    }
    EXPECT_EQ(Call<uint32_t>(c_CfgPlugIn, "TestCfgPlugInReferences"), 0u);
    dlclose(keep);
    EXPECT_FALSE(Loaded(c_CfgPlugIn));
}

TEST(DefClientCfgPlugIn, LoadErrors) {
    QTemporaryDir dir;
    const QString damaged = dir.filePath("damaged.so");
    ASSERT_TRUE(WriteFile(damaged, "not a library"));
    EXPECT_EQ(ErrorOf([&] { TZRVDefClientCfgPlugIn{damaged}; }), "Unable to load DLL\r\n" + damaged);
    EXPECT_EQ(ErrorOf([] { TZRVDefClientCfgPlugIn{c_Example}; }), "That is not an i-DefClientCfgPlugIn");
    for (const char* mode : {"null", "incomplete"}) {
        ScopedEnv env("ZRV_TEST_CFG_PLUGIN_MODE", mode);
        EXPECT_EQ(ErrorOf([] { TZRVDefClientCfgPlugIn{c_CfgPlugIn}; }), "That is not an i-DefClientCfgPlugIn")
            << mode;
        EXPECT_FALSE(Loaded(c_CfgPlugIn)) << mode;
    }
}

} // namespace
