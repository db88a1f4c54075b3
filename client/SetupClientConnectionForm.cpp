#include "SetupClientConnectionForm.h"

#include "MainForm.h"
#include "PrjConst.h"

#include "ClientUtils.h"
#include "ZRVClientConfig.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace PrjConst;

TfrmSetupClientConnection::TfrmSetupClientConnection(QWidget* aParent)
    : QDialog(aParent), LabeledEditServerAddress(new QLineEdit(this)),
      LabeledEditServerPort(new QLineEdit(this)), ButtonOk(new QPushButton(this)),
      ButtonCancel(new QPushButton(this)), ZRVClientConfig(new TZRVClientConfig(this)) {
    setObjectName(QStringLiteral("frmSetupClientConnection"));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    if (frmMain)
        ZRVClientConfig->SetErrorLogger(frmMain->ZRVErrorLogger);
    LabeledEditServerAddress->setObjectName(QStringLiteral("LabeledEditServerAddress"));
    LabeledEditServerPort->setObjectName(QStringLiteral("LabeledEditServerPort"));
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setDefault(true);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));

    auto* fields = new QFormLayout;
    AddLabeledRow(fields, LabeledEditServerAddress, fTexts, c_ServerAddressBox);
    AddLabeledRow(fields, LabeledEditServerPort, fTexts, c_ServerPortBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(ButtonRow({ButtonOk, ButtonCancel}));

    fTexts.Title(this, c_ServerConnectionCaption);
    fTexts.Text(ButtonOk, c_ButtonOk);
    fTexts.Text(ButtonCancel, c_ButtonCancelDialog);

    LabeledEditServerAddress->setText(ZRVClientConfig->ServerAddress());
    LabeledEditServerPort->setText(QString::number(ZRVClientConfig->ServerPort()));
    connect(ButtonOk, &QPushButton::clicked, this, Guarded([this] { ButtonOkClick(); }));
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmSetupClientConnection* TfrmSetupClientConnection::SetupClientConnection(QWidget* aParent) {
    auto* dialog = new TfrmSetupClientConnection(aParent);
    ShowCentred(dialog);
    return dialog;
}

void TfrmSetupClientConnection::changeEvent(QEvent* aEvent) {
    if (aEvent->type() == QEvent::LanguageChange)
        fTexts.Apply();
    QDialog::changeEvent(aEvent);
}

// Nothing is written unless both values are sound: a workstation with a wrong address or port
// would never reach its server.
void TfrmSetupClientConnection::ButtonOkClick() {
    const QString address = LabeledEditServerAddress->text().trimmed();
    if (address.isEmpty())
        return Warn(c_ServerAddressRequired, LabeledEditServerAddress);
    bool isNumber = false;
    const int port = LabeledEditServerPort->text().trimmed().toInt(&isNumber);
    if (!isNumber || port < 1 || port > 65535)
        return Warn(c_WrongServerPort, LabeledEditServerPort);
    ZRVClientConfig->SetServerAddress(address);
    ZRVClientConfig->SetServerPort(port);
    emit Saved(address, port);
    accept();
}

void TfrmSetupClientConnection::Warn(const char* aText, QLineEdit* aField) {
    ShowMessage(this, QMessageBox::Warning, windowTitle(), Tr(aText));
    aField->setFocus();
}
