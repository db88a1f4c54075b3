#include "ZRVX11Platform.h"

#include "ZRVLogind.h"
#include "ZRVX11Desktop.h"
#include "ZRVX11Restrictions.h"
#include "ZRVX11Windows.h"
#include "platform/posix/ZRVPosix.h"

namespace {

class TZRVX11Platform : public TZRVPlatform {
public:
    TZRVX11Platform(std::unique_ptr<TZRVX11Connection> aX, xcb_connection_t* aWindowsConnection)
        : fX(std::move(aX)), fWindows(*fX), fRestrictions(*fX, fWindows, fLauncher),
          fDesktop(*fX, fWindows, aWindowsConnection) {}

    QString Name() const override { return QStringLiteral("x11"); }
    IZRVMachineFacts& Machine() override { return fMachine; }
    IZRVRestrictions& Restrictions() override { return fRestrictions; }
    IZRVWindows& Windows() override { return fWindows; }
    IZRVDesktop& Desktop() override { return fDesktop; }
    // logind is reached the first time the session is asked for.
    IZRVSession& Session() override {
        if (!fSession)
            fSession = std::make_unique<TZRVLogindSession>(QDBusConnection::systemBus());
        return *fSession;
    }
    IZRVLauncher& Launcher() override { return fLauncher; }

private:
    std::unique_ptr<TZRVX11Connection> fX;
    TZRVPosixMachineFacts fMachine;
    TZRVProcessLauncher fLauncher;
    TZRVX11Windows fWindows;
    TZRVX11Restrictions fRestrictions;
    TZRVX11Desktop fDesktop;
    std::unique_ptr<TZRVLogindSession> fSession;
};

} // namespace

std::unique_ptr<TZRVPlatform> CreateX11Platform(xcb_connection_t* aWindowsConnection) {
    std::unique_ptr<TZRVX11Connection> x = TZRVX11Connection::Open();
    if (!x)
        return nullptr;
    return std::make_unique<TZRVX11Platform>(std::move(x), aWindowsConnection);
}
