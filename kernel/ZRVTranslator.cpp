#include "ZRVTranslator.h"

#include "ZRVLanguage.h"

void TZRVTranslator::SetFileName(const QString& FileName) {
    if (FileName == fFileName)
        return;
    fFileName = FileName;
    fTranslate.Clear();
    QString text;
    if (ReadTextFile(FileName, text))
        fTranslate.SetText(text);
}

void TZRVTranslator::SetIniFile(const QString& FileName) {
    if (FileName == fIniFile)
        return;
    fIniFile = FileName;
    fIniValues.Clear();
    for (const auto& entry : ReadIniSection(FileName, QStringLiteral("STRINGS")))
        fIniValues.Add(entry.Name);
}

QString TZRVTranslator::Txt(int Index) const {
    return Index >= 0 && Index < fIniValues.Count() ? fIniValues[Index] : QString();
}
