#include "ZRVLanguage.h"

#include <QFile>
#include <QFileInfo>

bool ReadTextFile(const QString& aFileName, QString& aText) {
    QFile file(aFileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    aText = QString::fromUtf8(file.read(c_MaxIniFileSize));
    if (aText.startsWith(QChar(0xFEFF)))
        aText.remove(0, 1);
    return true;
}

namespace {

bool IsSectionHeader(const QString& aLine) {
    return aLine.startsWith(u'[') && aLine.endsWith(u']');
}

} // namespace

QList<TZRVIniEntry> ReadIniSection(const QString& aFileName, const QString& aSection) {
    QList<TZRVIniEntry> entries;
    QString text;
    if (!ReadTextFile(aFileName, text))
        return entries;
    TStringList lines;
    lines.SetText(text);
    bool inSection = false;
    for (const QString& raw : lines.Lines()) {
        const QString line = raw.trimmed();
        if (IsSectionHeader(line)) {
            if (inSection)
                break;
            inSection = line.sliced(1, line.size() - 2).trimmed().compare(aSection, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inSection || line.startsWith(u';') || equals <= 0)
            continue;
        entries.append({line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
    }
    return entries;
}

void TZRVLanguage::SetLangFile(const QString& FileName) {
    if (FileName.compare(fLangFile, Qt::CaseInsensitive) == 0)
        return;
    if (!QFileInfo::exists(FileName))
        throw EZRVError(QStringLiteral("Language file not found :") + FileName);
    const QList<TZRVIniEntry> entries = ReadIniSection(FileName, QStringLiteral("Words"));
    // Each word is read by its entry's name: a repeated name gives the first entry's value.
    TStringList byName;
    for (const auto& entry : entries)
        byName.Add(entry.Name, entry.Value);
    fWords.clear();
    for (const auto& entry : entries)
        fWords.append(byName.Values(entry.Name));
    fLangFile = FileName;
    fCount = uint32_t(entries.size());
}

QString TZRVLanguage::GetWord(int Index) const {
    if (Index < 0 || uint32_t(Index) >= fCount)
        throw EZRVError(QStringLiteral("Invalid word index"));
    return fWords.at(Index);
}
