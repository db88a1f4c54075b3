#pragma once
// The configuration dialog: the café sets up the workstation here (start-up and background, the
// server, the advanced mode in which the workstation program is the desktop's shell, the offline
// account, the restrictions, the forbidden programs and the applications menu). The settings and
// the applications menu are written by "Ok"; the forbidden programs and the offline account are
// written at once by their own buttons. A new dialog is made for every opening.

#include "ClientUtils.h"

#include "ZRVSetupLib.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <functional>
#include <vector>

class TZRVClientConfig;
class TZRVLocalAccount;
class TZRVLockWindows;
class TfrmTaskBar;

class TfrmConfig : public QDialog {
    Q_OBJECT
public:
    // The forbidden programs the list holds at most.
    static constexpr int c_MaxDisallowRun = 100;

    explicit TfrmConfig(QWidget* aParent = nullptr);
    ~TfrmConfig() override;

    // Opens a new dialog, modal and centred on the screen; it frees itself when it is closed. The
    // task bar opens it as its owner.
    static TfrmConfig* Execute(QWidget* aParent = nullptr);

    // A file chooser: starts in aFolder and hands the chosen file to aChosen, later, on the event
    // loop; nothing follows when the choice is cancelled.
    using TZRVFileChooser =
        std::function<void(const QString& aFolder, std::function<void(const QString&)> aChosen)>;
    TZRVFileChooser ChoosePicture;
    TZRVFileChooser ChooseProgram;
    // Where "Recherche automatique" asks for the server.
    TZRVFindServerOptions FindServerOptions;

    // Every control filled from the settings.
    void ReadConfig();
    // The controls written to the settings, in order; a value that is not sound is reported and
    // left as it was, and the others are still written.
    void SaveConfig();
    // The forbidden programs as the settings store holds them.
    void ReadDisallowRunList();
    // The list written again from 1 without gaps; false when the store cannot be written.
    bool SaveDisallowRunList();
    void ReadApplications();
    // The applications menu written in list order, and the menu of the task bar that opened the
    // dialog rebuilt.
    void SaveApplications();

    QTabWidget* PageControlConfiguration;
    QWidget* TabSheetGeneral;
    QCheckBox* CheckBoxAutoLaunch;
    QRadioButton* RadioButtonDiaporama;
    QRadioButton* RadioButtonSingleImage;
    QLineEdit* EditDiaporamaDelay;
    QLineEdit* EditBackgroundPicture;
    QPushButton* ButtonBackgroundPicture;
    QLineEdit* LabeledEditServerAddress;
    QLineEdit* LabeledEditServerPort;
    QPushButton* ButtonAutoConfig;
    QCheckBox* CheckBoxAdvancedZRV;
    QWidget* TabSheetSecurity;
    QLineEdit* LabeledEditLocalUser;
    QLineEdit* LabeledEditLocalPassword;
    QLineEdit* LabeledEditRetypePassword;
    QPushButton* ButtonSaveLocalAccount;
    QWidget* TabSheetUserInformations;
    QLineEdit* LabeledEditAddress;
    QLineEdit* LabeledEditCompanyName;
    QLineEdit* LabeledEditCountry;
    QLineEdit* LabeledEditEmail;
    QLineEdit* LabeledEditGeography;
    QLineEdit* LabeledEditOwnerName;
    QLineEdit* LabeledEditPhone;
    QLineEdit* LabeledEditPoBox;
    QLineEdit* LabeledEditTown;
    QLineEdit* LabeledEditUserID;
    QWidget* TabSheetWindowsRestrictions;
    QCheckBox* CheckBoxDesktopVisible;
    QCheckBox* CheckBoxFastTaskSwitchEnabled;
    QCheckBox* CheckBoxLockConfigPanel;
    QCheckBox* CheckBoxLockDisplaySettings;
    QCheckBox* CheckBoxLockIESettings;
    QCheckBox* CheckBoxLockLogoff;
    QCheckBox* CheckBoxLockProgramFilesFolder;
    QCheckBox* CheckBoxLockReboot;
    QCheckBox* CheckBoxLockShutdown;
    QCheckBox* CheckBoxLockSystemFolder;
    QCheckBox* CheckBoxLockWindowsFolder;
    QCheckBox* CheckBoxShellTrayVisible;
    QCheckBox* CheckBoxStartMenuEnabled;
    QCheckBox* CheckBoxTaskMgrEnabled;
    QWidget* TabSheetDisallowRun;
    QListWidget* ListBoxDisallowRun;
    QPushButton* ButtonAdd;
    QPushButton* ButtonDelete;
    QPushButton* ButtonDeleteAll;
    QCheckBox* CheckBoxDisallowRunActive;
    QWidget* TabSheetApplicationsList;
    QListWidget* ListBoxAppsList;
    QPushButton* ButtonAddApp;
    QPushButton* ButtonDelApp;
    QPushButton* ButtonDelAll;
    QPushButton* ButtonHelp;
    QPushButton* ButtonCancel;
    QPushButton* ButtonOk;
    TZRVClientConfig* ZRVClientConfig;
    TZRVLockWindows* ZRVLockWindows;
    TZRVLocalAccount* ZRVLocalAccount1;

protected:
    void showEvent(QShowEvent* aEvent) override;
    void changeEvent(QEvent* aEvent) override;

private:
    // A restriction box and the setting it stands for.
    struct TRestriction {
        QCheckBox* Box;
        bool (TZRVClientConfig::*Get)() const;
        void (TZRVClientConfig::*Set)(bool);
    };

    QWidget* BuildGeneralPage();
    QWidget* BuildSecurityPage();
    QWidget* BuildUserInformationsPage();
    QWidget* BuildWindowsRestrictionsPage();
    QWidget* BuildListPage(QListWidget* aList, std::initializer_list<QPushButton*> aButtons, QCheckBox* aBox);
    QWidget* AddPage(const char* aName, const char* aText, QWidget* aPage);
    QPushButton* Button(QPushButton* aButton, const char* aName, const char* aText,
                        void (TfrmConfig::*aClick)());

    void UpdateBackgroundControls();
    void CheckBoxAdvancedZRVClick();
    void LockBoxClick(bool aChecked);
    void ButtonBackgroundPictureClick();
    void ButtonAutoConfigClick();
    void ServerFound(const TZRVFoundServer& aServer);
    void ReadLocalAccount();
    void ButtonSaveLocalAccountClick();
    void SaveAdvancedMode();
    void ButtonAddClick();
    void AddDisallowed(const QString& aPath);
    void ButtonDeleteClick();
    void ButtonDeleteAllClick();
    void ButtonAddAppClick();
    void AddApplication(const QString& aPath);
    void ButtonDelAppClick();
    void ButtonDelAllClick();
    void ButtonHelpClick();
    void ButtonOkClick();

    // The task bar that opened the dialog, if it did.
    TfrmTaskBar* TaskBar() const;
    // The list's selected row, or -1 after the warning that one must be chosen.
    int SelectedRow(QListWidget* aList);
    static bool ListContains(const QListWidget* aList, const QString& aText, Qt::CaseSensitivity aCase);
    // Asks aQuestion with Yes and No (No the default); aYes runs on Yes.
    void Ask(const char* aQuestion, std::function<void()> aYes);
    void Inform(const char* aText);
    void Warn(const char* aText);

    TZRVFormTexts fTexts;
    std::vector<TRestriction> fRestrictions;
    // "Ok" was pressed: the dialog is going.
    bool fClosing = false;
};
