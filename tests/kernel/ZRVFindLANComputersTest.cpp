// The LAN finder on neighbour tables written as fixtures: which entries count, the bounds per
// network, the names from reverse look-ups, and a table that cannot be read.
#include "ZRVFindLANComputers.h"

#include "support/EventLoop.h"
#include "support/Files.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString c_Header = u"IP address       HW type     Flags       HW address            Mask     Device"_s;

QString Entry(const QString& aAddress, const QString& aDevice, const QString& aFlags = u"0x2"_s) {
    return aAddress + u"        0x1         "_s + aFlags + u"         02:fc:00:00:00:05     *        "_s +
           aDevice;
}

class FindLANComputers : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fDir.isValid()); }

    QString Table(const QStringList& aEntries) {
        const QString path = fDir.filePath(u"arp"_s);
        EXPECT_TRUE(
            zrvtest::WriteFile(path, (QStringList{c_Header} + aEntries).join(u'\n').toLatin1() + '\n'));
        return path;
    }
    std::vector<TZRVNeighbour> Read(const QStringList& aEntries) {
        std::vector<TZRVNeighbour> result;
        EXPECT_TRUE(ReadNeighbourTable(Table(aEntries), result));
        return result;
    }
    // A resolver of our own, so that no test asks the network: the names it knows answer on the
    // next turn of the event loop, the silent addresses never answer, the others have no name.
    void Lookup(const QString& aAddress, QObject* aContext, std::function<void(const QString&)> aResolved) {
        if (fSilent.contains(aAddress))
            return;
        QTimer::singleShot(0, aContext, [name = fNames.value(aAddress), aResolved] { aResolved(name); });
    }

    // Runs the finder to its end; the number of times it reported.
    int Find(const QString& aTable, int aTimeoutMs, int& aResult, QStringList& aNames) {
        int reports = 0;
        aResult = ::FindLANComputers(
            [&](int aCode, std::unique_ptr<TStringList> aList) {
                ++reports;
                aResult = aCode;
                aNames = aList->Lines();
            },
            aTable, aTimeoutMs,
            [this](const QString& aAddress, QObject* aContext,
                   std::function<void(const QString&)> aResolved) {
                Lookup(aAddress, aContext, std::move(aResolved));
            });
        EXPECT_EQ(reports, 0) << "reported before returning";
        if (aResult == 0)
            zrvtest::WaitUntil([&] { return reports > 0; }, 5000);
        zrvtest::RunDeferredCalls();
        return reports;
    }

    QTemporaryDir fDir;
    QHash<QString, QString> fNames{{u"127.0.0.1"_s, u"localhost"_s}};
    QSet<QString> fSilent;
};

TEST_F(FindLANComputers, OnlyAnsweredIPv4EntriesCountGroupedByNetwork) {
    const auto entries = Read({
        Entry(u"192.0.2.1"_s, u"eth0"_s),
        Entry(u"10.0.0.7"_s, u"wlan0"_s),
        Entry(u"192.0.2.2"_s, u"eth0"_s, u"0x0"_s), // never answered
        Entry(u"192.0.2.3"_s, u"eth0"_s, u"0x6"_s), // answered and permanent
        Entry(u"192.0.2.300"_s, u"eth0"_s),
        Entry(u"fe80::1"_s, u"eth0"_s),
        Entry(u"192.0.2.4"_s, u"eth0"_s, u"zz"_s),
        u"192.0.2.5 0x1 0x2 02:fc:00:00:00:05 eth0"_s,
        u""_s,
        Entry(u"10.0.0.8"_s, u"wlan0"_s),
    });
    EXPECT_EQ(entries, (std::vector<TZRVNeighbour>{{u"192.0.2.1"_s, u"eth0"_s},
                                                   {u"192.0.2.3"_s, u"eth0"_s},
                                                   {u"10.0.0.7"_s, u"wlan0"_s},
                                                   {u"10.0.0.8"_s, u"wlan0"_s}}));
}

TEST_F(FindLANComputers, EachNetworkAndTheNumberOfNetworksStopAt250) {
    QStringList lines;
    for (int i = 0; i < 300; ++i)
        lines << Entry(u"10.0.%1.%2"_s.arg(i / 200).arg(i % 200 + 1), u"eth0"_s);
    for (int i = 0; i < 260; ++i)
        lines << Entry(u"10.1.0.%1"_s.arg(i % 250 + 1), u"veth"_s + QString::number(i));
    const auto entries = Read(lines);
    ASSERT_EQ(entries.size(), 250u + 249u);
    EXPECT_EQ(entries[249].Address, u"10.0.1.50"_s);
    EXPECT_EQ(entries.back().Network, u"veth248"_s);
}

TEST_F(FindLANComputers, AnUnreadableTableIsANetworkErrorAndNothingFollows) {
    int result = 0;
    QStringList names;
    EXPECT_EQ(Find(fDir.filePath(u"missing"_s), 100, result, names), 0);
    EXPECT_EQ(result, c_ERROR_NO_NETWORK);
    std::vector<TZRVNeighbour> entries;
    EXPECT_FALSE(ReadNeighbourTable(fDir.filePath(u"missing"_s), entries));
}

TEST_F(FindLANComputers, NeighboursAreNamedWhenTheyHaveANameAndByAddressOtherwise) {
    struct TCase {
        const char* Name;
        QStringList Entries;
        QStringList Expected;
    };
    const TCase cases[] = {
        {"no neighbours", {}, {}},
        {"named and unnamed",
         {Entry(u"127.0.0.1"_s, u"lo"_s), Entry(u"192.0.2.10"_s, u"eth0"_s), Entry(u"192.0.2.11"_s, u"lo"_s)},
         {u"\\\\localhost"_s, u"\\\\192.0.2.11"_s, u"\\\\192.0.2.10"_s}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        int result = -1;
        QStringList names{u"stale"_s};
        EXPECT_EQ(Find(Table(c.Entries), 3000, result, names), 1);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(names, c.Expected);
    }
}

TEST_F(FindLANComputers, LookUpsThatDoNotAnswerInTimeLeaveTheAddress) {
    int result = -1;
    QStringList names;
    fSilent.insert(u"192.0.2.10"_s);
    const QString table = Table({Entry(u"127.0.0.1"_s, u"lo"_s), Entry(u"192.0.2.10"_s, u"eth0"_s)});
    EXPECT_EQ(Find(table, 30, result, names), 1);
    EXPECT_EQ(names, QStringList({u"\\\\localhost"_s, u"\\\\192.0.2.10"_s}));
}

} // namespace
