#include "ZRVWriteBackJournal.h"

#include "platform/ZRVFolders.h"

#include <QFile>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <unistd.h>

namespace {

// The journal is a log of the changes to the write-backs waiting: a write-back kept behind the
// others, the last one taking a later one of its session in, the first one landed. Replayed in
// order, it gives what waits; a change costs one line appended.
const QByteArray c_Header = QByteArrayLiteral("ZRVWRITEBACKS 2");
// The journal of earlier servers: the write-backs waiting, one per line.
const QByteArray c_HeaderOfWholeLists = QByteArrayLiteral("ZRVWRITEBACKS 1");
constexpr char c_Kept = '+';
constexpr char c_Joined = '=';
constexpr char c_Landed = '-';
constexpr int c_Fields = 12;
// A journal far larger than any café's sessions is not read.
constexpr qint64 c_MaxJournalBytes = 16 * 1024 * 1024;
// Changes appended beyond what waits before the journal is written afresh with only that.
constexpr int c_MaxChangesAppended = 256;

QByteArray Line(const TZRVWriteBack& aWork) {
    const TZRVSessionRow& row = aWork.Row;
    const QList<QByteArray> fields = {row.Token.toUtf8(),
                                      QByteArray::number(int(row.SessionType)),
                                      QByteArray::number(row.RecordID),
                                      QByteArray::number(int(row.Incremental)),
                                      QByteArray::number(row.Credit),
                                      QByteArray::number(row.Used),
                                      QByteArray::number(row.Slack),
                                      QByteArray::number(row.StartDate, 'g', 17),
                                      QByteArray::number(aWork.Change),
                                      QByteArray::number(aWork.Used),
                                      QByteArray::number(aWork.MachineID),
                                      QByteArray::number(int(aWork.EndSession))};
    return fields.join('\t');
}

// One journal line; nothing when it is damaged.
std::optional<TZRVWriteBack> Parse(const QByteArray& aLine) {
    const QList<QByteArray> f = aLine.split('\t');
    if (f.size() != c_Fields || f[0].isEmpty())
        return std::nullopt;
    bool ok[11] = {};
    TZRVWriteBack work;
    TZRVSessionRow& row = work.Row;
    row.Token = QString::fromUtf8(f[0]);
    const int type = f[1].toInt(&ok[0]);
    row.RecordID = f[2].toUInt(&ok[1]);
    row.Incremental = f[3].toInt(&ok[2]) != 0;
    row.Credit = f[4].toUInt(&ok[3]);
    row.Used = f[5].toUInt(&ok[4]);
    row.Slack = f[6].toUInt(&ok[5]);
    row.StartDate = f[7].toDouble(&ok[6]);
    work.Change = f[8].toLongLong(&ok[7]);
    work.Used = f[9].toUInt(&ok[8]);
    work.MachineID = f[10].toUInt(&ok[9]);
    work.EndSession = f[11].toInt(&ok[10]) != 0;
    if (std::find(std::begin(ok), std::end(ok), false) != std::end(ok) ||
        (type != stAccount && type != stTicket))
        return std::nullopt;
    row.SessionType = TZRVSessionType(type);
    return work;
}

} // namespace

TZRVWriteBackJournal::TZRVWriteBackJournal(QObject* aOwner) : QObject(aOwner), fRetry(new QTimer(this)) {
    fRetry->setInterval(c_DefaultRetryInterval);
    fRetry->setSingleShot(true);
    connect(fRetry, &QTimer::timeout, this, &TZRVWriteBackJournal::Send);
}

TZRVWriteBackJournal::~TZRVWriteBackJournal() {
    // The one on its way may land as well: the next server finds it landed and does not write it
    // twice.
    if (!fPending.isEmpty() && !fLogged)
        Rewrite();
}

QString TZRVWriteBackJournal::FileFor(const QString& aDBName) {
    if (ZRVSql::EngineOf(aDBName) == ZRVSql::TEngine::Sqlite)
        return aDBName + QStringLiteral("-writebacks");
    // A PostgreSQL database has no folder of its own: its journal lives in the data folder, named
    // after the server, port and database (user and password left out).
    const QUrl address(aDBName);
    QString name = QStringLiteral("postgresql-%1-%2-%3")
                       .arg(address.host(), QString::number(address.port(5432)), address.path().mid(1));
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != u'.' && c != u'-')
            c = u'_';
    return ZRVDataFolder() + u'/' + name.left(200) + QStringLiteral("-writebacks");
}

void TZRVWriteBackJournal::SetDataBase(TZRVDataBaseWorker* aDb) {
    fDb = aDb;
    fPending.clear();
    fFile = fDb && !fDb->DBName().isEmpty() ? FileFor(fDb->DBName()) : QString();
    fStarted = false;
    fRefused = false;
    fInFile = false;
    fLogged = false;
}

void TZRVWriteBackJournal::Start() {
    if (!fStarted) {
        fStarted = true;
        Load();
        Rewrite(); // without the damaged lines, which the log keeps
    }
    Send();
}

void TZRVWriteBackJournal::SetRetryInterval(int aMilliseconds) {
    fRetry->setInterval(std::max(1, aMilliseconds));
}

void TZRVWriteBackJournal::Write(const TZRVWriteBack& aWork) {
    // Behind the ones still waiting, so that a session's write-backs land in their order; one of
    // the same session that has not gone yet takes this one in, so that a long refusal keeps one
    // write-back per session.
    TZRVWriteBack* last = fPending.size() > (fSending ? 1 : 0) ? &fPending.last() : nullptr;
    const bool joined = last && last->Row.Token == aWork.Row.Token;
    if (joined) {
        last->Change += aWork.Change;
        last->Used = uint32_t(std::min<quint64>(quint64(last->Used) + aWork.Used, UINT32_MAX));
        last->Row = aWork.Row;
        last->MachineID = aWork.MachineID;
        last->EndSession = aWork.EndSession;
    } else {
        fPending.append(aWork);
    }
    if (fInFile || fRefused)
        Append(joined ? c_Joined : c_Kept);
    if (!fRefused)
        Send();
}

// A write-back that landed just before the server stopped may still be in the journal. The
// session's row tells: it holds the use last written, and it is gone once its session ended.
void TZRVWriteBackJournal::Apply(TZRVDataBase& aDb, const TZRVWriteBack& aWork) {
    aDb.RunAtomically([&] {
        const std::optional<TZRVSessionRow> stored = aDb.ReadSession(aWork.Row.Token);
        if (!stored)
            return true;
        if (aWork.Used == 0 || stored->Used < aWork.Row.Used)
            aDb.WriteSessionUse(aWork.Row, aWork.Change, aWork.Used, aWork.MachineID);
        if (aWork.EndSession)
            aDb.DeleteSession(aWork.Row.Token);
        return true;
    });
}

void TZRVWriteBackJournal::Send() {
    if (fSending || fPending.isEmpty() || !fDb)
        return;
    fSending = true;
    fDb->Post(
        this,
        [work = fPending.first()](TZRVDataBase& aDb) {
            Apply(aDb, work);
            return true;
        },
        [this](const TZRVDataBaseOutcome<bool>& aOutcome) { Landed(aOutcome); });
}

void TZRVWriteBackJournal::Landed(const TZRVDataBaseOutcome<bool>& aOutcome) {
    fSending = false;
    if (fPending.isEmpty())
        return; // another database was set meanwhile
    if (!aOutcome.Ok()) {
        if (fOnError)
            fOnError(QStringLiteral("Session write-back kept to try again (%1): %2")
                         .arg(fPending.first().Row.Token.left(8), aOutcome.Error));
        fRefused = true;
        if (!fLogged)
            Rewrite();
        fRetry->start();
        return;
    }
    fPending.removeFirst();
    fRefused = false;
    if (fInFile)
        Append(c_Landed);
    Send();
}

void TZRVWriteBackJournal::Load() {
    QFile file(fFile);
    if (fFile.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    if (file.size() > c_MaxJournalBytes) {
        if (fOnError)
            fOnError(QStringLiteral("Session write-back journal too large, not read: ") + fFile);
        return;
    }
    QList<QByteArray> lines = file.readAll().split('\n');
    const QByteArray header = lines.value(0).trimmed();
    if (header != c_Header && header != c_HeaderOfWholeLists)
        return;
    const auto dropped = [this](const QByteArray& aLine) {
        if (fOnError)
            fOnError(QStringLiteral("Damaged line of the session write-back journal dropped: ") +
                     QString::fromUtf8(aLine.left(200)));
    };
    // What follows the last line end was cut short by the end of the process writing it.
    if (const QByteArray torn = lines.takeLast().trimmed(); !torn.isEmpty())
        dropped(torn);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (!line.isEmpty() && !Replay(header == c_Header ? line : c_Kept + ('\t' + line)))
            dropped(line);
    }
}

bool TZRVWriteBackJournal::Replay(const QByteArray& aLine) {
    if (aLine == QByteArray(1, c_Landed) && !fPending.isEmpty()) {
        fPending.removeFirst();
        return true;
    }
    const std::optional<TZRVWriteBack> work =
        aLine.size() > 2 && aLine[1] == '\t' ? Parse(aLine.mid(2)) : std::nullopt;
    if (!work || (aLine[0] != c_Kept && aLine[0] != c_Joined) || (aLine[0] == c_Joined && fPending.isEmpty()))
        return false;
    if (aLine[0] == c_Kept)
        fPending.append(*work);
    else
        fPending.last() = *work;
    return true;
}

void TZRVWriteBackJournal::Append(char aChange) {
    if (fFile.isEmpty())
        return;
    if (!fLogged || fPending.isEmpty() || fAppended >= c_MaxChangesAppended + fPending.size()) {
        Rewrite();
        return;
    }
    QByteArray line(1, aChange);
    if (aChange != c_Landed)
        line += '\t' + Line(fPending.last());
    QFile file(fFile);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(line + '\n') == line.size() + 1 &&
        file.flush() && fdatasync(file.handle()) == 0) {
        ++fAppended;
        return;
    }
    if (fOnError)
        fOnError(QStringLiteral("Session write-back journal not appended to (%1): %2")
                     .arg(fFile, file.errorString()));
    file.close();
    Rewrite();
}

// The journal written afresh with exactly what waits; it is removed when nothing does.
void TZRVWriteBackJournal::Rewrite() {
    if (fFile.isEmpty())
        return;
    fAppended = 0;
    if (fPending.isEmpty()) {
        QFile::remove(fFile);
        fInFile = false;
        fLogged = false;
        return;
    }
    QSaveFile file(fFile);
    bool written = file.open(QIODevice::WriteOnly) && file.write(c_Header + '\n') > 0;
    for (const TZRVWriteBack& work : fPending)
        written = written && file.write(c_Kept + ('\t' + Line(work)) + '\n') > 0;
    fLogged = written && file.commit();
    fInFile = fInFile || fLogged;
    if (!fLogged && fOnError)
        fOnError(
            QStringLiteral("Session write-back journal not written (%1): %2").arg(fFile, file.errorString()));
}
