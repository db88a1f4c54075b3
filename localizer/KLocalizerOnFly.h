#pragma once
// The localisation engine: switches the texts of every open form between French, the program's
// language, and the languages it has translations for, while the program runs. It sits on Qt's
// translation system: the translations are compiled message files ("<name>_<language>.qm"), and
// installing one sends every widget a language-change event, on which each form sets its texts
// again through QCoreApplication::translate.

#include <QLocale>
#include <QString>

class TKLocalizerOnFly {
public:
    // The language the program's texts are written in.
    static QString SourceLanguage() { return QStringLiteral("fr"); }

    // Called once, before any form exists. ARegKey names the settings-store key (under
    // HKEY_LOCAL_MACHINE) whose string value "Language" gives the language to start in; empty
    // keeps French. ALangDir is the folder of the message files; empty takes the program's own.
    static void InitReg(const QString& ARegKey, const QString& ALangDir);
    // Switches to aLanguage ("fr", "en"); false, and nothing changes, when there is no
    // translation for it.
    static bool SwitchToExt(const QString& aLanguage);

    // The language shown now, and its locale for dates and numbers.
    static QString Language();
    static QLocale Locale();
};
