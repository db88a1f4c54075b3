#pragma once
// Temporary folders for one test: a settings store (ZRV_REGISTRY_DIR) and a data folder
// (ZRV_DATA_DIR), both removed, and the variables restored, when the object goes.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace zrvtest {

class ScopedEnv {
public:
    ScopedEnv(const char* aName, const QString& aValue);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* fName;
    bool fHadValue;
    QByteArray fOldValue;
};

class TempRegistry {
public:
    TempRegistry();
    QString Path() const { return fDir.path(); }

private:
    QTemporaryDir fDir;
    ScopedEnv fEnv;
};

class TempDataDir {
public:
    TempDataDir();
    QString Path() const { return fDir.path(); }
    QString File(const QString& aName) const { return fDir.filePath(aName); }

private:
    QTemporaryDir fDir;
    ScopedEnv fEnv;
};

} // namespace zrvtest
