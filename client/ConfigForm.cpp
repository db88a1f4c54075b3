#include "ConfigForm.h"

#include "MainForm.h"
#include "PrjConst.h"
#include "SetupClientConnectionForm.h"
#include "TaskbarForm.h"

#include "ZRVClientConfig.h"
#include "ZRVFunctions.h"
#include "ZRVLanguage.h"
#include "ZRVLocalAccount.h"
#include "ZRVSystem.h"
#include "ZRVUserAccount.h"
#include "platform/ZRVFolders.h"
#include "platform/ZRVRegistry.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSaveFile>
#include <QSet>
#include <QShowEvent>
#include <QVBoxLayout>

#include <climits>
#include <tuple>

using namespace PrjConst;

namespace {

const QString c_Unit = QStringLiteral("ConfigForm");
// The forbidden programs: the switch, and the key that lists them as "1", "2", ...
const QString c_DisallowRunValue = QStringLiteral("DisallowRun");
const QString c_DisallowRunKey = ZRVClientConfig::c_PoliciesSection + QStringLiteral("\\DisallowRun");
const QString c_ApplicationsSection = QStringLiteral("ApplicationsMenu");

// Runs aWork on aKey of the user's root (created when missing); false when the key cannot be
// opened or aWork raises.
template <class F> bool WithUserKey(const QString& aKey, F aWork) {
    TZRVRegistry reg(TZRVRootKey::HKEY_CURRENT_USER);
    try {
        if (!reg.OpenKey(aKey, true))
            return false;
        aWork(reg);
        return true;
    } catch (const ERegistryException&) {
        return false;
    }
}

// The whole number aEdit holds, when it lies within aMin ... aMax.
bool ReadNumber(const QLineEdit* aEdit, int aMin, int aMax, int& aValue) {
    bool isNumber = false;
    const int value = aEdit->text().trimmed().toInt(&isNumber);
    if (!isNumber || value < aMin || value > aMax)
        return false;
    aValue = value;
    return true;
}

// The name an application is listed under in the ini file: its file name, made safe for the ini
// form (no "=", no leading comment or section mark) and unique, so that two programs of the same
// name in different folders both stay in the menu.
QString ApplicationKey(const QString& aPath, QSet<QString>& aUsed) {
    QString key = QFileInfo(aPath).fileName();
    key.replace(u'=', u'_');
    if (key.startsWith(u';') || key.startsWith(u'['))
        key.prepend(u'_');
    QString unique = key;
    for (int n = 2; aUsed.contains(unique.toCaseFolded()); ++n)
        unique = QStringLiteral("%1 (%2)").arg(key).arg(n);
    aUsed.insert(unique.toCaseFolded());
    return unique;
}

bool IsHeaderOf(const QString& aLine, const QString& aSection) {
    const QString line = aLine.trimmed();
    return line.size() >= 2 && line.startsWith(u'[') && line.endsWith(u']') &&
           line.sliced(1, line.size() - 2).trimmed().compare(aSection, Qt::CaseInsensitive) == 0;
}

bool IsHeader(const QString& aLine) {
    const QString line = aLine.trimmed();
    return line.size() >= 2 && line.startsWith(u'[') && line.endsWith(u']');
}

// Replaces every section aSection of the ini file aFileName with one holding aEntries in order;
// the other sections stay as they were. A file that exists but cannot be read whole is left
// alone: false.
bool WriteIniSection(const QString& aFileName, const QString& aSection, const QList<TZRVIniEntry>& aEntries) {
    QString text;
    const QFileInfo info(aFileName);
    if (info.exists() && (info.size() > c_MaxIniFileSize || !ReadTextFile(aFileName, text)))
        return false;
    TStringList lines;
    lines.SetText(text);
    QStringList kept;
    bool inSection = false;
    for (const QString& line : lines.Lines()) {
        if (IsHeader(line))
            inSection = IsHeaderOf(line, aSection);
        if (!inSection)
            kept << line;
    }
    kept << u'[' + aSection + u']';
    for (const TZRVIniEntry& entry : aEntries)
        kept << entry.Name + u'=' + entry.Value;
    QDir().mkpath(info.absolutePath());
    QSaveFile file(aFileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write((kept.join(u'\n') + u'\n').toUtf8());
    return file.commit();
}

// The file dialog of the desktop, opened without waiting; aChosen follows with the file chosen.
void ChooseFile(QWidget* aParent, const char* aTitle, const QString& aFilter, const QString& aFolder,
                bool aPrograms, std::function<void(const QString&)> aChosen) {
    auto* dialog = new QFileDialog(aParent, Tr(aTitle), aFolder, aFilter);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    if (aPrograms) {
        // Only Qt's own dialog lists the executable files alone.
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
    }
    QObject::connect(dialog, &QFileDialog::fileSelected, aParent, Guarded(std::move(aChosen)));
    dialog->open();
}

} // namespace

TfrmConfig::TfrmConfig(QWidget* aParent)
    : QDialog(aParent), PageControlConfiguration(new QTabWidget(this)),
      CheckBoxAutoLaunch(new QCheckBox(this)), RadioButtonDiaporama(new QRadioButton(this)),
      RadioButtonSingleImage(new QRadioButton(this)), EditDiaporamaDelay(new QLineEdit(this)),
      EditBackgroundPicture(new QLineEdit(this)), ButtonBackgroundPicture(new QPushButton(this)),
      LabeledEditServerAddress(new QLineEdit(this)), LabeledEditServerPort(new QLineEdit(this)),
      ButtonAutoConfig(new QPushButton(this)), CheckBoxAdvancedZRV(new QCheckBox(this)),
      LabeledEditLocalUser(new QLineEdit(this)), LabeledEditLocalPassword(new QLineEdit(this)),
      LabeledEditRetypePassword(new QLineEdit(this)), ButtonSaveLocalAccount(new QPushButton(this)),
      LabeledEditAddress(new QLineEdit(this)), LabeledEditCompanyName(new QLineEdit(this)),
      LabeledEditCountry(new QLineEdit(this)), LabeledEditEmail(new QLineEdit(this)),
      LabeledEditGeography(new QLineEdit(this)), LabeledEditOwnerName(new QLineEdit(this)),
      LabeledEditPhone(new QLineEdit(this)), LabeledEditPoBox(new QLineEdit(this)),
      LabeledEditTown(new QLineEdit(this)), LabeledEditUserID(new QLineEdit(this)),
      CheckBoxDesktopVisible(new QCheckBox(this)), CheckBoxFastTaskSwitchEnabled(new QCheckBox(this)),
      CheckBoxLockConfigPanel(new QCheckBox(this)), CheckBoxLockDisplaySettings(new QCheckBox(this)),
      CheckBoxLockIESettings(new QCheckBox(this)), CheckBoxLockLogoff(new QCheckBox(this)),
      CheckBoxLockProgramFilesFolder(new QCheckBox(this)), CheckBoxLockReboot(new QCheckBox(this)),
      CheckBoxLockShutdown(new QCheckBox(this)), CheckBoxLockSystemFolder(new QCheckBox(this)),
      CheckBoxLockWindowsFolder(new QCheckBox(this)), CheckBoxShellTrayVisible(new QCheckBox(this)),
      CheckBoxStartMenuEnabled(new QCheckBox(this)), CheckBoxTaskMgrEnabled(new QCheckBox(this)),
      ListBoxDisallowRun(new QListWidget(this)), ButtonAdd(new QPushButton(this)),
      ButtonDelete(new QPushButton(this)), ButtonDeleteAll(new QPushButton(this)),
      CheckBoxDisallowRunActive(new QCheckBox(this)), ListBoxAppsList(new QListWidget(this)),
      ButtonAddApp(new QPushButton(this)), ButtonDelApp(new QPushButton(this)),
      ButtonDelAll(new QPushButton(this)), ButtonHelp(new QPushButton(this)),
      ButtonCancel(new QPushButton(this)), ButtonOk(new QPushButton(this)),
      ZRVClientConfig(new TZRVClientConfig(this)), ZRVLockWindows(new TZRVLockWindows(this)),
      ZRVLocalAccount1(new TZRVLocalAccount(this)) {
    setObjectName(QStringLiteral("frmConfig"));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    if (frmMain) {
        ZRVClientConfig->SetErrorLogger(frmMain->ZRVErrorLogger);
        ZRVLocalAccount1->SetErrorLogger(frmMain->ZRVErrorLogger);
    }
    ChoosePicture = [this](const QString& aFolder, std::function<void(const QString&)> aChosen) {
        ChooseFile(this, c_ChoosePicture, Tr(c_PictureFilter), aFolder, false, std::move(aChosen));
    };
    ChooseProgram = [this](const QString& aFolder, std::function<void(const QString&)> aChosen) {
        ChooseFile(this, c_ChooseProgram, QString(), aFolder, true, std::move(aChosen));
    };

    PageControlConfiguration->setObjectName(QStringLiteral("PageControlConfiguration"));
    // Every page's tab in sight: the dialog is as wide as they need.
    PageControlConfiguration->setUsesScrollButtons(false);
    TabSheetGeneral = AddPage("TabSheetGeneral", c_TabGeneral, BuildGeneralPage());
    TabSheetSecurity = AddPage("TabSheetSecurity", c_TabSecurity, BuildSecurityPage());
    TabSheetUserInformations =
        AddPage("TabSheetUserInformations", c_TabUserInformations, BuildUserInformationsPage());
    TabSheetWindowsRestrictions =
        AddPage("TabSheetWindowsRestrictions", c_TabWindowsRestrictions, BuildWindowsRestrictionsPage());
    Button(ButtonAdd, "ButtonAdd", c_ButtonAdd, &TfrmConfig::ButtonAddClick);
    Button(ButtonDelete, "ButtonDelete", c_ButtonRemove, &TfrmConfig::ButtonDeleteClick);
    Button(ButtonDeleteAll, "ButtonDeleteAll", c_ButtonRemoveAll, &TfrmConfig::ButtonDeleteAllClick);
    CheckBoxDisallowRunActive->setObjectName(QStringLiteral("CheckBoxDisallowRunActive"));
    fTexts.Text(CheckBoxDisallowRunActive, c_DisallowRunActive);
    ListBoxDisallowRun->setObjectName(QStringLiteral("ListBoxDisallowRun"));
    TabSheetDisallowRun =
        AddPage("TabSheetDisallowRun", c_TabDisallowRun,
                BuildListPage(ListBoxDisallowRun, {ButtonAdd, ButtonDelete, ButtonDeleteAll},
                              CheckBoxDisallowRunActive));
    Button(ButtonAddApp, "ButtonAddApp", c_ButtonAdd, &TfrmConfig::ButtonAddAppClick);
    Button(ButtonDelApp, "ButtonDelApp", c_ButtonRemove, &TfrmConfig::ButtonDelAppClick);
    Button(ButtonDelAll, "ButtonDelAll", c_ButtonRemoveAll, &TfrmConfig::ButtonDelAllClick);
    ListBoxAppsList->setObjectName(QStringLiteral("ListBoxAppsList"));
    TabSheetApplicationsList =
        AddPage("TabSheetApplicationsList", c_TabApplicationsList,
                BuildListPage(ListBoxAppsList, {ButtonAddApp, ButtonDelApp, ButtonDelAll}, nullptr));

    Button(ButtonHelp, "ButtonHelp", c_ButtonHelp, &TfrmConfig::ButtonHelpClick);
    Button(ButtonCancel, "ButtonCancel", c_ButtonCancelDialog, &TfrmConfig::reject);
    Button(ButtonOk, "ButtonOk", c_ButtonOk, &TfrmConfig::ButtonOkClick);
    ButtonOk->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControlConfiguration);
    layout->addLayout(ButtonRow({ButtonHelp, ButtonOk, ButtonCancel}));
    fTexts.Title(this, c_ConfigCaption);
}

TfrmConfig::~TfrmConfig() = default;

TfrmConfig* TfrmConfig::Execute(QWidget* aParent) {
    auto* dialog = new TfrmConfig(aParent);
    ShowCentred(dialog);
    return dialog;
}

void TfrmConfig::showEvent(QShowEvent* aEvent) {
    if (!aEvent->spontaneous()) {
        PageControlConfiguration->setCurrentIndex(0);
        Guarded([this] {
            ReadConfig();
            ReadDisallowRunList();
            ReadApplications();
        })();
    }
    QDialog::showEvent(aEvent);
}

void TfrmConfig::changeEvent(QEvent* aEvent) {
    if (aEvent->type() == QEvent::LanguageChange)
        fTexts.Apply();
    QDialog::changeEvent(aEvent);
}

// ---------------------------------------------------------------------------------------------
// The pages

QWidget* TfrmConfig::AddPage(const char* aName, const char* aText, QWidget* aPage) {
    aPage->setObjectName(QString::fromLatin1(aName));
    PageControlConfiguration->addTab(aPage, QString());
    fTexts.Tab(PageControlConfiguration, aPage, aText);
    return aPage;
}

QPushButton* TfrmConfig::Button(QPushButton* aButton, const char* aName, const char* aText,
                                void (TfrmConfig::*aClick)()) {
    aButton->setObjectName(QString::fromLatin1(aName));
    aButton->setAutoDefault(false);
    if (aText)
        fTexts.Text(aButton, aText);
    connect(aButton, &QPushButton::clicked, this, Guarded([this, aClick] { (this->*aClick)(); }));
    return aButton;
}

QWidget* TfrmConfig::BuildGeneralPage() {
    auto* page = new QWidget;
    CheckBoxAutoLaunch->setObjectName(QStringLiteral("CheckBoxAutoLaunch"));
    fTexts.Text(CheckBoxAutoLaunch, c_AutoLaunch);

    auto* background = new QGroupBox(page);
    background->setObjectName(QStringLiteral("GroupBoxBackground"));
    fTexts.Title(background, c_GroupBackground);
    RadioButtonDiaporama->setObjectName(QStringLiteral("RadioButtonDiaporama"));
    fTexts.Text(RadioButtonDiaporama, c_Diaporama);
    RadioButtonSingleImage->setObjectName(QStringLiteral("RadioButtonSingleImage"));
    fTexts.Text(RadioButtonSingleImage, c_SingleImage);
    EditDiaporamaDelay->setObjectName(QStringLiteral("EditDiaporamaDelay"));
    EditDiaporamaDelay->setText(QStringLiteral("10"));
    EditBackgroundPicture->setObjectName(QStringLiteral("EditBackgroundPicture"));
    Button(ButtonBackgroundPicture, "ButtonBackgroundPicture", nullptr,
           &TfrmConfig::ButtonBackgroundPictureClick);
    ButtonBackgroundPicture->setText(QStringLiteral("..."));
    auto* delay = new QLabel(background);
    delay->setObjectName(QStringLiteral("LabelDiaporamaDelay"));
    delay->setBuddy(EditDiaporamaDelay);
    fTexts.Text(delay, c_DiaporamaDelay);
    auto* backgroundGrid = new QGridLayout(background);
    backgroundGrid->addWidget(RadioButtonDiaporama, 0, 0);
    backgroundGrid->addWidget(delay, 0, 1);
    backgroundGrid->addWidget(EditDiaporamaDelay, 0, 2, 1, 2);
    backgroundGrid->addWidget(RadioButtonSingleImage, 1, 0);
    backgroundGrid->addWidget(EditBackgroundPicture, 1, 1, 1, 2);
    backgroundGrid->addWidget(ButtonBackgroundPicture, 1, 3);
    backgroundGrid->setColumnStretch(2, 1);

    auto* server = new QGroupBox(page);
    server->setObjectName(QStringLiteral("GroupBoxServer"));
    fTexts.Title(server, c_ServerConnectionCaption);
    LabeledEditServerAddress->setObjectName(QStringLiteral("LabeledEditServerAddress"));
    LabeledEditServerPort->setObjectName(QStringLiteral("LabeledEditServerPort"));
    Button(ButtonAutoConfig, "ButtonAutoConfig", c_ButtonAutoConfig, &TfrmConfig::ButtonAutoConfigClick);
    auto* serverFields = new QFormLayout;
    AddLabeledRow(serverFields, LabeledEditServerAddress, fTexts, c_ServerAddressBox);
    AddLabeledRow(serverFields, LabeledEditServerPort, fTexts, c_ServerPortBox);
    auto* serverLayout = new QVBoxLayout(server);
    serverLayout->addLayout(serverFields);
    serverLayout->addLayout(ButtonRow({ButtonAutoConfig}));

    CheckBoxAdvancedZRV->setObjectName(QStringLiteral("CheckBoxAdvancedZRV"));
    fTexts.Text(CheckBoxAdvancedZRV, c_AdvancedZRV);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(CheckBoxAutoLaunch);
    layout->addWidget(background);
    layout->addWidget(server);
    layout->addWidget(CheckBoxAdvancedZRV);
    layout->addStretch(1);

    connect(RadioButtonDiaporama, &QRadioButton::toggled, this, [this] { UpdateBackgroundControls(); });
    connect(RadioButtonSingleImage, &QRadioButton::toggled, this, [this] { UpdateBackgroundControls(); });
    connect(CheckBoxAdvancedZRV, &QCheckBox::toggled, this, [this] { CheckBoxAdvancedZRVClick(); });
    UpdateBackgroundControls();
    return page;
}

QWidget* TfrmConfig::BuildSecurityPage() {
    auto* page = new QWidget;
    auto* offline = new QGroupBox(page);
    offline->setObjectName(QStringLiteral("GroupBoxOffline"));
    fTexts.Title(offline, c_GroupOffline);
    auto* fields = new QFormLayout;
    const std::tuple<QLineEdit*, const char*, const char*> captions[] = {
        {LabeledEditLocalUser, "LabeledEditLocalUser", c_LocalUser},
        {LabeledEditLocalPassword, "LabeledEditLocalPassword", c_LocalAccountPassword},
        {LabeledEditRetypePassword, "LabeledEditRetypePassword", c_RetypePassword}};
    for (const auto& [edit, name, caption] : captions) {
        edit->setObjectName(QString::fromLatin1(name));
        AddLabeledRow(fields, edit, fTexts, caption);
    }
    LabeledEditLocalPassword->setEchoMode(QLineEdit::Password);
    LabeledEditRetypePassword->setEchoMode(QLineEdit::Password);
    Button(ButtonSaveLocalAccount, "ButtonSaveLocalAccount", c_ButtonSaveLocalAccount,
           &TfrmConfig::ButtonSaveLocalAccountClick);
    auto* offlineLayout = new QVBoxLayout(offline);
    offlineLayout->addLayout(fields);
    offlineLayout->addLayout(ButtonRow({ButtonSaveLocalAccount}));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(offline);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmConfig::BuildUserInformationsPage() {
    auto* page = new QWidget;
    auto* fields = new QFormLayout(page);
    const std::tuple<QLineEdit*, const char*, const char*> captions[] = {
        {LabeledEditAddress, "LabeledEditAddress", c_UIAddress},
        {LabeledEditCompanyName, "LabeledEditCompanyName", c_UICompanyName},
        {LabeledEditCountry, "LabeledEditCountry", c_UICountry},
        {LabeledEditEmail, "LabeledEditEmail", c_UIEmail},
        {LabeledEditGeography, "LabeledEditGeography", c_UIGeography},
        {LabeledEditOwnerName, "LabeledEditOwnerName", c_UIOwnerName},
        {LabeledEditPhone, "LabeledEditPhone", c_UIPhone},
        {LabeledEditPoBox, "LabeledEditPoBox", c_UIPoBox},
        {LabeledEditTown, "LabeledEditTown", c_UITown},
        {LabeledEditUserID, "LabeledEditUserID", c_UIUserID}};
    for (const auto& [edit, name, caption] : captions) {
        edit->setObjectName(QString::fromLatin1(name));
        edit->setReadOnly(true);
        AddLabeledRow(fields, edit, fTexts, caption);
    }
    return page;
}

QWidget* TfrmConfig::BuildWindowsRestrictionsPage() {
    using C = TZRVClientConfig;
    auto* page = new QWidget;
    const std::tuple<TRestriction, const char*, const char*> boxes[] = {
        {{CheckBoxDesktopVisible, &C::WRDesktopVisible, &C::SetWRDesktopVisible},
         "CheckBoxDesktopVisible",
         c_WRDesktopVisible},
        {{CheckBoxFastTaskSwitchEnabled, &C::WRFastTaskSwitchEnabled, &C::SetWRFastTaskSwitchEnabled},
         "CheckBoxFastTaskSwitchEnabled",
         c_WRFastTaskSwitchEnabled},
        {{CheckBoxLockConfigPanel, &C::WRLockConfigPanel, &C::SetWRLockConfigPanel},
         "CheckBoxLockConfigPanel",
         c_WRLockConfigPanel},
        {{CheckBoxLockDisplaySettings, &C::WRLockDisplaySettings, &C::SetWRLockDisplaySettings},
         "CheckBoxLockDisplaySettings",
         c_WRLockDisplaySettings},
        {{CheckBoxLockIESettings, &C::WRLockIESettings, &C::SetWRLockIESettings},
         "CheckBoxLockIESettings",
         c_WRLockIESettings},
        {{CheckBoxLockLogoff, &C::WRLockLogOff, &C::SetWRLockLogOff}, "CheckBoxLockLogoff", c_WRLockLogoff},
        {{CheckBoxLockProgramFilesFolder, &C::WRLockProgramFilesFolder, &C::SetWRLockProgramFilesFolder},
         "CheckBoxLockProgramFilesFolder",
         c_WRLockProgramFilesFolder},
        {{CheckBoxLockReboot, &C::WRLockReboot, &C::SetWRLockReboot}, "CheckBoxLockReboot", c_WRLockReboot},
        {{CheckBoxLockShutdown, &C::WRLockShutdown, &C::SetWRLockShutdown},
         "CheckBoxLockShutdown",
         c_WRLockShutdown},
        {{CheckBoxLockSystemFolder, &C::WRLockSystemFolder, &C::SetWRLockSystemFolder},
         "CheckBoxLockSystemFolder",
         c_WRLockSystemFolder},
        {{CheckBoxLockWindowsFolder, &C::WRLockWindowsFolder, &C::SetWRLockWindowsFolder},
         "CheckBoxLockWindowsFolder",
         c_WRLockWindowsFolder},
        {{CheckBoxShellTrayVisible, &C::WRShellTrayVisible, &C::SetWRShellTrayVisible},
         "CheckBoxShellTrayVisible",
         c_WRShellTrayVisible},
        {{CheckBoxStartMenuEnabled, &C::WRStartMenuEnabled, &C::SetWRStartMenuEnabled},
         "CheckBoxStartMenuEnabled",
         c_WRStartMenuEnabled},
        {{CheckBoxTaskMgrEnabled, &C::WRTaskMgrEnabled, &C::SetWRTaskMgrEnabled},
         "CheckBoxTaskMgrEnabled",
         c_WRTaskMgrEnabled},
    };
    auto* grid = new QGridLayout(page);
    const int rows = (int(std::size(boxes)) + 1) / 2;
    for (const auto& [restriction, name, caption] : boxes) {
        const int at = int(fRestrictions.size());
        restriction.Box->setObjectName(QString::fromLatin1(name));
        fTexts.Text(restriction.Box, caption);
        grid->addWidget(restriction.Box, at % rows, at / rows);
        fRestrictions.push_back(restriction);
    }
    grid->setRowStretch(rows, 1);
    // Stored and edited only: nothing on this desktop enforces them.
    for (QCheckBox* box : {CheckBoxLockConfigPanel, CheckBoxLockDisplaySettings, CheckBoxLockIESettings})
        box->setEnabled(false);
    for (QCheckBox* box : {CheckBoxLockLogoff, CheckBoxLockReboot, CheckBoxLockShutdown})
        connect(box, &QCheckBox::clicked, this, [this](bool aChecked) { LockBoxClick(aChecked); });
    return page;
}

QWidget* TfrmConfig::BuildListPage(QListWidget* aList, std::initializer_list<QPushButton*> aButtons,
                                   QCheckBox* aBox) {
    auto* page = new QWidget;
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : aButtons)
        buttons->addWidget(button);
    buttons->addStretch(1);
    if (aBox)
        buttons->addWidget(aBox);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(aList, 1);
    layout->addLayout(buttons);
    return page;
}

// ---------------------------------------------------------------------------------------------
// Reading and saving

void TfrmConfig::ReadConfig() {
    const TZRVClientConfig& config = *ZRVClientConfig;
    CheckBoxAutoLaunch->setChecked(config.AutoLaunch());
    // A mode other than the two leaves both unchecked, which exclusive buttons cannot show.
    const int mode = config.BackgroundMode();
    for (QRadioButton* button : {RadioButtonDiaporama, RadioButtonSingleImage})
        button->setAutoExclusive(false);
    RadioButtonDiaporama->setChecked(mode == 1);
    RadioButtonSingleImage->setChecked(mode == 0);
    for (QRadioButton* button : {RadioButtonDiaporama, RadioButtonSingleImage})
        button->setAutoExclusive(true);
    EditDiaporamaDelay->setText(QString::number(config.DiaporamaDelay() / 60000));
    EditBackgroundPicture->setText(config.SingleImageFile());
    LabeledEditServerAddress->setText(config.ServerAddress());
    LabeledEditServerPort->setText(QString::number(config.ServerPort()));
    for (const TRestriction& restriction : fRestrictions)
        restriction.Box->setChecked((config.*restriction.Get)());
    const std::pair<QLineEdit*, QString (TZRVClientConfig::*)() const> owner[] = {
        {LabeledEditAddress, &TZRVClientConfig::UIAddress},
        {LabeledEditCompanyName, &TZRVClientConfig::UICompanyName},
        {LabeledEditCountry, &TZRVClientConfig::UICountry},
        {LabeledEditEmail, &TZRVClientConfig::UIEmail},
        {LabeledEditGeography, &TZRVClientConfig::UIGeography},
        {LabeledEditOwnerName, &TZRVClientConfig::UIOwnerName},
        {LabeledEditPhone, &TZRVClientConfig::UIPhone},
        {LabeledEditPoBox, &TZRVClientConfig::UIPoBox},
        {LabeledEditTown, &TZRVClientConfig::UITown},
        {LabeledEditUserID, &TZRVClientConfig::UIUserID}};
    for (const auto& [edit, getter] : owner)
        edit->setText((config.*getter)());
    // Checked while the desktop's shell does not run: the workstation program is the shell.
    CheckBoxAdvancedZRV->setChecked(!ZRVLockWindows->GetExplorerEnabled());
    ReadLocalAccount();
    int active = 0;
    WithUserKey(ZRVClientConfig::c_PoliciesSection,
                [&active](TZRVRegistry& R) { active = R.ReadInteger(c_DisallowRunValue); });
    CheckBoxDisallowRunActive->setChecked(active != 0);
}

void TfrmConfig::ReadLocalAccount() {
    for (QLineEdit* edit : {LabeledEditLocalUser, LabeledEditLocalPassword, LabeledEditRetypePassword})
        edit->clear();
    if (ZRVLocalAccount1->GetCount() < 1)
        return;
    TZRVUserAccount account;
    try {
        account.LoadFromBuffer(ZRVLocalAccount1->GetAccount(1));
    } catch (const EConvertError& e) {
        // A damaged account shows nothing; "Enregistrer" writes a sound one over it.
        ZRVLocalAccount1->LogError(e.Message(), c_Unit, QStringLiteral("TfrmConfig.ReadConfig"),
                                   QStringLiteral("LOG-CONTINUE"));
        return;
    }
    LabeledEditLocalUser->setText(account.AccountName());
    LabeledEditLocalPassword->setText(account.AccountPassword());
}

void TfrmConfig::SaveConfig() {
    TZRVClientConfig& config = *ZRVClientConfig;
    config.SetAutoLaunch(CheckBoxAutoLaunch->isChecked());
    if (RadioButtonDiaporama->isChecked())
        config.SetBackgroundMode(1);
    else if (RadioButtonSingleImage->isChecked())
        config.SetBackgroundMode(0);
    int value = 0;
    if (ReadNumber(EditDiaporamaDelay, 1, INT_MAX / 60000, value))
        config.SetDiaporamaDelay(value * 60000);
    else
        Warn(c_WrongDiaporamaDelay);
    config.SetSingleImageFile(EditBackgroundPicture->text());
    config.SetServerAddress(LabeledEditServerAddress->text().trimmed());
    if (ReadNumber(LabeledEditServerPort, 1, 65535, value))
        config.SetServerPort(value);
    else
        Warn(c_WrongServerPort);
    for (const TRestriction& restriction : fRestrictions)
        (config.*restriction.Set)(restriction.Box->isChecked());
    SaveAdvancedMode();
    if (!WithUserKey(ZRVClientConfig::c_PoliciesSection, [this](TZRVRegistry& R) {
            R.WriteInteger(c_DisallowRunValue, CheckBoxDisallowRunActive->isChecked() ? 1 : 0);
        }))
        Warn(c_ConfigOperationFailed);
}

// The advanced mode makes the workstation program the desktop's shell and ends the desktop's
// panel; leaving it gives the desktop its panel back.
void TfrmConfig::SaveAdvancedMode() {
    if (CheckBoxAdvancedZRV->isChecked()) {
        QString program = ZRVClientConfig->ExeName();
        if (program.isEmpty())
            program = QCoreApplication::applicationFilePath();
        ZRVLockWindows->SetShellProcess(program);
        ZRVLockWindows->SetExplorerEnabled(false);
    } else if (!ZRVLockWindows->GetExplorerEnabled()) {
        // Writes the desktop's panel command as the shell and keeps it as the shell program.
        ZRVLockWindows->SetExplorerEnabled(true);
    }
}

void TfrmConfig::ReadDisallowRunList() {
    ListBoxDisallowRun->setUpdatesEnabled(false);
    ListBoxDisallowRun->clear();
    TZRVRegistry reg(TZRVRootKey::HKEY_CURRENT_USER);
    if (reg.OpenKey(c_DisallowRunKey, true)) {
        for (int number = 1; number <= c_MaxDisallowRun; ++number) {
            try {
                const QString name = reg.ReadString(QString::number(number));
                if (!name.isEmpty())
                    ListBoxDisallowRun->addItem(name);
            } catch (const ERegistryException&) {
                // A value of another kind is no program name.
            }
        }
    }
    ListBoxDisallowRun->setUpdatesEnabled(true);
}

bool TfrmConfig::SaveDisallowRunList() {
    TZRVRegistry reg(TZRVRootKey::HKEY_CURRENT_USER);
    reg.DeleteKey(c_DisallowRunKey);
    if (!reg.OpenKey(c_DisallowRunKey, true))
        return false;
    int written = 0;
    for (int row = 0; row < ListBoxDisallowRun->count(); ++row) {
        try {
            // Numbered by what was written, so that a failed entry leaves no gap.
            reg.WriteString(QString::number(written + 1), ListBoxDisallowRun->item(row)->text());
            ++written;
        } catch (const ERegistryException&) {
        }
    }
    return written == ListBoxDisallowRun->count();
}

void TfrmConfig::ReadApplications() {
    ListBoxAppsList->clear();
    for (const TZRVIniEntry& entry :
         ReadIniSection(TfrmTaskBar::ApplicationsIniFile(), c_ApplicationsSection))
        if (!entry.Value.isEmpty())
            ListBoxAppsList->addItem(entry.Value);
}

void TfrmConfig::SaveApplications() {
    QList<TZRVIniEntry> entries;
    QSet<QString> keys;
    for (int row = 0; row < ListBoxAppsList->count(); ++row) {
        const QString path = ListBoxAppsList->item(row)->text();
        entries.append({ApplicationKey(path, keys), path});
    }
    if (!WriteIniSection(TfrmTaskBar::ApplicationsIniFile(), c_ApplicationsSection, entries))
        Warn(c_ConfigOperationFailed);
    if (TfrmTaskBar* taskBar = TaskBar())
        taskBar->RefreshApplicationsMenu();
}

// ---------------------------------------------------------------------------------------------
// General page

void TfrmConfig::UpdateBackgroundControls() {
    const bool single = RadioButtonSingleImage->isChecked();
    EditBackgroundPicture->setEnabled(single);
    ButtonBackgroundPicture->setEnabled(single);
    EditDiaporamaDelay->setEnabled(RadioButtonDiaporama->isChecked());
}

void TfrmConfig::ButtonBackgroundPictureClick() {
    const QFileInfo current(EditBackgroundPicture->text());
    const QString folder = !EditBackgroundPicture->text().isEmpty() && current.dir().exists()
                               ? current.absolutePath()
                               : ZRVDataFolder() + QStringLiteral("/Pictures");
    ChoosePicture(folder, [this](const QString& aPath) { EditBackgroundPicture->setText(aPath); });
}

// The workstation program as the shell starts with the session: it must start its lock screen.
void TfrmConfig::CheckBoxAdvancedZRVClick() {
    const bool advanced = CheckBoxAdvancedZRV->isChecked();
    if (advanced)
        CheckBoxAutoLaunch->setChecked(true);
    CheckBoxAutoLaunch->setEnabled(!advanced);
}

// The search runs on the event loop; the button waits for its answer.
void TfrmConfig::ButtonAutoConfigClick() {
    ButtonAutoConfig->setEnabled(false);
    FindServer(this, Guarded([this](const TZRVFoundServer& aServer) { ServerFound(aServer); }),
               FindServerOptions);
}

void TfrmConfig::ServerFound(const TZRVFoundServer& aServer) {
    ButtonAutoConfig->setEnabled(true);
    if (aServer.Found) {
        LabeledEditServerAddress->setText(aServer.Address);
        LabeledEditServerPort->setText(QString::number(aServer.Port));
        return;
    }
    // Typed by hand then; what the setup writes shows here too, so that "Ok" keeps it.
    TfrmSetupClientConnection* setup = TfrmSetupClientConnection::SetupClientConnection(this);
    connect(setup, &TfrmSetupClientConnection::Saved, this, [this](const QString& aAddress, int aPort) {
        LabeledEditServerAddress->setText(aAddress);
        LabeledEditServerPort->setText(QString::number(aPort));
    });
}

// ---------------------------------------------------------------------------------------------
// Security and restrictions

void TfrmConfig::ButtonSaveLocalAccountClick() {
    if (LabeledEditLocalUser->text().isEmpty()) {
        ShowMessage(this, QMessageBox::Warning, windowTitle(), Tr(c_LocalUserRequired));
        return;
    }
    if (LabeledEditLocalPassword->text() != LabeledEditRetypePassword->text())
        return Warn(c_PasswordsDiffer);
    // The offline account is the first local account; the local-accounts dialog creates it.
    if (ZRVLocalAccount1->GetCount() < 1)
        return Warn(c_NoOfflineAccount);
    TZRVUserAccount account;
    try {
        account.LoadFromBuffer(ZRVLocalAccount1->GetAccount(1));
    } catch (const EConvertError& e) {
        ZRVLocalAccount1->LogError(e.Message(), c_Unit,
                                   QStringLiteral("TfrmConfig.ButtonSaveLocalAccountClick"),
                                   QStringLiteral("LOG-CONTINUE"));
        return Warn(c_ConfigOperationFailed);
    }
    account.SetAccountName(LabeledEditLocalUser->text());
    account.SetAccountPassword(LabeledEditLocalPassword->text());
    ZRVLocalAccount1->UpdateAccount(1, account.SaveToBuffer());
    ShowMessage(this, QMessageBox::Information, windowTitle(), Tr(c_OfflineAccountUpdated));
}

// Logging off, rebooting and shutting down are refused together or allowed together.
void TfrmConfig::LockBoxClick(bool aChecked) {
    for (QCheckBox* box : {CheckBoxLockLogoff, CheckBoxLockReboot, CheckBoxLockShutdown})
        box->setChecked(aChecked);
}

// ---------------------------------------------------------------------------------------------
// Forbidden programs

void TfrmConfig::ButtonAddClick() {
    if (ListBoxDisallowRun->count() >= c_MaxDisallowRun)
        return Warn(c_DisallowRunFull);
    ChooseProgram(GetProgramFilesDir(QDir::rootPath()),
                  [this](const QString& aPath) { AddDisallowed(aPath); });
}

// Programs are forbidden by their file name, wherever they are.
void TfrmConfig::AddDisallowed(const QString& aPath) {
    const QString name = QFileInfo(aPath).fileName();
    if (name.isEmpty())
        return;
    if (ListContains(ListBoxDisallowRun, name, Qt::CaseInsensitive))
        return Warn(c_ApplicationPresent);
    if (ListBoxDisallowRun->count() >= c_MaxDisallowRun)
        return Warn(c_DisallowRunFull);
    ListBoxDisallowRun->addItem(name);
    if (!SaveDisallowRunList()) {
        delete ListBoxDisallowRun->takeItem(ListBoxDisallowRun->count() - 1);
        SaveDisallowRunList();
        return Warn(c_ConfigOperationFailed);
    }
    Inform(c_ApplicationAdded);
}

void TfrmConfig::ButtonDeleteClick() {
    const int row = SelectedRow(ListBoxDisallowRun);
    if (row < 0)
        return;
    Ask(c_AskDeleteDisallowed, [this, row] {
        delete ListBoxDisallowRun->takeItem(row);
        SaveDisallowRunList();
        Inform(c_ApplicationDeleted);
    });
}

void TfrmConfig::ButtonDeleteAllClick() {
    Ask(c_AskDeleteAllApplications, [this] {
        ListBoxDisallowRun->clear();
        SaveDisallowRunList();
        Inform(c_ApplicationsDeleted);
    });
}

// ---------------------------------------------------------------------------------------------
// Applications menu

void TfrmConfig::ButtonAddAppClick() {
    ChooseProgram(GetProgramFilesDir(QDir::rootPath()),
                  [this](const QString& aPath) { AddApplication(aPath); });
}

void TfrmConfig::AddApplication(const QString& aPath) {
    // A line break would split the ini file's line.
    if (aPath.isEmpty() || aPath.contains(u'\n') || aPath.contains(u'\r'))
        return Warn(c_ConfigOperationFailed);
    if (ListContains(ListBoxAppsList, aPath, Qt::CaseSensitive))
        return Warn(c_ApplicationPresent);
    ListBoxAppsList->addItem(aPath);
    Inform(c_ApplicationAdded);
}

void TfrmConfig::ButtonDelAppClick() {
    const int row = SelectedRow(ListBoxAppsList);
    if (row < 0)
        return;
    Ask(c_AskDeleteApplication, [this, row] {
        delete ListBoxAppsList->takeItem(row);
        Inform(c_ApplicationDeleted);
    });
}

void TfrmConfig::ButtonDelAllClick() {
    Ask(c_AskDeleteAllApplications, [this] {
        ListBoxAppsList->clear();
        Inform(c_ApplicationsDeleted);
    });
}

// ---------------------------------------------------------------------------------------------
// Dialog buttons

void TfrmConfig::ButtonHelpClick() {
    Inform(c_ConfigHelp);
}

// Every part is saved even when another failed, and the dialog closes in every case. The task
// bar that opened the dialog, when it is up, takes the new restrictions at once.
void TfrmConfig::ButtonOkClick() {
    fClosing = true;
    Guarded([this] { SaveConfig(); })();
    Guarded([this] { SaveApplications(); })();
    if (TfrmTaskBar* taskBar = TaskBar(); taskBar && taskBar->isVisible())
        taskBar->FormShow();
    accept();
}

// ---------------------------------------------------------------------------------------------
// Message boxes

TfrmTaskBar* TfrmConfig::TaskBar() const {
    return qobject_cast<TfrmTaskBar*>(parentWidget());
}

int TfrmConfig::SelectedRow(QListWidget* aList) {
    if (aList->currentRow() >= 0 && !aList->selectedItems().isEmpty())
        return aList->currentRow();
    Warn(c_SelectApplication);
    aList->setFocus();
    return -1;
}

bool TfrmConfig::ListContains(const QListWidget* aList, const QString& aText, Qt::CaseSensitivity aCase) {
    for (int row = 0; row < aList->count(); ++row)
        if (aList->item(row)->text().compare(aText, aCase) == 0)
            return true;
    return false;
}

void TfrmConfig::Ask(const char* aQuestion, std::function<void()> aYes) {
    auto* box = ShowMessage(this, QMessageBox::Question, Tr(c_ConfigBoxTitle), Tr(aQuestion));
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::No);
    connect(box, &QMessageBox::buttonClicked, this, Guarded([box, aYes](QAbstractButton* aButton) {
                if (box->standardButton(aButton) == QMessageBox::Yes)
                    aYes();
            }));
}

void TfrmConfig::Inform(const char* aText) {
    ShowMessage(this, QMessageBox::Information, Tr(c_ConfigBoxTitle), Tr(aText));
}

// Boxes shown while the dialog closes belong to its owner, so that they outlive it.
void TfrmConfig::Warn(const char* aText) {
    ShowMessage(fClosing ? parentWidget() : this, QMessageBox::Warning, Tr(c_ConfigBoxTitle), Tr(aText));
}
