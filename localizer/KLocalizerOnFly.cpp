#include "KLocalizerOnFly.h"

#include "platform/ZRVRegistry.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

// The program's compiled translations, embedded at build time.
const QString c_DefaultLangDir = QStringLiteral(":/translations");
const QString c_FilePrefix = QStringLiteral("zrvclient");

struct TState {
    QString LangDir = c_DefaultLangDir;
    QString Language = TKLocalizerOnFly::SourceLanguage();
    // The program's own texts, and Qt's (the buttons of its dialogs).
    std::unique_ptr<QTranslator> Program;
    std::unique_ptr<QTranslator> Qt;
};

TState& State() {
    static TState state;
    return state;
}

void Uninstall(std::unique_ptr<QTranslator>& aTranslator) {
    if (aTranslator)
        QCoreApplication::removeTranslator(aTranslator.get());
    aTranslator.reset();
}

// Qt's own translation of its dialogs for aLanguage, when the system has it.
std::unique_ptr<QTranslator> QtTranslator(const QString& aLanguage) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + aLanguage,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    return translator;
}

} // namespace

void TKLocalizerOnFly::InitReg(const QString& ARegKey, const QString& ALangDir) {
    TState& state = State();
    state.LangDir = ALangDir.isEmpty() ? c_DefaultLangDir : ALangDir;
    QString language = SourceLanguage();
    if (!ARegKey.isEmpty()) {
        TZRVRegistry reg;
        if (reg.OpenKeyReadOnly(ARegKey) && reg.ValueExists(QStringLiteral("Language")))
            language = reg.ReadString(QStringLiteral("Language"));
    }
    if (!SwitchToExt(language))
        SwitchToExt(SourceLanguage());
}

bool TKLocalizerOnFly::SwitchToExt(const QString& aLanguage) {
    TState& state = State();
    const QString language = aLanguage.toLower();
    std::unique_ptr<QTranslator> program;
    if (language != SourceLanguage()) {
        program = std::make_unique<QTranslator>();
        if (!program->load(c_FilePrefix + u'_' + language, state.LangDir))
            return false;
    }
    Uninstall(state.Program);
    Uninstall(state.Qt);
    state.Language = language;
    // Qt's translation first, so that the program's own texts win where both translate one.
    state.Qt = QtTranslator(language);
    if (state.Qt)
        QCoreApplication::installTranslator(state.Qt.get());
    state.Program = std::move(program);
    if (state.Program)
        QCoreApplication::installTranslator(state.Program.get());
    return true;
}

QString TKLocalizerOnFly::Language() {
    return State().Language;
}

QLocale TKLocalizerOnFly::Locale() {
    return QLocale(Language());
}
