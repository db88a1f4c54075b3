#pragma once
// The credit dialog: a customer in session tops up the credit with a reload code. The server's
// answer reaches the main controller, which hides the dialog on success and resets it on failure.

#include "ClientUtils.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

class TfrmAddCredit : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAddCredit(QWidget* aParent = nullptr);
    ~TfrmAddCredit() override;

    // Back to idle: code emptied, blinking stopped, the button enabled again.
    void Reset();

    QLineEdit* LabeledEditReloadCode;
    QPushButton* ButtonExecute;
    QLabel* LabelExecuting;
    QTimer* TimerBlink;

protected:
    void showEvent(QShowEvent* aEvent) override;
    void changeEvent(QEvent* aEvent) override;

private:
    void ButtonExecuteClick();

    TZRVFormTexts fTexts;
};

extern TfrmAddCredit* frmAddCredit;
