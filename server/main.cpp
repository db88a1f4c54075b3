// zrv2server: the headless café server and its operator's commands (see `zrv2server --help`).
#include "ZRVServerCommands.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zrv2server"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return ZRVServerMain(QCoreApplication::arguments(), out, err);
}
