#pragma once
// Lists the computers this machine sees on its local networks, so that the server program can
// offer the names of the workstations. The source is the kernel's IPv4 neighbour table (the
// machines it has exchanged packets with, by network interface); each address is turned into a
// name by an asynchronous reverse look-up that the event loop never waits for.

#include "ZRVCommon.h"

#include <functional>
#include <vector>

inline const QString c_NeighbourTable = QStringLiteral("/proc/net/arp");
// Entries kept per network, and networks kept.
constexpr int c_MaxLANEntries = 250;
// The result when the neighbour table cannot be read: the network is not present.
constexpr int c_ERROR_NO_NETWORK = 1222;
constexpr int c_DefaultLookupTimeout = 3000;

struct TZRVNeighbour {
    QString Address;
    QString Network;
    bool operator==(const TZRVNeighbour&) const = default;
};

// Reads the answered IPv4 entries of a neighbour table in the /proc/net/arp layout, grouped by
// network in the order the networks first appear, at most c_MaxLANEntries per network and
// c_MaxLANEntries networks. Malformed lines are skipped. False when the file cannot be opened.
bool ReadNeighbourTable(const QString& aFileName, std::vector<TZRVNeighbour>& aNeighbours);

// The result and, on success, the new list the receiver owns.
using TZRVLANComputersEvent = std::function<void(int aResult, std::unique_ptr<TStringList> List)>;

// Turns an address into a name, later on the event loop, while aContext lives; aResolved gets the
// empty text when the address has no name.
using TZRVNameLookup = std::function<void(const QString& aAddress, QObject* aContext,
                                          std::function<void(const QString& aName)> aResolved)>;
// The reverse look-up of the system's resolver.
void ReverseLookup(const QString& aAddress, QObject* aContext,
                   std::function<void(const QString& aName)> aResolved);

// Starts listing the neighbours, each as "\\" followed by its name, or by its address when it has
// none or its look-up has not answered within aLookupTimeoutMs. Returns 0 when started: aDone then
// follows once, later on the event loop, with 0 and the list. Returns c_ERROR_NO_NETWORK when the
// table cannot be read; aDone is not called then.
int FindLANComputers(TZRVLANComputersEvent aDone, const QString& aNeighbourTable = c_NeighbourTable,
                     int aLookupTimeoutMs = c_DefaultLookupTimeout,
                     const TZRVNameLookup& aLookup = ReverseLookup);
