#include "TempDirs.h"

namespace zrvtest {

ScopedEnv::ScopedEnv(const char* aName, const QString& aValue)
    : fName(aName), fHadValue(qEnvironmentVariableIsSet(aName)), fOldValue(qgetenv(aName)) {
    qputenv(aName, aValue.toLocal8Bit());
}

ScopedEnv::~ScopedEnv() {
    if (fHadValue)
        qputenv(fName, fOldValue);
    else
        qunsetenv(fName);
}

TempRegistry::TempRegistry() : fEnv("ZRV_REGISTRY_DIR", fDir.path()) {}

TempDataDir::TempDataDir() : fEnv("ZRV_DATA_DIR", fDir.path()) {}

} // namespace zrvtest
