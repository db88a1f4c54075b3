#include "ZRVOpenboxConfig.h"

#include <QSet>
#include <QXmlStreamReader>

#include <algorithm>
#include <vector>

namespace ZRVOpenbox {

namespace {

const QString c_Keybind = QStringLiteral("keybind");

// A key of openbox's notation: its modifiers as single letters (S, C, A, W, M, H) and its name.
struct TKey {
    QSet<QChar> Modifiers;
    QString Name;
};

TKey ParseKey(const QString& aKey) {
    // The first key of a chain is the one that starts it.
    const QStringList parts = aKey.trimmed().section(u' ', 0, 0).split(u'-');
    TKey key;
    key.Name = parts.last().toLower();
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QString m = parts[i].toLower();
        if (m == u"s" || m == u"shift")
            key.Modifiers.insert(u'S');
        else if (m == u"c" || m == u"control")
            key.Modifiers.insert(u'C');
        else if (m == u"a" || m == u"alt" || m == u"mod1")
            key.Modifiers.insert(u'A');
        else if (m == u"w" || m == u"super" || m == u"mod4")
            key.Modifiers.insert(u'W');
        else if (m == u"m" || m == u"meta")
            key.Modifiers.insert(u'M');
        else if (m == u"h" || m == u"hyper")
            key.Modifiers.insert(u'H');
    }
    return key;
}

bool SwitchesTasks(const TKey& aKey, const QStringList& aActions) {
    static const QStringList actions = {QStringLiteral("nextwindow"), QStringLiteral("previouswindow"),
                                        QStringLiteral("directionalcyclewindows")};
    const bool alt = aKey.Modifiers.contains(u'A'), super = aKey.Modifiers.contains(u'W');
    if ((aKey.Name == u"tab" && (alt || super)) ||
        (aKey.Name == u"escape" && alt && !aKey.Modifiers.contains(u'C')))
        return true;
    return std::any_of(aActions.begin(), aActions.end(), [](const QString& a) {
        return actions.contains(a.toLower()) || a.toLower().startsWith(u"directionalfocus");
    });
}

// The Windows key alone and with anything, the desktops' menu and run keys, Ctrl+Escape, menus.
bool OpensMenus(const TKey& aKey, const QStringList& aActions) {
    const bool alt = aKey.Modifiers.contains(u'A');
    if (aKey.Name == u"super_l" || aKey.Name == u"super_r" || aKey.Modifiers.contains(u'W') ||
        (alt && (aKey.Name == u"f1" || aKey.Name == u"f2")) ||
        (aKey.Name == u"escape" && aKey.Modifiers == QSet<QChar>{u'C'}))
        return true;
    return std::any_of(aActions.begin(), aActions.end(),
                       [](const QString& a) { return a.compare(u"ShowMenu", Qt::CaseInsensitive) == 0; });
}

// A binding of the file: where its start and end tags stand, whether it is on, and what it does.
struct TBinding {
    qsizetype StartTag = 0;
    qsizetype EndTag = -1; // -1 for an empty element ("<keybind .../>")
    bool Enabled = true;
    QString Key;
    QStringList Actions;
};

// The bindings of aConfig in document order; false when it is not well-formed. The reader tells
// where each tag ends; a tag starts at the last "<" before that ("<" never stands inside a tag).
bool Bindings(const QString& aConfig, std::vector<TBinding>& aBindings) {
    QXmlStreamReader xml(aConfig);
    std::vector<size_t> open; // the bindings whose elements enclose the current token
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        const QString name = xml.name().toString();
        const bool binding = name == c_Keybind || name == c_DisabledKeybind;
        const qsizetype end = xml.characterOffset();
        if (token == QXmlStreamReader::StartElement && binding) {
            TBinding b;
            b.StartTag = aConfig.lastIndexOf(u'<', end - 1);
            b.EndTag = aConfig.mid(end - 2, 2) == u"/>" ? -1 : 0;
            b.Enabled = name == c_Keybind;
            b.Key = xml.attributes().value(QStringLiteral("key")).toString();
            open.push_back(aBindings.size());
            aBindings.push_back(b);
        } else if (token == QXmlStreamReader::StartElement && name == u"action" && !open.empty()) {
            aBindings[open.back()].Actions.append(xml.attributes().value(QStringLiteral("name")).toString());
        } else if (token == QXmlStreamReader::EndElement && binding && !open.empty()) {
            TBinding& b = aBindings[open.back()];
            if (b.EndTag == 0)
                b.EndTag = aConfig.lastIndexOf(QStringLiteral("</"), end - 1);
            open.pop_back();
        }
    }
    return !xml.hasError();
}

bool Belongs(TZRVKeyGroup aGroup, const TBinding& aBinding) {
    return InGroup(aGroup, aBinding.Key, aBinding.Actions);
}

} // namespace

bool InGroup(TZRVKeyGroup aGroup, const QString& aKey, const QStringList& aActions) {
    const TKey key = ParseKey(aKey);
    if (SwitchesTasks(key, aActions))
        return aGroup == TZRVKeyGroup::TaskSwitching;
    return aGroup == TZRVKeyGroup::StartMenu && OpensMenus(key, aActions);
}

bool GroupEnabled(const QString& aConfig, TZRVKeyGroup aGroup) {
    std::vector<TBinding> bindings;
    if (!Bindings(aConfig, bindings))
        return false;
    bool any = false;
    for (const TBinding& b : bindings) {
        if (!Belongs(aGroup, b))
            continue;
        if (!b.Enabled)
            return false;
        any = true;
    }
    return any;
}

QString WithGroup(const QString& aConfig, TZRVKeyGroup aGroup, bool aEnabled) {
    std::vector<TBinding> bindings;
    if (!Bindings(aConfig, bindings))
        return aConfig;
    const QString& from = aEnabled ? c_DisabledKeybind : c_Keybind;
    const QString& to = aEnabled ? c_Keybind : c_DisabledKeybind;
    // Tag positions to rename ("<" + name, or "</" + name), applied from the end of the text.
    std::vector<qsizetype> names;
    for (const TBinding& b : bindings) {
        if (b.Enabled == aEnabled || !Belongs(aGroup, b))
            continue;
        names.push_back(b.StartTag + 1);
        if (b.EndTag >= 0)
            names.push_back(b.EndTag + 2);
    }
    std::sort(names.begin(), names.end(), std::greater<>());
    QString config = aConfig;
    for (qsizetype at : names)
        if (config.mid(at, from.size()) == from)
            config.replace(at, from.size(), to);
    return config;
}

} // namespace ZRVOpenbox
