#include "ZRVFindLANComputers.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Lines longer than this are not table entries; reading stops after c_MaxLines lines.
constexpr qint64 c_MaxLineLength = 512;
constexpr int c_MaxLines = 65536;
// The entry has been answered (ATF_COM).
constexpr uint c_FlagComplete = 0x2;

// One line: address, hardware type, flags, hardware address, mask, device.
bool ParseEntry(const QString& aLine, TZRVNeighbour& aEntry) {
    const QStringList fields = aLine.split(u' ', Qt::SkipEmptyParts);
    if (fields.size() != 6)
        return false;
    bool ok = false;
    const uint flags = fields[2].toUInt(&ok, 16);
    if (!ok || !(flags & c_FlagComplete) ||
        QHostAddress(fields[0]).protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    aEntry = {fields[0], fields[5]};
    return true;
}

// Resolves the names of a list of neighbours, then reports the list once and goes. Answers that
// come after the report are dropped with this object.
class TZRVLANLookup : public QObject {
public:
    TZRVLANLookup(const std::vector<TZRVNeighbour>& aNeighbours, TZRVLANComputersEvent aDone, int aTimeoutMs,
                  const TZRVNameLookup& aLookup)
        : QObject(QCoreApplication::instance()), fDone(std::move(aDone)) {
        for (const TZRVNeighbour& n : aNeighbours)
            fNames << n.Address;
        fPending = int(fNames.size());
        for (int i = 0; i < fNames.size(); ++i)
            aLookup(fNames[i], this, [this, i](const QString& aName) { Resolved(i, aName); });
        QTimer::singleShot(fPending == 0 ? 0 : aTimeoutMs, this, &TZRVLANLookup::Finish);
    }

private:
    void Resolved(int aIndex, const QString& aName) {
        if (!aName.isEmpty())
            fNames[aIndex] = aName;
        if (--fPending == 0)
            Finish();
    }

    void Finish() {
        if (fFinished)
            return;
        fFinished = true;
        auto list = std::make_unique<TStringList>();
        for (const QString& name : std::as_const(fNames))
            list->Add(u"\\\\"_s + name);
        deleteLater();
        if (fDone)
            fDone(0, std::move(list));
    }

    TZRVLANComputersEvent fDone;
    QStringList fNames;
    int fPending = 0;
    bool fFinished = false;
};

} // namespace

bool ReadNeighbourTable(const QString& aFileName, std::vector<TZRVNeighbour>& aNeighbours) {
    QFile file(aFileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QStringList networks;
    std::vector<std::vector<TZRVNeighbour>> groups;
    file.readLine(c_MaxLineLength); // the header
    for (int n = 0; n < c_MaxLines && !file.atEnd(); ++n) {
        TZRVNeighbour entry;
        if (!ParseEntry(QString::fromLatin1(file.readLine(c_MaxLineLength)).trimmed(), entry))
            continue;
        qsizetype group = networks.indexOf(entry.Network);
        if (group < 0 && networks.size() < c_MaxLANEntries) {
            group = networks.size();
            networks << entry.Network;
            groups.emplace_back();
        }
        if (group >= 0 && groups[size_t(group)].size() < size_t(c_MaxLANEntries))
            groups[size_t(group)].push_back(entry);
    }
    aNeighbours.clear();
    for (const auto& g : groups)
        aNeighbours.insert(aNeighbours.end(), g.begin(), g.end());
    return true;
}

void ReverseLookup(const QString& aAddress, QObject* aContext,
                   std::function<void(const QString& aName)> aResolved) {
    // The answer arrives as an event, never inside lookupHost itself, and not once aContext is gone.
    QHostInfo::lookupHost(
        aAddress, aContext, [aAddress, aResolved = std::move(aResolved)](const QHostInfo& aInfo) {
            const bool named = aInfo.error() == QHostInfo::NoError && aInfo.hostName() != aAddress;
            aResolved(named ? aInfo.hostName() : QString());
        });
}

int FindLANComputers(TZRVLANComputersEvent aDone, const QString& aNeighbourTable, int aLookupTimeoutMs,
                     const TZRVNameLookup& aLookup) {
    std::vector<TZRVNeighbour> neighbours;
    if (!ReadNeighbourTable(aNeighbourTable, neighbours))
        return c_ERROR_NO_NETWORK;
    new TZRVLANLookup(neighbours, std::move(aDone), aLookupTimeoutMs, aLookup);
    return 0;
}
