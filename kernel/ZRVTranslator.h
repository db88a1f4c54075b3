#pragma once
// A translation file kept as lines, and the entry names of the "STRINGS" section of an ini file,
// looked up by number.

#include "ZRVCommon.h"

class TZRVTranslator : public QObject {
    Q_OBJECT
public:
    explicit TZRVTranslator(QObject* aOwner = nullptr) : QObject(aOwner) {}

    const QString& FileName() const { return fFileName; }
    // Takes a new name only: its lines are loaded when the file exists, otherwise none are kept.
    void SetFileName(const QString& FileName);
    const QString& LanguageName() const { return fLanguageName; }
    void SetLanguageName(const QString& aValue) { fLanguageName = aValue; }
    const TStringList& Translate() const { return fTranslate; }

    const QString& IniFile() const { return fIniFile; }
    // Takes a new name only: the entry names of its "STRINGS" section, in file order, when the file
    // exists; otherwise none.
    void SetIniFile(const QString& FileName);
    const TStringList& IniValues() const { return fIniValues; }
    // The entry name at Index, or the empty text outside the list.
    QString Txt(int Index) const;

private:
    QString fFileName;
    QString fLanguageName;
    TStringList fTranslate;
    QString fIniFile;
    TStringList fIniValues;
};
