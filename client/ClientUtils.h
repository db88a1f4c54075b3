#pragma once
// Small pieces the forms share: colours given as the café's stored 0x00BBGGRR values, the
// warning sound, dialogs that never block the event loop, the static texts of a form set again
// when the language changes, and the guard that turns an error in a handler into the program's
// error report instead of letting it escape into the event loop.

#include <QColor>
#include <QMessageBox>
#include <QString>

#include <exception>
#include <functional>
#include <initializer_list>
#include <type_traits>
#include <vector>

class QFormLayout;
class QHBoxLayout;
class QPushButton;

class QAbstractButton;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QWidget;

namespace ZRVColor {
// Colour values as the café's settings and the notices give them: red in the lowest byte.
inline constexpr quint32 Red = 0x0000FF;
inline constexpr quint32 Lime = 0x00FF00;
inline constexpr quint32 Yellow = 0x00FFFF;
inline constexpr quint32 Blue = 0xFF0000;
inline constexpr quint32 Black = 0x000000;
inline constexpr quint32 White = 0xFFFFFF;
// The system's background colour.
inline constexpr quint32 SystemBackground = 0xFF000001;
} // namespace ZRVColor

// The colour of a 0x00BBGGRR value; the system background colour is the palette's window colour.
QColor WinColor(quint32 aValue);
// The text colour and the background colour of a widget.
void SetTextColor(QWidget* aWidget, quint32 aColor);
void SetBackgroundColor(QWidget* aWidget, quint32 aColor);
QColor TextColor(const QWidget* aWidget);
QColor BackgroundColor(const QWidget* aWidget);
// The warning sound of the given type; 0 plays nothing.
void MessageBeep(int aType);
// Sizes aWidget to its contents, centres it on the primary screen and shows it.
void ShowCentred(QWidget* aWidget);

// Shows a message box and returns at once; the box deletes itself when it is closed.
QMessageBox* ShowMessage(QWidget* aParent, QMessageBox::Icon aIcon, const QString& aTitle,
                         const QString& aText);

// The error report of the running program (set by the main controller); errors of handlers
// reach it through Guarded.
using TZRVErrorReport = std::function<void(const std::exception& aError)>;
void SetApplicationErrorReport(TZRVErrorReport aReport);
void ReportApplicationError(const std::exception& aError);

// aHandler wrapped so that an exception it raises goes to the error report. A handler that takes
// no arguments ignores the signal's.
template <class F> auto Guarded(F aHandler) {
    return [aHandler](auto&&... aArgs) {
        try {
            if constexpr (std::is_invocable_v<F, decltype(aArgs)...>)
                aHandler(std::forward<decltype(aArgs)>(aArgs)...);
            else
                aHandler();
        } catch (const std::exception& e) {
            ReportApplicationError(e);
        }
    };
}

// The static texts of one form: each is set at once in the current language and again by Apply.
class TZRVFormTexts {
public:
    void Text(QLabel* aLabel, const char* aText);
    void Text(QAbstractButton* aButton, const char* aText);
    void Text(QAction* aAction, const char* aText);
    void Title(QGroupBox* aGroup, const char* aText);
    void Title(QWidget* aWindow, const char* aText);
    void Tab(QTabWidget* aTabs, QWidget* aPage, const char* aText);
    void ToolTip(QWidget* aWidget, const char* aText);
    // The items of a pick list, in order; the selection is kept.
    void Items(QComboBox* aList, std::vector<const char*> aTexts);
    void Apply() const;

private:
    void Add(std::function<void()> aSetter);

    std::vector<std::function<void()>> fSetters;
};

// A row of aForm: aField behind a label named after it ("<field name>Label") showing aText.
QLabel* AddLabeledRow(QFormLayout* aForm, QWidget* aField, TZRVFormTexts& aTexts, const char* aText);
// A dialog's buttons, right-aligned in one row.
QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> aButtons);
