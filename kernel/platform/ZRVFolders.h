#pragma once
// Where the system keeps its files on this machine.

#include <QString>

// The folder named by the environment variable aVariable when it is set; otherwise /var/lib/zrv2
// when it is writable (or can be created), else $XDG_DATA_HOME/zrv2.
QString ZRVMachineFolder(const char* aVariable);
// $XDG_DATA_HOME/zrv2: the user's own folder.
QString ZRVUserFolder();
// The data folder of the programs (databases, logs, pictures): ZRV_DATA_DIR or the machine folder.
inline QString ZRVDataFolder() {
    return ZRVMachineFolder("ZRV_DATA_DIR");
}
