#pragma once
// The lock screen: it covers the workstation whenever no session runs. From it a customer logs in
// with a ticket code, an account or a local account, creates an account, recovers a forgotten
// password, and, once logged in, reviews the account or ticket, reloads credit, edits the profile
// and opens the session. It also shows the café's header, a status line, the connection
// indicator, the background pictures, an idle screen saver and the language buttons.

#include "ClientUtils.h"

#include "ZRVClientConfig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <memory>

class QGroupBox;
class QWebEngineView;

// A round indicator whose brush is its window colour; clicking it raises clicked().
class TZRVShape : public QFrame {
    Q_OBJECT
public:
    explicit TZRVShape(QWidget* aParent = nullptr);
    QColor Brush() const { return BackgroundColor(this); }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* aEvent) override;
};

// A label that acts as a link: bold while the pointer is over it, clicked() on a click.
class TZRVLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TZRVLinkLabel(QWidget* aParent = nullptr);

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* aEvent) override;
    void leaveEvent(QEvent* aEvent) override;
    void mouseReleaseEvent(QMouseEvent* aEvent) override;
};

class TfrmClient : public QWidget {
    Q_OBJECT
public:
    // The request a login page sent last, so that a refusal is told the way that page tells it.
    enum TZRVRequest {
        rqNone,
        rqTicket,
        rqAccount,
        rqRetrievePassword,
        rqCreateAccount,
        rqReloadCredit,
        rqUpdateAccount
    };

    // aArguments: the program's command line after the program itself; aWindowed: an ordinary
    // window that covers nothing and stays below others.
    TfrmClient(const QStringList& aArguments, bool aWindowed, QWidget* aParent = nullptr);
    ~TfrmClient() override;

    // The status line: text, colour, size in points and the sound played (0: none).
    void ShowInfo(const QString& aInfo, quint32 aColor, int aSize, int aIcon = 0);
    // Tells a refused request the way the page that sent it does.
    void ShowRequestFailure(const QString& aMessage);
    void RefreshPanelUserConnected();
    void RefreshHeaderInfos();
    void RefreshAdditionalLogo();
    void ResetAccountCreation();
    void ClearTextFields();
    void ResetMyScreenSaver();
    void InitPictureList();
    void FreePictureList();
    void SetStayOnTop(bool Value) { fStayOnTop = Value; }
    bool StayOnTop() const { return fStayOnTop; }
    // Covers the desktop, refreshes the header and the logo and locks the desktop again while a
    // login is pending; the main controller runs it after the handshake.
    void FormActivate();
    // The server gave the password asked for on the recovery page: back to the login pages with
    // the name and the password filled in, and the password shown in a notice.
    void PasswordRetrieved(const QString& aPassword);
    // The account name of the last login attempt.
    const QString& LastLoginName() const { return fLastLoginName; }

    // The lock screen's controls, as the main controller and the tests reach them.
    QLabel* ImageBkg;
    QFrame* PanelInfos;
    QLabel* PanelInfosCaption;
    QLabel* LabelWorkstationName;
    QLabel* LabelDateTime;
    QLabel* LabelCompanyAddress;
    QLabel* LabelCompanyTel;
    QLabel* LabelCompanyMail;
    QLabel* LabelCompanyBp;
    QLabel* LabelProduct;
    QLabel* LabelInfos;
    TZRVShape* ShapeConnectState;
    QToolButton* sb_french;
    QToolButton* sb_english;
    QLabel* img_additional_logo;

    QTabWidget* PageControl;
    QWidget* TabSheetTicketOpenning;
    QLineEdit* LabeledEditTicketCode;
    QPushButton* ButtonOpenTicket;
    TZRVLinkLabel* LabelCreateAccount;
    QCheckBox* CheckBoxCodeVisible;
    QWidget* TabSheetAccountOpenning;
    QLineEdit* LabeledEditAccountName;
    QLineEdit* LabeledEditAccountPassword;
    QPushButton* ButtonOpenAccount;
    TZRVLinkLabel* LabelRetrievePassword;
    QWidget* TabSheetRetrievePassword;
    QLineEdit* LabeledEditRetrievePasswordAccountName;
    TZRVLinkLabel* LabelRetrievePasswordSecretQuestion;
    QComboBox* ComboBoxRetrievePasswordSecretQuestions;
    QLineEdit* LabeledEditRetrievePasswordSecretAnswer;
    QPushButton* ButtonDoRetrievePassword;
    QPushButton* ButtonCancelRetrievePassword;

    QFrame* PanelAccountCreation;
    QLineEdit* LabeledEditFirstName;
    QLineEdit* LabeledEditSecondName;
    QLineEdit* LabeledEditEmail;
    QLineEdit* LabeledEditPhone;
    QLineEdit* LabeledEditACName;
    QLineEdit* LabeledEditACPassword;
    QLineEdit* LabeledEditVerifyPassword;
    QComboBox* ComboBoxSecretQuestion;
    QLineEdit* LabeledEditSecretAnswer;
    QLineEdit* LabeledEditPseudo;
    QLineEdit* LabeledEditOld;
    QComboBox* ComboBoxSex;
    QLineEdit* LabeledEditDescription;
    QPushButton* ButtonAccountCreateExecute;
    QPushButton* ButtonAccountCreateCancel;

    QFrame* PanelUserConnected;
    QWidget* WebBrowserAdvert;
    QFrame* PanelConnectInfos;
    QTabWidget* PageControlUserConnected;
    QWidget* TabSheetGeneral;
    QLabel* LabelUser;
    QLabel* LabelUserType;
    QLabel* LabelCurrentCredit;
    QLabel* LabelExpireDate;
    QLabel* LabelCreationDate;
    QLabel* LabelLastUseDate;
    QLabel* LabelLastUseTime;
    QLabel* LabelCreditTotal;
    QLabel* LabelHourFormula;
    QComboBox* ComboBoxUrls;
    QWidget* TabSheetReloadCredit;
    QLineEdit* LabeledEditReloadCode;
    QPushButton* ButtonReloadCredit;
    QWidget* TabSheetCreditTransfert;
    QWidget* TabSheetEditUserInfos;
    QLineEdit* LabeledEditProfil_Nom;
    QLineEdit* LabeledEditProfil_Prenom;
    QLineEdit* LabeledEditProfil_Email;
    QLineEdit* LabeledEditProfil_Telephone;
    QPushButton* ButtonUpdateProfile;
    QLineEdit* LabeledEditProfil_OldPwd;
    QLineEdit* LabeledEditProfil_NewPwd;
    QLineEdit* LabeledEditProfil_ConfirmPwd;
    QPushButton* ButtonUpdatePassword;
    QWidget* TabSheetAboutLumera;
    QLabel* ImageAboutLumera;
    QPushButton* ButtonCloseUserConnection;
    QPushButton* ButtonContinueSession;
    QPushButton* ButtonOpenSession;

    TZRVClientConfig* ZRVClientConfig;
    QTimer* TimerClearInfos;
    QTimer* TimerMyScreenSaver;
    QTimer* TimerMinute;
    QTimer* TimerChangePicture;
    QStringList Pictures;

    // Gives the keys to where the customer carries on on the page shown.
    void FocusCurrentPage();

protected:
    void showEvent(QShowEvent* aEvent) override;
    void hideEvent(QHideEvent* aEvent) override;
    void closeEvent(QCloseEvent* aEvent) override;
    void changeEvent(QEvent* aEvent) override;
    void keyPressEvent(QKeyEvent* aEvent) override;
    bool eventFilter(QObject* aWatched, QEvent* aEvent) override;
    void resizeEvent(QResizeEvent* aEvent) override;
    void moveEvent(QMoveEvent* aEvent) override;

private:
    void CreateHeader();
    void CreateLoginPages();
    void CreateAccountCreationPanel();
    void CreateUserConnectedPanel();
    QWidget* CreateGeneralPage();
    QWidget* CreateProfilePage();
    void CreateAdvertBrowser(const QStringList& aArguments);
    void SleepAdvertIfHidden();
    void PlaceAdvert();
    void WireControls();
    QLineEdit* AddLabeledEdit(class QGridLayout* aGrid, const QString& aName, const char* aLabel,
                              int aMaxLength, QChar aMask = QChar());
    void CoverDesktop();
    void LockDown();

    void ButtonOpenTicketClick();
    void ButtonOpenAccountClick();
    void LabelRetrievePasswordClick();
    void ShowRetrievePassword(bool aShow);
    void ButtonDoRetrievePasswordClick();
    void LabelCreateAccountClick();
    void ButtonAccountCreateExecuteClick();
    bool CheckAccountCreation();
    void ButtonAccountCreateCancelClick();
    void ButtonCloseUserConnectionClick();
    void ButtonOpenSessionClick(int aTag);
    bool TicketUsableNow(TDateTime aNow);
    bool AccountUsableNow(TDateTime aNow);
    void ButtonReloadCreditClick();
    void ButtonUpdateProfileClick();
    void ButtonUpdatePasswordClick();
    void SendAccountUpdate();
    void SwitchLanguage(const QString& aLanguage);
    void RefreshIndicator();
    void PageControlChanging(int aIndex);
    void PageControlUserConnectedChange(int aIndex);
    void TimerMinuteTimer();
    void TimerMyScreenSaverTimer();
    void TimerChangePictureTimer();
    void LoadPicture(const QString& aFile);
    void MaintenanceGesture(QMouseEvent* aEvent);
    void ExitHotKey();
    void RefreshTicketPanel();
    void RefreshAccountPanel();
    void RefreshLocalAccountPanel();
    void FillProfile();
    QString DateText(TDateTime aValue, const QString& aFormat) const;
    void ShowExpiry(TDateTime aExpiry, bool aNeverExpires);

    TZRVFormTexts fTexts;
    bool fWindowed;
    bool fStayOnTop = true;
    bool fSaverHidPages = false;
    int fPictureIndex = 0;
    int fLastPage = 0;
    TZRVRequest fLastRequest = rqNone;
    QString fLastLoginName;
    QString fDefaultPage;
    std::unique_ptr<QWebEngineView> fAdvertView; // the advertisement page, a window of its own
};

extern TfrmClient* frmClient;
