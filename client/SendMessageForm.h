#pragma once
// The send-message dialog: a short text for the employee at the server, sent through the
// workstation's client connection; in a server host, a text for the customer at a workstation,
// sent through the server's side of that workstation's link.

#include "ClientUtils.h"

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

class TfrmSendMessage : public QDialog {
    Q_OBJECT
public:
    static constexpr int c_MaxMessage = 255;

    // Opens a new dialog, modal and centred on the screen, for aClientObj: a client connection
    // (TZRVClientConnection) or a server-side client connection (TZRVServerClientConnection). It
    // frees itself when it is closed. Anything else raises EZRVError.
    static TfrmSendMessage* Show(QObject* aClientObj, QWidget* aParent = nullptr);

    QLabel* LabelMessageFor;
    QLabel* LabelDestinater;
    QPlainTextEdit* MemoMessage;
    QPushButton* ButtonSend;
    QPushButton* ButtonCancel;

protected:
    void changeEvent(QEvent* aEvent) override;

private:
    TfrmSendMessage(QObject* aClient, QWidget* aParent);

    QString Recipient() const;
    void LimitMessage();
    bool SendMessage(const QString& aText);
    void ButtonSendClick();

    TZRVFormTexts fTexts;
    QPointer<QObject> fClient;
};
