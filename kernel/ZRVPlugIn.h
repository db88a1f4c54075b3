#pragma once
// Plug-ins: shared libraries found at run time and loaded through the plain C interface of
// ZRVPlugInApi.h. A menu plug-in (a "*.pi" file in the workstation's "Plugins" folder) adds one
// command to the task-bar menu; a default-client-configuration plug-in hands the server host an
// interface object. Loading a library runs its code: the folder must be writable by the café's
// administrator only.

#include "ZRVCommon.h"
#include "ZRVPlugInApi.h"
#include "platform/ZRVPlatform.h"

#include <vector>

class QLibrary;
class TZRVErrorLogger;

inline const QString c_PlugInsFolderName = QStringLiteral("Plugins");
inline const QString c_PlugInFilePattern = QStringLiteral("*.pi");

// The folder of the workstation's menu plug-ins: "Plugins" in the data folder.
QString ZRVPlugInsFolder();

// A zero-terminated UTF-16 text of a plug-in, read up to c_MaxPlugInText characters; the empty
// text for null.
constexpr int c_MaxPlugInText = 1024;
QString PlugInText(const uint16_t* aText);

// Unloads the library when its holder goes. Qt shares one loaded library among the QLibrary
// objects of a file and unloads it at the first unload: load each plug-in file once.
struct TZRVLibraryUnloader {
    void operator()(QLibrary* aLibrary) const;
};
using TZRVLibraryPtr = std::unique_ptr<QLibrary, TZRVLibraryUnloader>;

class TZRVPlugIn : public QObject {
    Q_OBJECT
public:
    static constexpr int c_MaxBitmapSide = 256;

    // Loads the library, resolves "InitPlugIn" and calls it once. Raises "DLL loading failure"
    // CR LF and the file name when the library cannot be loaded, "This is not a plugin" when it
    // lacks the export; the library is unloaded again then.
    TZRVPlugIn(QObject* aOwner, const QString& aFileName);
    ~TZRVPlugIn() override;

    // Calls the plug-in's command; nothing when it has none.
    void DoClick();

    const QString& FileName() const { return fFileName; }
    const TZRVPlugInOptions& Options() const { return fOptions; }
    // The menu text; the file's name without extension when the plug-in gives none.
    const QString& Caption() const { return fCaption; }
    uint16_t ShortCut() const { return fOptions.ShortCut; }
    // The shortcut as a key and modifiers; empty when there is none or its key is not known.
    QKeyCombination ShortCutKey() const;
    // The picture beside the menu item; empty when the plug-in gives none or a malformed one.
    const TZRVIcon& Bitmap() const { return fBitmap; }

private:
    TZRVLibraryPtr fHandle;
    TZRVInitPlugInProc fInit = nullptr;
    TZRVPlugInOptions fOptions{};
    QString fFileName;
    QString fCaption;
    TZRVIcon fBitmap;
};

class TZRVDefClientCfgPlugIn : public QObject {
    Q_OBJECT
public:
    // Loads the library, resolves "CreatePlugIn" and takes the object it makes. Raises "Unable to
    // load DLL" CR LF and the file name when the library cannot be loaded, "That is not an
    // i-DefClientCfgPlugIn" when it lacks the export or makes no complete object.
    explicit TZRVDefClientCfgPlugIn(const QString& aFileName, QObject* aOwner = nullptr);
    // Releases the object, then unloads the library.
    ~TZRVDefClientCfgPlugIn() override;

    // The plug-in's object, for the host to call.
    IZRVDefClientCfgPlugIn* PlugIn() const { return fPlugIn; }

private:
    TZRVLibraryPtr fHandle;
    TZRVCreatePlugInProc fCreate = nullptr;
    IZRVDefClientCfgPlugIn* fPlugIn = nullptr;
};

// Loads every "*.pi" file of aFolder, in name order, as a plug-in owned by aOwner. A file that
// fails to load is skipped, with one log line when aLogger is given.
std::vector<TZRVPlugIn*> LoadPlugIns(const QString& aFolder, QObject* aOwner,
                                     TZRVErrorLogger* aLogger = nullptr);
