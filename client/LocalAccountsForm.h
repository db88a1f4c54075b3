#pragma once
// The local-accounts dialog: the café manages the workstation's own accounts, those that open a
// session on the lock screen when the server cannot be reached. Accounts are added and deleted
// here; the list always mirrors the settings store.

#include "ClientUtils.h"

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <memory>
#include <vector>

class TZRVLocalAccount;
class TZRVUserAccount;

class TfrmLocalAccounts : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLocalAccounts(QWidget* aParent = nullptr);
    ~TfrmLocalAccounts() override;

    // Opens a new dialog, modal and centred on the screen; it frees itself when it is closed.
    static TfrmLocalAccounts* Execute(QWidget* aParent = nullptr);

    // Reloads the list from the store, in stored order.
    void Refresh();
    // Back to browsing: fields emptied and read-only, "New" and "Delete" offered, the list enabled.
    void Reset();

    QListWidget* ListBoxLocalAccounts;
    QLineEdit* LabeledEditAccountName;
    QLineEdit* LabeledEditAccountPassword;
    QLineEdit* LabeledEditFirstName;
    QLineEdit* LabeledEditSecondName;
    QPushButton* ButtonNew;
    QPushButton* ButtonSave;
    QPushButton* ButtonDelete;
    QPushButton* ButtonCancel;
    QPushButton* ButtonClose;
    TZRVLocalAccount* ZRVLocalAccount;

protected:
    void showEvent(QShowEvent* aEvent) override;
    void changeEvent(QEvent* aEvent) override;
    bool eventFilter(QObject* aObject, QEvent* aEvent) override;

private:
    // One row of the list: the account and the stored index it was read from.
    struct TItem {
        int Index;
        std::unique_ptr<TZRVUserAccount> Account;
    };

    void AddItem(int aIndex, std::unique_ptr<TZRVUserAccount> aAccount);
    const TItem* SelectedItem() const;
    void ShowAccount(const TItem* aItem);
    void ListBoxLocalAccountsClick();
    void ButtonNewClick();
    void SetEditing(bool aEditing);
    void ButtonSaveClick();
    void ButtonDeleteClick();
    void DeleteAccount(int aIndex);
    void Warn(const char* aText, QWidget* aFocus);

    TZRVFormTexts fTexts;
    std::vector<TItem> fItems;
};
