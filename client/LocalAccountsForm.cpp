#include "LocalAccountsForm.h"

#include "MainForm.h"
#include "PrjConst.h"

#include "ClientUtils.h"
#include "ZRVLocalAccount.h"
#include "ZRVUserAccount.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <tuple>

using namespace PrjConst;

TfrmLocalAccounts::TfrmLocalAccounts(QWidget* aParent)
    : QDialog(aParent), ListBoxLocalAccounts(new QListWidget(this)),
      LabeledEditAccountName(new QLineEdit(this)), LabeledEditAccountPassword(new QLineEdit(this)),
      LabeledEditFirstName(new QLineEdit(this)), LabeledEditSecondName(new QLineEdit(this)),
      ButtonNew(new QPushButton(this)), ButtonSave(new QPushButton(this)),
      ButtonDelete(new QPushButton(this)), ButtonCancel(new QPushButton(this)),
      ButtonClose(new QPushButton(this)), ZRVLocalAccount(new TZRVLocalAccount(this)) {
    setObjectName(QStringLiteral("frmLocalAccounts"));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    if (frmMain)
        ZRVLocalAccount->SetErrorLogger(frmMain->ZRVErrorLogger);
    ListBoxLocalAccounts->setObjectName(QStringLiteral("ListBoxLocalAccounts"));
    ListBoxLocalAccounts->viewport()->installEventFilter(this);
    LabeledEditAccountPassword->setEchoMode(QLineEdit::Password);

    auto* fields = new QFormLayout;
    const std::tuple<QLineEdit*, const char*, const char*> captions[] = {
        {LabeledEditAccountName, "LabeledEditAccountName", c_LocalAccountName},
        {LabeledEditAccountPassword, "LabeledEditAccountPassword", c_LocalAccountPassword},
        {LabeledEditFirstName, "LabeledEditFirstName", c_LocalFirstName},
        {LabeledEditSecondName, "LabeledEditSecondName", c_LocalSecondName}};
    for (const auto& [edit, name, caption] : captions) {
        edit->setObjectName(QString::fromLatin1(name));
        AddLabeledRow(fields, edit, fTexts, caption);
    }

    auto* buttons = new QVBoxLayout;
    const std::tuple<QPushButton*, const char*, const char*> commands[] = {
        {ButtonNew, "ButtonNew", c_ButtonNew},
        {ButtonSave, "ButtonSave", c_ButtonSave},
        {ButtonDelete, "ButtonDelete", c_ButtonDelete},
        {ButtonCancel, "ButtonCancel", c_ButtonCancelDialog},
        {ButtonClose, "ButtonClose", c_ButtonClose}};
    for (const auto& [button, name, caption] : commands) {
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        fTexts.Text(button, caption);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);

    auto* right = new QVBoxLayout;
    right->addLayout(fields);
    right->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(ListBoxLocalAccounts);
    layout->addLayout(right, 1);
    layout->addLayout(buttons);
    fTexts.Title(this, c_LocalAccountsCaption);

    connect(ListBoxLocalAccounts, &QListWidget::currentRowChanged, this,
            [this] { ShowAccount(SelectedItem()); });
    connect(ButtonNew, &QPushButton::clicked, this, Guarded([this] { ButtonNewClick(); }));
    connect(ButtonSave, &QPushButton::clicked, this, Guarded([this] { ButtonSaveClick(); }));
    connect(ButtonDelete, &QPushButton::clicked, this, Guarded([this] { ButtonDeleteClick(); }));
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { Reset(); });
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::close);
    Reset();
}

TfrmLocalAccounts::~TfrmLocalAccounts() = default;

TfrmLocalAccounts* TfrmLocalAccounts::Execute(QWidget* aParent) {
    auto* dialog = new TfrmLocalAccounts(aParent);
    ShowCentred(dialog);
    return dialog;
}

void TfrmLocalAccounts::showEvent(QShowEvent* aEvent) {
    Reset();
    Guarded([this] { Refresh(); })();
    QDialog::showEvent(aEvent);
}

void TfrmLocalAccounts::changeEvent(QEvent* aEvent) {
    if (aEvent->type() == QEvent::LanguageChange)
        fTexts.Apply();
    QDialog::changeEvent(aEvent);
}

// A click anywhere in the list, on an item or not, is the list's click.
bool TfrmLocalAccounts::eventFilter(QObject* aObject, QEvent* aEvent) {
    if (aObject == ListBoxLocalAccounts->viewport() && aEvent->type() == QEvent::MouseButtonRelease &&
        ListBoxLocalAccounts->isEnabled())
        ListBoxLocalAccountsClick();
    return QDialog::eventFilter(aObject, aEvent);
}

// ---------------------------------------------------------------------------------------------
// The list

void TfrmLocalAccounts::Refresh() {
    ListBoxLocalAccounts->hide();
    ListBoxLocalAccounts->clear();
    fItems.clear();
    const int count = ZRVLocalAccount->GetCount();
    for (int index = 1; index <= count; ++index) {
        auto account = std::make_unique<TZRVUserAccount>();
        try {
            account->LoadFromBuffer(ZRVLocalAccount->GetAccount(index));
        } catch (const EConvertError& e) {
            // A damaged value is left out; the other accounts keep their stored places.
            ZRVLocalAccount->LogError(e.Message(), QStringLiteral("LocalAccountsForm"),
                                      QStringLiteral("TfrmLocalAccounts.Refresh"),
                                      QStringLiteral("LOG-CONTINUE"));
            continue;
        }
        AddItem(index, std::move(account));
    }
    ListBoxLocalAccounts->show();
}

void TfrmLocalAccounts::AddItem(int aIndex, std::unique_ptr<TZRVUserAccount> aAccount) {
    ListBoxLocalAccounts->addItem(aAccount->AccountName());
    fItems.push_back({aIndex, std::move(aAccount)});
}

const TfrmLocalAccounts::TItem* TfrmLocalAccounts::SelectedItem() const {
    const int row = ListBoxLocalAccounts->currentRow();
    if (row < 0 || row >= int(fItems.size()) || ListBoxLocalAccounts->selectedItems().isEmpty())
        return nullptr;
    return &fItems[size_t(row)];
}

void TfrmLocalAccounts::ShowAccount(const TItem* aItem) {
    if (!aItem)
        return;
    LabeledEditAccountName->setText(aItem->Account->AccountName());
    LabeledEditAccountPassword->setText(aItem->Account->AccountPassword());
    LabeledEditFirstName->setText(aItem->Account->FirstName());
    LabeledEditSecondName->setText(aItem->Account->SecondName());
}

void TfrmLocalAccounts::ListBoxLocalAccountsClick() {
    const TItem* item = SelectedItem();
    if (!item)
        return Warn(c_NoLocalAccountSelected, ListBoxLocalAccounts);
    ShowAccount(item);
}

// ---------------------------------------------------------------------------------------------
// Commands

void TfrmLocalAccounts::Reset() {
    SetEditing(false);
}

void TfrmLocalAccounts::ButtonNewClick() {
    SetEditing(true);
    LabeledEditAccountName->setFocus();
}

// Browsing shows the stored accounts read-only; editing types a new one, the list out of reach.
void TfrmLocalAccounts::SetEditing(bool aEditing) {
    for (QLineEdit* field :
         {LabeledEditAccountName, LabeledEditAccountPassword, LabeledEditFirstName, LabeledEditSecondName}) {
        field->clear();
        field->setReadOnly(!aEditing);
    }
    ButtonNew->setVisible(!aEditing);
    ButtonDelete->setVisible(!aEditing);
    ButtonSave->setVisible(aEditing);
    ButtonCancel->setVisible(aEditing);
    ListBoxLocalAccounts->setEnabled(!aEditing);
}

void TfrmLocalAccounts::ButtonSaveClick() {
    const QString name = LabeledEditAccountName->text();
    if (name.isEmpty())
        return Warn(c_LocalNameRequired, LabeledEditAccountName);
    if (LabeledEditAccountPassword->text().isEmpty())
        return Warn(c_LocalPasswordRequired, LabeledEditAccountPassword);
    for (const TItem& item : fItems)
        if (item.Account->AccountName().compare(name, Qt::CaseInsensitive) == 0)
            return Warn(c_LocalNameUsed, LabeledEditAccountPassword);

    auto account = std::make_unique<TZRVUserAccount>();
    account->SetAccountName(name);
    account->SetAccountPassword(LabeledEditAccountPassword->text());
    account->SetFirstName(LabeledEditFirstName->text());
    account->SetSecondName(LabeledEditSecondName->text());
    // A local account never runs out: the session counts up.
    account->Group()->SetIncrementalCredit(true);
    account->Group()->SetAuthorisations({urInfiniteCredit});
    account->SetCreationDate(Now());
    account->SetActive(true);
    account->SetDaysAllowed(-1);
    const int index = ZRVLocalAccount->AddAccount(account.get());
    if (index <= 0)
        return Warn(c_OperationFailed, nullptr);
    AddItem(index, std::move(account));
    Reset();
    ShowMessage(this, QMessageBox::Information, windowTitle(), Tr(c_LocalAccountAdded));
}

void TfrmLocalAccounts::ButtonDeleteClick() {
    const TItem* item = SelectedItem();
    if (!item)
        return Warn(c_NoLocalAccountSelected, ListBoxLocalAccounts);
    auto* box = ShowMessage(this, QMessageBox::Question, windowTitle(), Tr(c_ConfirmOperation));
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::No);
    connect(box, &QMessageBox::buttonClicked, this,
            Guarded([this, box, index = item->Index](QAbstractButton* aButton) {
                if (box->standardButton(aButton) == QMessageBox::Yes)
                    DeleteAccount(index);
            }));
}

void TfrmLocalAccounts::DeleteAccount(int aIndex) {
    ZRVLocalAccount->DeleteAccount(aIndex);
    Reset();
    Refresh();
    ShowMessage(this, QMessageBox::Information, windowTitle(), Tr(c_LocalAccountDeleted));
}

void TfrmLocalAccounts::Warn(const char* aText, QWidget* aFocus) {
    ShowMessage(this, QMessageBox::Warning, windowTitle(), Tr(aText));
    if (aFocus)
        aFocus->setFocus();
}
