#pragma once
// The command line of zrv2server: `serve`, and the operator's commands on the same database
// (accounts, groups, hour formulas, tickets). Each command has its own --help.

#include <QStringList>
#include <QTextStream>

// The data folder: $ZRV_DATA_DIR, else /var/lib/zrv2 when it is writable (or can be created),
// else $XDG_DATA_HOME/zrv2.
QString ZRVDataFolder();
// The database file used when --database is not given.
QString ZRVDefaultDataBase();

// Runs one command line (aArguments[0] is the program) and returns the exit code: 0 done,
// 1 refused or failed (the reason on aErr), 2 a usage error. `serve` runs the event loop until
// it is stopped.
int ZRVServerMain(const QStringList& aArguments, QTextStream& aOut, QTextStream& aErr);
