#pragma once
// The folder killer: while a session runs, the main controller starts one every 1.5 seconds to
// close the file-manager windows that show the folders the café locks (the program files, the
// system and the Windows folders, as their Linux counterparts). It is a call deferred on the event
// loop, not a thread: started, it runs once on the next turn of the loop and then deletes itself.

#include "ZRVClientConfig.h"

#include <memory>

// The titles of the file manager's own start window, never closed.
inline const QStringList c_KillerSpareTitles = {QStringLiteral("EXPLORATEUR WINDOWS"),
                                                QStringLiteral("WINDOWS EXPLORER")};

class TZRVKiller : public QObject {
    Q_OBJECT
public:
    // Reads the folders to look for; unless aCreateSuspended, starts at once.
    explicit TZRVKiller(bool aCreateSuspended, QObject* aOwner = nullptr);
    ~TZRVKiller() override;

    // Runs the work on the next turn of the event loop, then deletes the object.
    void Start();
    // The work, now: how many windows were asked to close.
    int Execute();

    TZRVClientConfig* ClientCfg() const { return fClientCfg.get(); }
    // The last folder names, upper-cased: program files, system, Windows.
    const QStringList& ExclusionList() const { return fExclusionList; }

    // Whether aTitle (upper-cased) shows the folder aName (upper-cased): the name stands in it as
    // a whole word or path part, not inside a longer word ("BIN" is in "/USR/BIN", not in
    // "CABINET").
    static bool ShowsFolder(const QString& aTitle, const QString& aName);

private:
    std::unique_ptr<TZRVClientConfig> fClientCfg;
    QStringList fExclusionList;
    bool fStarted = false;
};
