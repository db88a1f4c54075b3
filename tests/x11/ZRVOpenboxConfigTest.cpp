#include "ZRVOpenboxConfig.h"

#include <gtest/gtest.h>

namespace {

using namespace ZRVOpenbox;

TEST(OpenboxConfig, KeysOfEachGroup) {
    struct Case {
        const char* Key;
        QStringList Actions;
        bool TaskSwitching, StartMenu;
    } cases[] = {
        {"A-Tab", {"Execute"}, true, false},
        {"A-S-Tab", {"PreviousWindow"}, true, false},
        {"W-Tab", {}, true, false},
        {"Mod1-Escape", {}, true, false},
        {"C-grave", {"NextWindow"}, true, false},
        {"W-F1", {"DirectionalCycleWindows"}, true, false},
        {"Super_L", {"Execute"}, false, true},
        {"W-e", {"Execute"}, false, true},
        {"A-F2", {"Execute"}, false, true},
        {"A-F1", {}, false, true},
        {"C-Escape", {}, false, true},
        {"C-A-Escape", {}, false, false},
        {"A-space", {"ShowMenu"}, false, true},
        {"A-F4", {"Close"}, false, false},
        {"C-F12", {"Execute"}, false, false},
        {"C-a Tab", {}, false, false}, // a chain starts with its first key
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InGroup(TZRVKeyGroup::TaskSwitching, c.Key, c.Actions), c.TaskSwitching) << c.Key;
        EXPECT_EQ(InGroup(TZRVKeyGroup::StartMenu, c.Key, c.Actions), c.StartMenu) << c.Key;
    }
}

const QString c_Config = QStringLiteral(R"(<?xml version="1.0"?>
<!-- zrv2-session -->
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <keyboard>
    <keybind key="A-Tab">
      <action name="NextWindow"/>
    </keybind>
    <keybind key="Super_L"><action name="Execute"><command>menu</command></action></keybind>
    <keybind key="A-F4"><action name="Close"/></keybind>
    <keybind key="W-r"/>
  </keyboard>
</openbox_config>
)");

TEST(OpenboxConfig, SwitchingAGroupOffAndOnGivesTheSameTextBack) {
    EXPECT_TRUE(GroupEnabled(c_Config, TZRVKeyGroup::TaskSwitching));
    EXPECT_TRUE(GroupEnabled(c_Config, TZRVKeyGroup::StartMenu));

    const QString noMenu = WithGroup(c_Config, TZRVKeyGroup::StartMenu, false);
    EXPECT_FALSE(GroupEnabled(noMenu, TZRVKeyGroup::StartMenu));
    EXPECT_TRUE(GroupEnabled(noMenu, TZRVKeyGroup::TaskSwitching));
    EXPECT_TRUE(noMenu.contains(
        R"(<zrv2-disabled-keybind key="Super_L"><action name="Execute"><command>menu</command></action></zrv2-disabled-keybind>)"));
    EXPECT_TRUE(noMenu.contains(R"(<zrv2-disabled-keybind key="W-r"/>)"));
    EXPECT_TRUE(noMenu.contains(R"(<keybind key="A-F4">)"));

    const QString locked = WithGroup(noMenu, TZRVKeyGroup::TaskSwitching, false);
    EXPECT_FALSE(GroupEnabled(locked, TZRVKeyGroup::TaskSwitching));
    EXPECT_EQ(WithGroup(locked, TZRVKeyGroup::StartMenu, false), locked); // already off

    EXPECT_EQ(WithGroup(WithGroup(locked, TZRVKeyGroup::TaskSwitching, true), TZRVKeyGroup::StartMenu, true),
              c_Config);
}

TEST(OpenboxConfig, AGroupWithoutBindingsIsNotEnabled) {
    const QString config =
        QStringLiteral("<openbox_config><keyboard><keybind key=\"A-F4\"/></keyboard></openbox_config>");
    EXPECT_FALSE(GroupEnabled(config, TZRVKeyGroup::StartMenu));
    EXPECT_EQ(WithGroup(config, TZRVKeyGroup::StartMenu, true), config);
}

TEST(OpenboxConfig, ATextThatIsNotXmlIsLeftAlone) {
    const QString broken = QStringLiteral("<openbox_config><keyboard><keybind key=\"A-Tab\">");
    EXPECT_EQ(WithGroup(broken, TZRVKeyGroup::TaskSwitching, false), broken);
    EXPECT_FALSE(GroupEnabled(broken, TZRVKeyGroup::TaskSwitching));
}

} // namespace
