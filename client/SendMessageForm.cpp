#include "SendMessageForm.h"

#include "PrjConst.h"

#include "ClientUtils.h"
#include "ZRVClientConnection.h"
#include "ZRVServerClientConnection.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QRegularExpression>
#include <QTextCursor>
#include <QVBoxLayout>

using namespace PrjConst;

TfrmSendMessage::TfrmSendMessage(QObject* aClient, QWidget* aParent)
    : QDialog(aParent, Qt::Tool | Qt::WindowStaysOnTopHint), LabelMessageFor(new QLabel(this)),
      LabelDestinater(new QLabel(this)), MemoMessage(new QPlainTextEdit(this)),
      ButtonSend(new QPushButton(this)), ButtonCancel(new QPushButton(this)), fClient(aClient) {
    setObjectName(QStringLiteral("frmSendMessage"));
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);
    LabelMessageFor->setObjectName(QStringLiteral("LabelMessageFor"));
    LabelMessageFor->setBuddy(MemoMessage);
    LabelDestinater->setObjectName(QStringLiteral("LabelDestinater"));
    MemoMessage->setObjectName(QStringLiteral("MemoMessage"));
    ButtonSend->setObjectName(QStringLiteral("ButtonSend"));
    ButtonSend->setDefault(true);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));

    auto* header = new QHBoxLayout;
    header->addWidget(LabelMessageFor);
    header->addWidget(LabelDestinater, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(MemoMessage);
    layout->addLayout(ButtonRow({ButtonSend, ButtonCancel}));

    fTexts.Title(this, c_SendMessageCaption);
    fTexts.Text(LabelMessageFor, c_MessageFor);
    fTexts.Text(ButtonSend, c_ButtonSend);
    fTexts.Text(ButtonCancel, c_ButtonCancelDialog);
    LabelDestinater->setText(Recipient().toUpper());

    connect(MemoMessage, &QPlainTextEdit::textChanged, this, [this] { LimitMessage(); });
    connect(ButtonSend, &QPushButton::clicked, this, Guarded([this] { ButtonSendClick(); }));
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmSendMessage* TfrmSendMessage::Show(QObject* aClientObj, QWidget* aParent) {
    if (!qobject_cast<TZRVCustomClientConnection*>(aClientObj) &&
        !qobject_cast<TZRVServerClientConnection*>(aClientObj))
        throw EZRVError(QString::fromUtf8(c_InvalidClientObject));
    auto* dialog = new TfrmSendMessage(aClientObj, aParent);
    ShowCentred(dialog);
    return dialog;
}

void TfrmSendMessage::changeEvent(QEvent* aEvent) {
    if (aEvent->type() == QEvent::LanguageChange) {
        fTexts.Apply();
        LabelDestinater->setText(Recipient().toUpper());
    }
    QDialog::changeEvent(aEvent);
}

// The employee for a workstation; for the server, the customer of the workstation's session.
QString TfrmSendMessage::Recipient() const {
    const auto* link = qobject_cast<const TZRVServerClientConnection*>(fClient.data());
    if (!link)
        return Tr(c_ServerEmployee);
    const TZRVUserSession* session = link->UserConnection()->Session();
    switch (session->SessionType()) {
    case stAccount:
        return session->Account()->SecondName() + u' ' + session->Account()->FirstName();
    case stTicket:
        return session->Ticket()->Code();
    default:
        return {};
    }
}

// Keeps the message within its limit: what goes past it is taken back from just before the
// cursor, where it was typed or pasted.
void TfrmSendMessage::LimitMessage() {
    const QString text = MemoMessage->toPlainText();
    const int excess = int(text.size()) - c_MaxMessage;
    if (excess <= 0)
        return;
    QTextCursor cursor = MemoMessage->textCursor();
    const int end = cursor.position();
    if (end < excess) {
        MemoMessage->setPlainText(text.left(c_MaxMessage));
        MemoMessage->moveCursor(QTextCursor::End);
        return;
    }
    cursor.setPosition(end - excess);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

bool TfrmSendMessage::SendMessage(const QString& aText) {
    if (auto* link = qobject_cast<TZRVServerClientConnection*>(fClient.data()))
        return link->SendClientMessage(aText);
    if (auto* client = qobject_cast<TZRVCustomClientConnection*>(fClient.data()))
        return client->SendServerMessage(aText);
    return false;
}

// The message travels as one value of a record, one line: its line breaks become spaces, so that
// no line of it is lost or read as another value. A message that could not leave stays in the
// dialog, so that nothing typed is lost.
void TfrmSendMessage::ButtonSendClick() {
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n\\x{2028}\\x{2029}]+"));
    if (!SendMessage(MemoMessage->toPlainText().replace(lineBreaks, QStringLiteral(" ")))) {
        ShowMessage(this, QMessageBox::Warning, windowTitle(), Tr(c_MessageNotSent));
        return;
    }
    ShowMessage(parentWidget(), QMessageBox::Information, windowTitle(), Tr(c_MessageSent));
    accept();
}
