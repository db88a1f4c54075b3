#pragma once
// The server connection setup: the address and the port of the café's server, typed by hand when
// the automatic search found no server. What is accepted is written to the workstation's
// settings at once.

#include "ClientUtils.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

class TZRVClientConfig;

class TfrmSetupClientConnection : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetupClientConnection(QWidget* aParent = nullptr);

    // Opens a new dialog, modal and centred on the screen, filled from the settings; it frees
    // itself when it is closed. Saved follows when the customer's values have been written.
    static TfrmSetupClientConnection* SetupClientConnection(QWidget* aParent = nullptr);

    QLineEdit* LabeledEditServerAddress;
    QLineEdit* LabeledEditServerPort;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
    TZRVClientConfig* ZRVClientConfig;

signals:
    void Saved(const QString& aAddress, int aPort);

protected:
    void changeEvent(QEvent* aEvent) override;

private:
    void ButtonOkClick();
    void Warn(const char* aText, QLineEdit* aField);

    TZRVFormTexts fTexts;
};
