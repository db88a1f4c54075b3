// zrv2-shell: prints the shell setting of the settings store (the program the workstation's X
// session runs in place of the desktop), for the session script. Nothing when it was never set.
#include "ZRVSystem.h"
#include "platform/ZRVRegistry.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TZRVRegistry store;
    if (store.OpenKeyReadOnly(c_WinLogonKey) && store.ValueExists(c_WinLogonShell))
        std::printf("%s\n", qPrintable(store.ReadString(c_WinLogonShell)));
    return 0;
}
