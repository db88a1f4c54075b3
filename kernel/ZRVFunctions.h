#pragma once
// Small system helpers of the workstation and the server host: the credit text, the fields of a
// packed hour formula, path and number helpers, the conditional value and the window-class names
// the browser and folder closers look for. The helpers that ask the operating system for
// something live with the platform layer.

#include "ZRVCommon.h"

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
