#include "ZRVPlatform.h"

#include "ZRVPlatformNone.h"

Q_LOGGING_CATEGORY(lcZRVPlatform, "zrv.platform")

namespace {

std::unique_ptr<TZRVPlatform>& Installed() {
    static std::unique_ptr<TZRVPlatform> platform;
    return platform;
}

} // namespace

TZRVPlatform& Platform() {
    std::unique_ptr<TZRVPlatform>& platform = Installed();
    if (!platform)
        platform = std::make_unique<TZRVNonePlatform>();
    return *platform;
}

void SetPlatform(std::unique_ptr<TZRVPlatform> aPlatform) {
    Installed() = std::move(aPlatform);
}
