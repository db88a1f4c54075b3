#include "ZRVPlugIn.h"

#include "ZRVErrorLogger.h"
#include "platform/ZRVFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

using namespace Qt::StringLiterals;

namespace {

TZRVLibraryPtr LoadLibrary(const QString& aFileName, const QString& aFailure) {
    // An absolute name is tried as it is first, whatever its extension.
    TZRVLibraryPtr library(new QLibrary(QFileInfo(aFileName).absoluteFilePath()));
    if (!library->load())
        throw EZRVError(aFailure + u"\r\n"_s + aFileName);
    return library;
}

template <class TProc>
TProc Resolve(const TZRVLibraryPtr& aLibrary, const char* aSymbol, const QString& aFailure) {
    const QFunctionPointer entry = aLibrary->resolve(aSymbol);
    if (!entry)
        throw EZRVError(aFailure);
    return reinterpret_cast<TProc>(entry);
}

// The modifiers of a shortcut code and their keys.
constexpr std::pair<uint16_t, Qt::KeyboardModifier> c_ShortCutModifiers[] = {
    {ZRV_SHORTCUT_SHIFT, Qt::ShiftModifier},
    {ZRV_SHORTCUT_CTRL, Qt::ControlModifier},
    {ZRV_SHORTCUT_ALT, Qt::AltModifier}};
constexpr int c_FunctionKeys = 24;

} // namespace

QString ZRVPlugInsFolder() {
    return ZRVDataFolder() + u'/' + c_PlugInsFolderName;
}

QString PlugInText(const uint16_t* aText) {
    if (!aText)
        return {};
    qsizetype length = 0;
    while (length < c_MaxPlugInText && aText[length] != 0)
        ++length;
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(aText), length);
}

void TZRVLibraryUnloader::operator()(QLibrary* aLibrary) const {
    aLibrary->unload();
    delete aLibrary;
}

// =============================================================================================

TZRVPlugIn::TZRVPlugIn(QObject* aOwner, const QString& aFileName)
    : QObject(aOwner), fHandle(LoadLibrary(aFileName, u"DLL loading failure"_s)),
      fInit(Resolve<TZRVInitPlugInProc>(fHandle, "InitPlugIn", u"This is not a plugin"_s)),
      fFileName(aFileName) {
    fInit(&fOptions);
    fCaption = fOptions.Caption ? PlugInText(fOptions.Caption) : QFileInfo(aFileName).completeBaseName();
    const TZRVPlugInBitmap* bitmap = fOptions.Bitmap;
    if (bitmap && bitmap->Pixels && bitmap->Width > 0 && bitmap->Width <= c_MaxBitmapSide &&
        bitmap->Height > 0 && bitmap->Height <= c_MaxBitmapSide) {
        fBitmap.Size = QSize(bitmap->Width, bitmap->Height);
        fBitmap.Pixels = QList<quint32>(bitmap->Pixels, bitmap->Pixels + bitmap->Width * bitmap->Height);
    }
}

TZRVPlugIn::~TZRVPlugIn() = default;

void TZRVPlugIn::DoClick() {
    if (fOptions.OnClick)
        fOptions.OnClick();
}

QKeyCombination TZRVPlugIn::ShortCutKey() const {
    const int code = fOptions.ShortCut & 0xFF;
    Qt::Key key = Qt::Key_unknown;
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        key = Qt::Key(code); // Qt's codes of letters and digits are their ASCII codes
    else if (code >= int(ZRV_KEY_F1) && code < int(ZRV_KEY_F1) + c_FunctionKeys)
        key = Qt::Key(Qt::Key_F1 + (code - int(ZRV_KEY_F1)));
    if (key == Qt::Key_unknown)
        return {};
    Qt::KeyboardModifiers modifiers;
    for (const auto& [bit, modifier] : c_ShortCutModifiers)
        if (fOptions.ShortCut & bit)
            modifiers |= modifier;
    return QKeyCombination(modifiers, key);
}

// =============================================================================================

TZRVDefClientCfgPlugIn::TZRVDefClientCfgPlugIn(const QString& aFileName, QObject* aOwner)
    : QObject(aOwner), fHandle(LoadLibrary(aFileName, u"Unable to load DLL"_s)),
      fCreate(
          Resolve<TZRVCreatePlugInProc>(fHandle, "CreatePlugIn", u"That is not an i-DefClientCfgPlugIn"_s)) {
    fCreate(&fPlugIn);
    const IZRVDefClientCfgPlugInVtbl* calls = fPlugIn ? fPlugIn->Vtbl : nullptr;
    if (!calls || !calls->AddRef || !calls->Release || !calls->GetVersion || !calls->GetCaption ||
        !calls->GetDefaultConfig || !calls->SetDefaultConfig) {
        if (calls && calls->Release)
            calls->Release(fPlugIn);
        throw EZRVError(u"That is not an i-DefClientCfgPlugIn"_s);
    }
}

TZRVDefClientCfgPlugIn::~TZRVDefClientCfgPlugIn() {
    fPlugIn->Vtbl->Release(fPlugIn);
}

// =============================================================================================

std::vector<TZRVPlugIn*> LoadPlugIns(const QString& aFolder, QObject* aOwner, TZRVErrorLogger* aLogger) {
    std::vector<TZRVPlugIn*> plugIns;
    const QFileInfoList files = QDir(aFolder).entryInfoList({c_PlugInFilePattern}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        try {
            plugIns.push_back(new TZRVPlugIn(aOwner, file.absoluteFilePath()));
        } catch (const EZRVError& e) {
            LogErrorTo(aLogger, e.Message(), u"ZRVPlugIn"_s, u"LoadPlugIns"_s, u"LOG-CONTINUE"_s);
        }
    }
    return plugIns;
}
