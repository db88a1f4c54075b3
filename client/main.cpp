// Client: the workstation program that locks the PC until a customer opens a session.
// `Client --windowed` (or ZRV_PLATFORM=none) runs it in an ordinary window on one's own desktop;
// `--server HOST[:PORT]` sets the server it connects to.
#include "Client.h"

#include "platform/ZRVPlatform.h"
#ifdef ZRV_HAVE_X11
#include "platform/x11/ZRVX11Platform.h"
#endif

#include <QApplication>

#include <cstdio>

namespace {

// The desktop session's backend when there is one to hold; otherwise the kernel keeps `none`.
void ChoosePlatform(bool aWindowed) {
#ifdef ZRV_HAVE_X11
    if (aWindowed || qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    // The lock screen's grab goes through the connection of Qt's windows, which then get the keys.
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (auto platform = CreateX11Platform(x11 ? x11->connection() : nullptr))
        SetPlatform(std::move(platform));
#else
    Q_UNUSED(aWindowed);
#endif
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool windowed = arguments.removeAll(TZRVClientProgram::WindowedOption()) > 0 ||
                          qEnvironmentVariable("ZRV_PLATFORM") == QStringLiteral("none");
    PrepareApplication();
    QApplication app(argc, argv);
    if (!TakeServerOption(arguments)) {
        std::fprintf(stderr, "Client: --server takes HOST or HOST:PORT\n");
        return 2;
    }
    ChoosePlatform(windowed);
    return ClientMain(arguments, windowed);
}
