#pragma once
// The numbered words of a language file (an ini file whose section "Words" lists one word per
// entry, in file order), and the small ini reader shared with the translator.

#include "ZRVCommon.h"

#include <QList>

struct TZRVIniEntry {
    QString Name;
    QString Value;
};

// The text of a file (UTF-8, at most c_MaxIniFileSize bytes); false when it cannot be read.
inline constexpr qint64 c_MaxIniFileSize = 4 * 1024 * 1024;
bool ReadTextFile(const QString& aFileName, QString& aText);
// The entries of the first section named aSection (compared without regard to case), in file
// order. Names and values are trimmed; blank lines, lines starting with ";" and lines without "="
// are skipped. An unreadable file gives no entries.
QList<TZRVIniEntry> ReadIniSection(const QString& aFileName, const QString& aSection);

class TZRVLanguage : public QObject {
    Q_OBJECT
public:
    explicit TZRVLanguage(QObject* aOwner = nullptr) : QObject(aOwner) {}

    const TZRVArrayOfString& Words() const { return fWords; }
    const QString& LangFile() const { return fLangFile; }
    uint32_t Count() const { return fCount; }

    // Loads the words of FileName. The file already loaded (the name compared without regard to
    // case) is not read again; a missing file raises "Language file not found :" and the name,
    // keeping the words loaded before.
    void SetLangFile(const QString& FileName);
    // Raises "Invalid word index" outside 0 ... Count() - 1.
    QString GetWord(int Index) const;

private:
    TZRVArrayOfString fWords;
    QString fLangFile;
    uint32_t fCount = 0;
};
