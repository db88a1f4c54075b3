#pragma once
// The command line of zrv2server: `serve`, and the operator's commands on the same database
// (accounts, groups, hour formulas, tickets). Each command has its own --help.

#include "platform/ZRVFolders.h"

#include <QStringList>
#include <QTextStream>

// The database file used when --database is not given.
QString ZRVDefaultDataBase();

// Runs one command line (aArguments[0] is the program) and returns the exit code: 0 done,
// 1 refused or failed (the reason on aErr), 2 a usage error. `serve` runs the event loop until
// it is stopped.
int ZRVServerMain(const QStringList& aArguments, QTextStream& aOut, QTextStream& aErr);
