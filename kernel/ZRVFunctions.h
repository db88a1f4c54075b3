#pragma once
// Small system helpers of the workstation and the server host: ending the session, the foreground
// window, the folders the café locks, the browser and folder closers, opening addresses, the
// typed start pages, the modifier keys, the startup programs, the list-view files, the credit
// text, the fields of a packed hour formula, and path and number helpers. What they ask of the
// operating system goes through the platform layer.

#include "ZRVCommon.h"
#include "platform/ZRVPlatform.h"

#include <functional>

class TZRVListView;

// Window class names, lower-cased as the closers compare them.
inline const QString c_CabinetWClass = QStringLiteral("cabinetwclass");
inline const QString c_IEFrame = QStringLiteral("ieframe");
inline const QString c_MozillaClass = QStringLiteral("mozillawindowclass");
inline const QString c_AvantBrowserClass = QStringLiteral("tfrmavantbrowser");
inline const QString c_AvantBrowserUnicodeClass = QStringLiteral("tfrmavantbrowser.unicodeclass");
inline const QString c_FirefoxClass = QStringLiteral("mozillauiwindowclass");
inline const QString c_GoogleChrome = QStringLiteral("chrome_widgetwin_0");
inline const QString c_Operaclass = QStringLiteral("opera");
// Where Internet Explorer keeps the addresses typed in its address bar (values "url1", "url2", ...).
inline const QString c_IEUrlsKey = QStringLiteral("\\Software\\Microsoft\\Internet Explorer\\TypedURLs");
// The show-desktop shortcut file ("Min.scf"); no line break after the last line.
inline const QString c_DesktopScf = QStringLiteral("[Shell]\r\nCommand=2\r\nIconFile=Client.exe,1\r\n"
                                                   "[Taskbar]\r\nCommand=ToggleDesktop");

// The window classes of the Linux browsers and file managers, beside those of the Windows ones.
inline const QStringList c_LinuxBrowserClasses = {QStringLiteral("firefox"),
                                                  QStringLiteral("firefox-esr"),
                                                  QStringLiteral("navigator"),
                                                  QStringLiteral("chromium"),
                                                  QStringLiteral("chromium-browser"),
                                                  QStringLiteral("google-chrome"),
                                                  QStringLiteral("brave-browser"),
                                                  QStringLiteral("vivaldi-stable"),
                                                  QStringLiteral("microsoft-edge"),
                                                  QStringLiteral("epiphany"),
                                                  QStringLiteral("org.gnome.epiphany"),
                                                  QStringLiteral("falkon"),
                                                  QStringLiteral("konqueror"),
                                                  QStringLiteral("midori"),
                                                  QStringLiteral("seamonkey"),
                                                  QStringLiteral("librewolf"),
                                                  QStringLiteral("qutebrowser")};
inline const QStringList c_LinuxFileManagerClasses = {
    QStringLiteral("nautilus"),   QStringLiteral("org.gnome.nautilus"),
    QStringLiteral("thunar"),     QStringLiteral("pcmanfm"),
    QStringLiteral("pcmanfm-qt"), QStringLiteral("caja"),
    QStringLiteral("nemo"),       QStringLiteral("dolphin"),
    QStringLiteral("spacefm"),    QStringLiteral("doublecmd")};
// Whether a lower-cased window class is a browser's or a file manager's.
bool IsBrowserClass(const QString& aClassName);
bool IsFileManagerClass(const QString& aClassName);

// ---------------------------------------------------------------------------------------------
// Ending the session

// The exit flags of the Windows program, as the server and the forms pass them.
using TZRVWinExitFlags = uint32_t;
constexpr TZRVWinExitFlags c_EWX_LOGOFF = 0, c_EWX_SHUTDOWN = 1, c_EWX_REBOOT = 2, c_EWX_FORCE = 4,
                           c_EWX_POWEROFF = 8;
inline const QString c_SeShutdownPrivilege = QStringLiteral("SeShutdownPrivilege");

// How the flags end the session: reboot when asked, otherwise power off when shut down or powered
// off, otherwise log off.
TZRVSessionEnd SessionEndOf(TZRVWinExitFlags aFlags);
// The shutdown privilege needs no taking on Linux: the session manager checks the right when it
// is asked. True for it; false for any other name.
bool SetPrivilege(const QString& aName, bool aEnable);
// Ends the session as aFlags say (c_EWX_FORCE lifts our own block first). aDone is called later
// on the event loop with the session manager's answer: false when it refused, when the right is
// missing (nothing is then asked), or when there is none to ask.
void WinExit(TZRVWinExitFlags aFlags, QObject* aContext = nullptr, std::function<void(bool)> aDone = {});

// ---------------------------------------------------------------------------------------------
// Windows, keys, the desktop

// Brings the window to the front (restoring it when minimised); whether it has the focus now.
bool ForceForegroundWindow(TZRVWindowHandle aWindow);
// Minimises the foreground application unless it is aWindow's, ours, the desktop or a panel.
void MinimizeForegroundWindow(TZRVWindowHandle aWindow);
// Whether the modifier key is held down now.
bool CtrlDown();
bool ShiftDown();
bool AltDown();
// When aFolder exists, asks the window manager to show the desktop, or to give the windows back
// when it shows it already; false when the folder does not exist or no window manager answers.
bool ShowDesktop(const QString& aFolder);

// The Linux settings tools that stand for the control-panel applets the task bar lists (the
// applet's file name, compared without regard to case): the command of the first tool found on
// the PATH, split into the program and its arguments; empty when the system has none.
QStringList ControlPanelCommand(const QString& aAppletFile);

// Asks every browser window to close (the Windows browsers' classes and the Linux ones); how many
// were asked.
int CloseAllNavigators();
// The same for Internet Explorer windows, and for file-manager windows.
int CloseAllInternetExplorer();
int CloseAllExplorer();

// Opens the address with the desktop's default handler, or with aUseBrowser the configured browser
// (x-www-browser); whether it was handed on.
bool OpenUrl(const QString& aUrl, bool aUseBrowser);
// The start pages typed on the lock screen, newest first (values "url1", "url2", ... of
// c_IEUrlsKey of the user's root, up to the first empty or missing one); false without a list.
bool GetIEHistoryList(QStringList* aList);
// Keeps aUrl as the newest start page, once, with at most aMax kept (each a write of the store).
constexpr int c_MaxTypedUrls = 25;
bool AddIEHistoryUrl(const QString& aUrl, int aMax = c_MaxTypedUrls);

// ---------------------------------------------------------------------------------------------
// Folders

// The Linux counterparts of the Windows folders: the system's settings (/etc) for the Windows
// folder, its programs (/usr/bin) for the system folder, the installed software (/usr, or the
// store's "ProgramFilesDir" of the Windows key) for the program files. Without a fallback a missing
// folder raises EZRVError; with one, the fallback is returned.
QString GetWindowsDir();
QString GetWindowsDir(const QString& aFallback);
QString GetSystemDir();
QString GetSystemDir(const QString& aFallback);
QString GetProgramFilesDir();
QString GetProgramFilesDir(const QString& aFallback);
inline const QString c_CurrentVersionKey = QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion");

// ---------------------------------------------------------------------------------------------
// Startup programs

inline const QString c_RunKey = c_CurrentVersionKey + QStringLiteral("\\Run");
// The desktop name our session gives itself (XDG_CURRENT_DESKTOP).
inline const QString c_SessionDesktopName = QStringLiteral("ZRV2");

// Whether the running session is the workstation program alone (the advanced mode): only then do
// the launchers start anything, since a desktop session starts its own startup programs.
bool ClientIsTheShell();
// Start every value of the Run key of the machine's or the user's root, in the store's order.
void LM_Run();
void CU_Run();
// Start the XDG autostart entries of the system (those the user's own do not replace) or of the
// user, in name order, honouring Hidden, OnlyShowIn, NotShowIn and TryExec.
void AllUsersStartUp();
void UserStartUp();

// What an autostart entry (a .desktop file's text) starts: the program and its arguments, empty
// when the entry is hidden, not for this desktop (aDesktops: XDG_CURRENT_DESKTOP's names), or not
// an application.
QStringList AutostartCommand(const QString& aEntry, const QStringList& aDesktops);

// ---------------------------------------------------------------------------------------------
// List-view files

// An INI file with one section per row ("0", "1", ...), key "0" the caption and "1" ... "8" the
// sub-items. Loading replaces the rows. With aFlag the list view is made visible afterwards.
// Raise "Objet vue liste absent" without a list view, "Nom de fichier absent" without a file name.
void SaveListViewItems(TZRVListView* aListView, const QString& aFileName, bool aFlag);
void LoadListViewItems(TZRVListView* aListView, const QString& aFileName, bool aFlag);
// A binary file: "LVF" in UTF-16, the row count, then per row its sub-item count, image index,
// caption and sub-items (16-bit lengths in characters, UTF-16 text, little-endian). Loading
// replaces the rows, or raises for a missing file or one of another kind, leaving them as they were.
void SauverListViewDansFichier(TZRVListView* aListView, const QString& aFileName);
void ChargerListViewDuFichier(TZRVListView* aListView, const QString& aFileName);

// The text as a decimal integer; 0 when it is not one.
int NValue(const QString& aText);

// The value chosen by aCondition.
inline uint8_t IIF(bool aCondition, uint8_t aTrue, uint8_t aFalse) {
    return aCondition ? aTrue : aFalse;
}
inline bool IIF(bool aCondition, bool aTrue, bool aFalse) {
    return aCondition ? aTrue : aFalse;
}
inline int IIF(bool aCondition, int aTrue, int aFalse) {
    return aCondition ? aTrue : aFalse;
}
inline uint32_t IIF(bool aCondition, uint32_t aTrue, uint32_t aFalse) {
    return aCondition ? aTrue : aFalse;
}
inline TDateTime IIF(bool aCondition, TDateTime aTrue, TDateTime aFalse) {
    return aCondition ? aTrue : aFalse;
}
inline QString IIF(bool aCondition, const QString& aTrue, const QString& aFalse) {
    return aCondition ? aTrue : aFalse;
}
// Bare literals would silently pick the Boolean overload: pass QString values instead.
QString IIF(bool, const char*, const char*) = delete;
QString IIF(bool, const char16_t*, const char16_t*) = delete;

// Seconds as "%.2uh%.2um%.2us": 3725 gives "01h02m05s", 360000 gives "100h00m00s".
QString CreditFormatted(uint32_t aSeconds);
// Reads back a text of exactly 9 characters (hours, minutes, seconds at characters 1-2, 4-5 and
// 7-8); any other length gives 0. A non-digit in those places raises EConvertError.
uint32_t UnformatCredit(const QString& aText);

// The fields of a packed hour formula: days 1 (Monday) to 7, hours 0 to 23.
int GetStartDay(int32_t aHourFormula);
int GetStartHour(int32_t aHourFormula);
int GetEndDay(int32_t aHourFormula);
int GetEndHour(int32_t aHourFormula);

// The part of aPath after its last separator, or the whole path when it has none. Both "\" and
// "/" separate: the stored paths of Windows installations use the one, this system's the other.
QString GetLastDirectory(const QString& aPath);
