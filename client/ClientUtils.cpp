#include "ClientUtils.h"

#include "PrjConst.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

QColor WinColor(quint32 aValue) {
    if (aValue == ZRVColor::SystemBackground)
        return QApplication::palette().color(QPalette::Window);
    return QColor(int(aValue & 0xFF), int((aValue >> 8) & 0xFF), int((aValue >> 16) & 0xFF));
}

void SetTextColor(QWidget* aWidget, quint32 aColor) {
    QPalette palette = aWidget->palette();
    palette.setColor(QPalette::WindowText, WinColor(aColor));
    palette.setColor(QPalette::Text, WinColor(aColor));
    aWidget->setPalette(palette);
}

void SetBackgroundColor(QWidget* aWidget, quint32 aColor) {
    QPalette palette = aWidget->palette();
    palette.setColor(QPalette::Window, WinColor(aColor));
    aWidget->setPalette(palette);
    aWidget->setAutoFillBackground(true);
}

QColor TextColor(const QWidget* aWidget) {
    return aWidget->palette().color(QPalette::WindowText);
}

QColor BackgroundColor(const QWidget* aWidget) {
    return aWidget->palette().color(QPalette::Window);
}

void MessageBeep(int aType) {
    if (aType != 0)
        QApplication::beep();
}

QMessageBox* ShowMessage(QWidget* aParent, QMessageBox::Icon aIcon, const QString& aTitle,
                         const QString& aText) {
    auto* box = new QMessageBox(aIcon, aTitle, aText, QMessageBox::Ok, aParent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->show();
    return box;
}

namespace {
TZRVErrorReport& ErrorReport() {
    static TZRVErrorReport report;
    return report;
}
} // namespace

void SetApplicationErrorReport(TZRVErrorReport aReport) {
    ErrorReport() = std::move(aReport);
}

void ReportApplicationError(const std::exception& aError) {
    if (ErrorReport())
        ErrorReport()(aError);
    else
        qWarning("%s", aError.what());
}

// ---------------------------------------------------------------------------------------------
// TZRVFormTexts

void TZRVFormTexts::Add(std::function<void()> aSetter) {
    aSetter();
    fSetters.push_back(std::move(aSetter));
}

void TZRVFormTexts::Text(QLabel* aLabel, const char* aText) {
    Add([aLabel, aText] { aLabel->setText(PrjConst::Tr(aText)); });
}

void TZRVFormTexts::Text(QAbstractButton* aButton, const char* aText) {
    Add([aButton, aText] { aButton->setText(PrjConst::Tr(aText)); });
}

void TZRVFormTexts::Text(QAction* aAction, const char* aText) {
    Add([aAction, aText] { aAction->setText(PrjConst::Tr(aText)); });
}

void TZRVFormTexts::Title(QGroupBox* aGroup, const char* aText) {
    Add([aGroup, aText] { aGroup->setTitle(PrjConst::Tr(aText)); });
}

void TZRVFormTexts::Title(QWidget* aWindow, const char* aText) {
    Add([aWindow, aText] { aWindow->setWindowTitle(PrjConst::Tr(aText)); });
}

void TZRVFormTexts::Tab(QTabWidget* aTabs, QWidget* aPage, const char* aText) {
    Add([aTabs, aPage, aText] { aTabs->setTabText(aTabs->indexOf(aPage), PrjConst::Tr(aText)); });
}

void TZRVFormTexts::ToolTip(QWidget* aWidget, const char* aText) {
    Add([aWidget, aText] { aWidget->setToolTip(PrjConst::Tr(aText)); });
}

void TZRVFormTexts::Items(QComboBox* aList, std::vector<const char*> aTexts) {
    Add([aList, aTexts] {
        for (int i = 0; i < int(aTexts.size()); ++i) {
            if (i < aList->count())
                aList->setItemText(i, PrjConst::Tr(aTexts[size_t(i)]));
            else
                aList->addItem(PrjConst::Tr(aTexts[size_t(i)]));
        }
    });
}

void TZRVFormTexts::Apply() const {
    for (const auto& setter : fSetters)
        setter();
}

void ShowCentred(QWidget* aWidget) {
    aWidget->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        aWidget->move(screen->availableGeometry().center() - aWidget->rect().center());
    aWidget->show();
}

QLabel* AddLabeledRow(QFormLayout* aForm, QWidget* aField, TZRVFormTexts& aTexts, const char* aText) {
    auto* label = new QLabel(aField->parentWidget());
    label->setObjectName(aField->objectName() + QStringLiteral("Label"));
    label->setBuddy(aField);
    aTexts.Text(label, aText);
    aForm->addRow(label, aField);
    return label;
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> aButtons) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* button : aButtons)
        row->addWidget(button);
    return row;
}
