#include "ZRVPlatform.h"

#include "ZRVPlatformNone.h"
#include "fake/ZRVFakePlatform.h"

Q_LOGGING_CATEGORY(lcZRVPlatform, "zrv.platform")

namespace {

struct TZRVBackend {
    const char* Name;
    std::unique_ptr<TZRVPlatform> (*Create)();
};

template <class T> std::unique_ptr<TZRVPlatform> Make() {
    return std::make_unique<T>();
}

// The backends built into this program.
const TZRVBackend c_Backends[] = {
    {"fake", &Make<TZRVFakePlatform>},
    {"none", &Make<TZRVNonePlatform>},
};

} // namespace

QString PlatformNameFromEnvironment() {
    const QString asked = qEnvironmentVariable("ZRV_PLATFORM").trimmed().toLower();
    if (!asked.isEmpty())
        return asked;
    return qEnvironmentVariableIsEmpty("DISPLAY") ? QStringLiteral("none") : QStringLiteral("x11");
}

std::unique_ptr<TZRVPlatform> CreatePlatform(const QString& aName) {
    for (const auto& backend : c_Backends)
        if (aName.compare(QLatin1String(backend.Name), Qt::CaseInsensitive) == 0)
            return backend.Create();
    qCWarning(lcZRVPlatform).noquote()
        << "Platform backend" << aName << "is not available in this build; using none";
    return std::make_unique<TZRVNonePlatform>();
}

TZRVPlatform& Platform() {
    static const std::unique_ptr<TZRVPlatform> platform = CreatePlatform(PlatformNameFromEnvironment());
    return *platform;
}
