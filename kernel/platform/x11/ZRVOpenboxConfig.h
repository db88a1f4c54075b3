#pragma once
// The key bindings of an openbox configuration (rc.xml) that reach task switching and the start
// menu, and switching them off and on in the text itself. A binding is switched off by renaming its
// element, which openbox skips: the file keeps every binding, and switching on puts the very same
// text back.

#include <QString>
#include <QStringList>

// The two sets of keys the restrictions take away.
enum class TZRVKeyGroup { TaskSwitching, StartMenu };

namespace ZRVOpenbox {

// A configuration holding this text (in a comment) is ours to rewrite; any other is left alone.
inline const QString c_Marker = QStringLiteral("zrv2-session");
// The element name of a switched-off binding.
inline const QString c_DisabledKeybind = QStringLiteral("zrv2-disabled-keybind");

// Whether a binding of aKey (openbox's notation: "A-Tab", "W-S-Tab", "Super_L", a chain "C-a b")
// running aActions belongs to aGroup.
bool InGroup(TZRVKeyGroup aGroup, const QString& aKey, const QStringList& aActions);

// Whether aConfig binds at least one key of aGroup and every such binding is on.
bool GroupEnabled(const QString& aConfig, TZRVKeyGroup aGroup);
// aConfig with every binding of aGroup switched on or off; the unchanged text when it cannot be
// read as XML.
QString WithGroup(const QString& aConfig, TZRVKeyGroup aGroup, bool aEnabled);

} // namespace ZRVOpenbox
