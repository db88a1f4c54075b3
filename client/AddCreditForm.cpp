#include "AddCreditForm.h"

#include "MainForm.h"
#include "PrjConst.h"

#include <QEvent>
#include <QVBoxLayout>

TfrmAddCredit* frmAddCredit = nullptr;

using namespace PrjConst;

TfrmAddCredit::TfrmAddCredit(QWidget* aParent)
    : QDialog(aParent), LabeledEditReloadCode(new QLineEdit(this)), ButtonExecute(new QPushButton(this)),
      LabelExecuting(new QLabel(this)), TimerBlink(new QTimer(this)) {
    frmAddCredit = this;
    setObjectName(QStringLiteral("frmAddCredit"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("LabeledEditReloadCodeLabel"));
    label->setBuddy(LabeledEditReloadCode);
    LabeledEditReloadCode->setObjectName(QStringLiteral("LabeledEditReloadCode"));
    LabeledEditReloadCode->setMaxLength(20);
    ButtonExecute->setObjectName(QStringLiteral("ButtonExecute"));
    ButtonExecute->setDefault(true);
    LabelExecuting->setObjectName(QStringLiteral("LabelExecuting"));
    LabelExecuting->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(LabeledEditReloadCode);
    layout->addWidget(ButtonExecute, 0, Qt::AlignRight);
    layout->addWidget(LabelExecuting);

    fTexts.Title(this, c_AddCreditCaption);
    fTexts.Text(label, c_ReloadCode);
    fTexts.Text(ButtonExecute, c_ButtonExecute);
    fTexts.Text(LabelExecuting, c_Executing);

    TimerBlink->setInterval(500);
    connect(TimerBlink, &QTimer::timeout, this,
            [this] { LabelExecuting->setVisible(!LabelExecuting->isVisible()); });
    connect(ButtonExecute, &QPushButton::clicked, this, Guarded([this](bool) { ButtonExecuteClick(); }));
}

TfrmAddCredit::~TfrmAddCredit() {
    if (frmAddCredit == this)
        frmAddCredit = nullptr;
}

void TfrmAddCredit::Reset() {
    LabeledEditReloadCode->clear();
    TimerBlink->stop();
    LabelExecuting->hide();
    ButtonExecute->setEnabled(true);
}

void TfrmAddCredit::showEvent(QShowEvent* aEvent) {
    Reset();
    QDialog::showEvent(aEvent);
}

void TfrmAddCredit::changeEvent(QEvent* aEvent) {
    if (aEvent->type() == QEvent::LanguageChange)
        fTexts.Apply();
    QDialog::changeEvent(aEvent);
}

void TfrmAddCredit::ButtonExecuteClick() {
    const QString code = LabeledEditReloadCode->text();
    if (code.isEmpty()) {
        ShowMessage(this, QMessageBox::Warning, windowTitle(), Tr(c_WrongReloadCode));
        return;
    }
    try {
        frmMain->ZRVClientConnection->UserConnection()->Session()->AddCredit(code);
        ButtonExecute->setEnabled(false);
        LabelExecuting->show();
        TimerBlink->start();
    } catch (const EZRVError& e) {
        ShowMessage(this, QMessageBox::Warning, windowTitle(), e.Message());
        ButtonExecute->setEnabled(true);
    }
}
