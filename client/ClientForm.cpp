#include "ClientForm.h"

#include "ClientSystem.h"
#include "MainForm.h"
#include "Popup.h"
#include "PrjConst.h"
#include "TaskbarForm.h"

#include "KLocalizerOnFly.h"

#include "ZRVFunctions.h"
#include "platform/ZRVFolders.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#ifdef ZRV_WITH_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>
#endif

TfrmClient* frmClient = nullptr;

using namespace PrjConst;

namespace {

const QString c_Unit = QStringLiteral("ClientForm");
const QStringList c_PictureExtensions = {
    QStringLiteral(".bmp"), QStringLiteral(".jpg"), QStringLiteral(".jpeg"), QStringLiteral(".gif"),
    QStringLiteral(".apf"), QStringLiteral(".emf"), QStringLiteral(".wmf")};
const char* const c_DayNames[] = {c_Monday, c_Tuesday,  c_Wednesday, c_Thursday,
                                  c_Friday, c_Saturday, c_Sunday};
const QString c_LongDateTime = QStringLiteral("dddd dd MMMM yyyy  HH:mm:ss");

QString DayName(int aDay) {
    return aDay >= 1 && aDay <= 7 ? Tr(c_DayNames[aDay - 1]) : QString();
}

TZRVUserConnection* User() {
    return frmMain->ZRVClientConnection->UserConnection();
}

TZRVUserSession* Session() {
    return User()->Session();
}

// The session's present: the server's clock as the workstation mirrors it.
TDateTime SessionNow() {
    const TZRVServerTimerSync* timer = Session()->STimer();
    return timer ? timer->sDateTime() : Now();
}

// A date is past once the day after it has begun.
bool Past(TDateTime aDate, TDateTime aNow) {
    return DateOf(aNow) > DateOf(aDate);
}

void ClearEdits(QWidget* aParent) {
    for (QLineEdit* edit : aParent->findChildren<QLineEdit*>())
        edit->clear();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Small controls

TZRVShape::TZRVShape(QWidget* aParent) : QFrame(aParent) {
    setFixedSize(18, 18);
    setFrameShape(QFrame::Box);
    SetBackgroundColor(this, ZRVColor::Red);
    setCursor(Qt::PointingHandCursor);
}

void TZRVShape::mousePressEvent(QMouseEvent* aEvent) {
    QFrame::mousePressEvent(aEvent);
    emit clicked();
}

TZRVLinkLabel::TZRVLinkLabel(QWidget* aParent) : QLabel(aParent) {
    setCursor(Qt::PointingHandCursor);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
}

void TZRVLinkLabel::enterEvent(QEnterEvent* aEvent) {
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    QLabel::enterEvent(aEvent);
}

void TZRVLinkLabel::leaveEvent(QEvent* aEvent) {
    QFont normal = font();
    normal.setBold(false);
    setFont(normal);
    QLabel::leaveEvent(aEvent);
}

void TZRVLinkLabel::mouseReleaseEvent(QMouseEvent* aEvent) {
    QLabel::mouseReleaseEvent(aEvent);
    emit clicked();
}

// ---------------------------------------------------------------------------------------------
// Creation

TfrmClient::TfrmClient(const QStringList& aArguments, bool aWindowed, QWidget* aParent)
    : QWidget(aParent), ZRVClientConfig(new TZRVClientConfig(this)), TimerClearInfos(new QTimer(this)),
      TimerMyScreenSaver(new QTimer(this)), TimerMinute(new QTimer(this)),
      TimerChangePicture(new QTimer(this)), fWindowed(aWindowed) {
    frmClient = this;
    setObjectName(QStringLiteral("frmClient"));
    if (aWindowed)
        resize(1024, 720);
    else
        setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    SetBackgroundColor(this, ZRVColor::Black);
    ImageBkg = new QLabel(this);
    ImageBkg->setObjectName(QStringLiteral("ImageBkg"));
    ImageBkg->setScaledContents(true);
    ImageBkg->setMouseTracking(true);
    ImageBkg->lower();

    auto* layout = new QVBoxLayout(this);
    CreateHeader();
    layout->addWidget(PanelInfos);
    LabelInfos = new QLabel(this);
    LabelInfos->setObjectName(QStringLiteral("LabelInfos"));
    LabelInfos->setAlignment(Qt::AlignCenter);
    LabelInfos->setWordWrap(true);
    layout->addWidget(LabelInfos);
    CreateLoginPages();
    CreateAccountCreationPanel();
    CreateUserConnectedPanel();
    auto* center = new QHBoxLayout;
    center->addStretch(1);
    center->addWidget(PageControl);
    center->addWidget(PanelAccountCreation);
    center->addWidget(PanelUserConnected, 4);
    center->addStretch(1);
    layout->addStretch(1);
    layout->addLayout(center);
    layout->addStretch(2);

    TimerClearInfos->setInterval(5000);
    TimerClearInfos->setSingleShot(true);
    TimerMyScreenSaver->setInterval(60000);
    TimerMinute->setInterval(1000);
    TimerChangePicture->setInterval(1000);
    WireControls();

    // A new display size: the lock screen covers it again and the task bar takes its new place.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        connect(screen, &QScreen::virtualGeometryChanged, this, [this] {
            CoverDesktop();
            frmTaskBar->PlaceBar();
        });
    CoverDesktop();
    PageControlUserConnected->setCurrentIndex(0);
    fStayOnTop = true;
    InitPictureList();
    CheckBoxCodeVisible->setChecked(false);
    CreateAdvertBrowser(aArguments);
    TimerMinute->start();
    TimerMinuteTimer();
}

TfrmClient::~TfrmClient() {
    // The advertisement window goes first, while the form it reports to is whole.
    if (fAdvertView) {
        fAdvertView->removeEventFilter(this);
        fAdvertView->disconnect(this);
        fAdvertView.reset();
    }
    FreePictureList();
    frmClient = nullptr;
}

QLineEdit* TfrmClient::AddLabeledEdit(QGridLayout* aGrid, const QString& aName, const char* aLabel,
                                      int aMaxLength, QChar aMask) {
    auto* edit = new QLineEdit;
    edit->setObjectName(aName);
    edit->setMaxLength(aMaxLength);
    if (!aMask.isNull()) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setStyleSheet(QStringLiteral("lineedit-password-character: %1").arg(aMask.unicode()));
    }
    auto* label = new QLabel;
    label->setObjectName(aName + QStringLiteral("Label"));
    label->setBuddy(edit);
    fTexts.Text(label, aLabel);
    const int row = aGrid->rowCount();
    aGrid->addWidget(label, row, 0);
    aGrid->addWidget(edit, row, 1);
    return edit;
}

void TfrmClient::CreateHeader() {
    PanelInfos = new QFrame(this);
    PanelInfos->setObjectName(QStringLiteral("PanelInfos"));
    PanelInfos->setFrameShape(QFrame::StyledPanel);
    SetBackgroundColor(PanelInfos, ZRVColor::White);
    const auto label = [this](const QString& aName) {
        auto* l = new QLabel(PanelInfos);
        l->setObjectName(aName);
        return l;
    };
    PanelInfosCaption = label(QStringLiteral("PanelInfosCaption"));
    QFont big = PanelInfosCaption->font();
    big.setPointSize(18);
    big.setBold(true);
    PanelInfosCaption->setFont(big);
    LabelCompanyAddress = label(QStringLiteral("LabelCompanyAddress"));
    LabelCompanyTel = label(QStringLiteral("LabelCompanyTel"));
    LabelCompanyBp = label(QStringLiteral("LabelCompanyBp"));
    LabelCompanyMail = label(QStringLiteral("LabelCompanyMail"));
    LabelProduct = label(QStringLiteral("LabelProduct"));
    LabelWorkstationName = label(QStringLiteral("LabelWorkstationName"));
    LabelDateTime = label(QStringLiteral("LabelDateTime"));
    img_additional_logo = label(QStringLiteral("img_additional_logo"));
    ShapeConnectState = new TZRVShape(PanelInfos);
    ShapeConnectState->setObjectName(QStringLiteral("ShapeConnectState"));
    sb_french = new QToolButton(PanelInfos);
    sb_french->setObjectName(QStringLiteral("sb_french"));
    sb_french->setText(QString::fromUtf8(c_French));
    sb_english = new QToolButton(PanelInfos);
    sb_english->setObjectName(QStringLiteral("sb_english"));
    sb_english->setText(QString::fromLatin1(c_English));

    auto* grid = new QGridLayout(PanelInfos);
    grid->addWidget(PanelInfosCaption, 0, 0, 1, 2);
    grid->addWidget(LabelCompanyAddress, 1, 0);
    grid->addWidget(LabelCompanyTel, 2, 0);
    grid->addWidget(LabelCompanyBp, 3, 0);
    grid->addWidget(LabelCompanyMail, 4, 0);
    grid->addWidget(LabelProduct, 5, 0, 1, 2);
    grid->addWidget(img_additional_logo, 0, 2, 3, 1);
    auto* right = new QHBoxLayout;
    right->addWidget(ShapeConnectState);
    right->addWidget(LabelWorkstationName);
    right->addWidget(sb_french);
    right->addWidget(sb_english);
    grid->addLayout(right, 0, 3);
    grid->addWidget(LabelDateTime, 1, 3);
    grid->setColumnStretch(1, 1);

    PanelInfosCaption->setText(Tr(c_CompanyNamePlaceholder));
    fTexts.Text(LabelProduct, c_ProductLine);
    fTexts.ToolTip(ShapeConnectState, c_ConnectStateHint);
}

void TfrmClient::CreateLoginPages() {
    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setMinimumWidth(460);

    TabSheetTicketOpenning = new QWidget;
    TabSheetTicketOpenning->setObjectName(QStringLiteral("TabSheetTicketOpenning"));
    auto* ticket = new QGridLayout(TabSheetTicketOpenning);
    LabeledEditTicketCode =
        AddLabeledEdit(ticket, QStringLiteral("LabeledEditTicketCode"), c_TicketCode, 20, u'X');
    ButtonOpenTicket = new QPushButton;
    ButtonOpenTicket->setObjectName(QStringLiteral("ButtonOpenTicket"));
    ButtonOpenTicket->setDefault(true);
    ticket->addWidget(ButtonOpenTicket, ticket->rowCount(), 1, Qt::AlignRight);
    LabelCreateAccount = new TZRVLinkLabel;
    LabelCreateAccount->setObjectName(QStringLiteral("LabelCreateAccount"));
    CheckBoxCodeVisible = new QCheckBox;
    CheckBoxCodeVisible->setObjectName(QStringLiteral("CheckBoxCodeVisible"));
    CheckBoxCodeVisible->hide();
    ticket->addWidget(LabelCreateAccount, ticket->rowCount(), 0);
    ticket->addWidget(CheckBoxCodeVisible, ticket->rowCount(), 0);
    PageControl->addTab(TabSheetTicketOpenning, QString());

    TabSheetAccountOpenning = new QWidget;
    TabSheetAccountOpenning->setObjectName(QStringLiteral("TabSheetAccountOpenning"));
    auto* account = new QGridLayout(TabSheetAccountOpenning);
    LabeledEditAccountName =
        AddLabeledEdit(account, QStringLiteral("LabeledEditAccountName"), c_AccountName, 20);
    LabeledEditAccountPassword =
        AddLabeledEdit(account, QStringLiteral("LabeledEditAccountPassword"), c_Password, 20, u'*');
    ButtonOpenAccount = new QPushButton;
    ButtonOpenAccount->setObjectName(QStringLiteral("ButtonOpenAccount"));
    ButtonOpenAccount->setDefault(true);
    account->addWidget(ButtonOpenAccount, account->rowCount(), 1, Qt::AlignRight);
    LabelRetrievePassword = new TZRVLinkLabel;
    LabelRetrievePassword->setObjectName(QStringLiteral("LabelRetrievePassword"));
    LabelRetrievePassword->hide();
    account->addWidget(LabelRetrievePassword, account->rowCount(), 0, 1, 2);
    PageControl->addTab(TabSheetAccountOpenning, QString());

    TabSheetRetrievePassword = new QWidget;
    TabSheetRetrievePassword->setObjectName(QStringLiteral("TabSheetRetrievePassword"));
    auto* retrieve = new QGridLayout(TabSheetRetrievePassword);
    LabeledEditRetrievePasswordAccountName =
        AddLabeledEdit(retrieve, QStringLiteral("LabeledEditRetrievePasswordAccountName"), c_AccountName, 20);
    LabelRetrievePasswordSecretQuestion = new TZRVLinkLabel;
    LabelRetrievePasswordSecretQuestion->setObjectName(QStringLiteral("LabelRetrievePasswordSecretQuestion"));
    ComboBoxRetrievePasswordSecretQuestions = new QComboBox;
    ComboBoxRetrievePasswordSecretQuestions->setObjectName(
        QStringLiteral("ComboBoxRetrievePasswordSecretQuestions"));
    const int row = retrieve->rowCount();
    retrieve->addWidget(LabelRetrievePasswordSecretQuestion, row, 0);
    retrieve->addWidget(ComboBoxRetrievePasswordSecretQuestions, row, 1);
    LabeledEditRetrievePasswordSecretAnswer = AddLabeledEdit(
        retrieve, QStringLiteral("LabeledEditRetrievePasswordSecretAnswer"), c_SecretAnswer, 50);
    ButtonDoRetrievePassword = new QPushButton;
    ButtonDoRetrievePassword->setObjectName(QStringLiteral("ButtonDoRetrievePassword"));
    ButtonDoRetrievePassword->setDefault(true);
    ButtonCancelRetrievePassword = new QPushButton;
    ButtonCancelRetrievePassword->setObjectName(QStringLiteral("ButtonCancelRetrievePassword"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonDoRetrievePassword);
    buttons->addWidget(ButtonCancelRetrievePassword);
    retrieve->addLayout(buttons, retrieve->rowCount(), 0, 1, 2);
    PageControl->addTab(TabSheetRetrievePassword, QString());
    PageControl->setTabVisible(PageControl->indexOf(TabSheetRetrievePassword), false);

    fTexts.Tab(PageControl, TabSheetTicketOpenning, c_TabTicket);
    fTexts.Tab(PageControl, TabSheetAccountOpenning, c_TabAccount);
    fTexts.Tab(PageControl, TabSheetRetrievePassword, c_TabRetrievePassword);
    fTexts.Text(ButtonOpenTicket, c_ButtonConnection);
    fTexts.Text(LabelCreateAccount, c_CreateAccountLink);
    fTexts.Text(CheckBoxCodeVisible, c_ShowCode);
    fTexts.Text(ButtonOpenAccount, c_ButtonConnection);
    fTexts.Text(LabelRetrievePassword, c_ForgottenPasswordLink);
    fTexts.Text(LabelRetrievePasswordSecretQuestion, c_SecretQuestion);
    fTexts.Text(ButtonDoRetrievePassword, c_ButtonVerify);
    fTexts.Text(ButtonCancelRetrievePassword, c_ButtonCancel);
}

void TfrmClient::CreateAccountCreationPanel() {
    PanelAccountCreation = new QFrame(this);
    PanelAccountCreation->setObjectName(QStringLiteral("PanelAccountCreation"));
    PanelAccountCreation->setFrameShape(QFrame::StyledPanel);
    SetBackgroundColor(PanelAccountCreation, ZRVColor::White);
    PanelAccountCreation->hide();
    const auto group = [this](const QString& aName, const char* aTitle) {
        auto* box = new QGroupBox(PanelAccountCreation);
        box->setObjectName(aName);
        fTexts.Title(box, aTitle);
        return box;
    };
    QGroupBox* user = group(QStringLiteral("GroupBoxUser"), c_GroupUser);
    auto* userGrid = new QGridLayout(user);
    LabeledEditFirstName =
        AddLabeledEdit(userGrid, QStringLiteral("LabeledEditFirstName"), c_FirstNameBox, 20);
    LabeledEditSecondName =
        AddLabeledEdit(userGrid, QStringLiteral("LabeledEditSecondName"), c_SecondNameBox, 20);
    LabeledEditEmail = AddLabeledEdit(userGrid, QStringLiteral("LabeledEditEmail"), c_EmailBox, 50);
    LabeledEditPhone = AddLabeledEdit(userGrid, QStringLiteral("LabeledEditPhone"), c_PhoneBox, 10);

    QGroupBox* account = group(QStringLiteral("GroupBoxAccount"), c_GroupAccount);
    auto* accountGrid = new QGridLayout(account);
    LabeledEditACName = AddLabeledEdit(accountGrid, QStringLiteral("LabeledEditACName"), c_ACName, 20);
    LabeledEditACPassword =
        AddLabeledEdit(accountGrid, QStringLiteral("LabeledEditACPassword"), c_ACPassword, 20, u'*');
    LabeledEditVerifyPassword =
        AddLabeledEdit(accountGrid, QStringLiteral("LabeledEditVerifyPassword"), c_VerifyPassword, 20, u'*');
    ComboBoxSecretQuestion = new QComboBox;
    ComboBoxSecretQuestion->setObjectName(QStringLiteral("ComboBoxSecretQuestion"));
    ComboBoxSecretQuestion->setEditable(true);
    ComboBoxSecretQuestion->lineEdit()->setMaxLength(50);
    auto* questionLabel = new QLabel;
    questionLabel->setObjectName(QStringLiteral("ComboBoxSecretQuestionLabel"));
    questionLabel->setBuddy(ComboBoxSecretQuestion);
    fTexts.Text(questionLabel, c_ACSecretQuestion);
    const int row = accountGrid->rowCount();
    accountGrid->addWidget(questionLabel, row, 0);
    accountGrid->addWidget(ComboBoxSecretQuestion, row, 1);
    LabeledEditSecretAnswer =
        AddLabeledEdit(accountGrid, QStringLiteral("LabeledEditSecretAnswer"), c_ACSecretAnswer, 50);

    QGroupBox* discussion = group(QStringLiteral("GroupBoxDiscussion"), c_GroupDiscussion);
    auto* discussionGrid = new QGridLayout(discussion);
    LabeledEditPseudo = AddLabeledEdit(discussionGrid, QStringLiteral("LabeledEditPseudo"), c_Pseudo, 20);
    LabeledEditOld = AddLabeledEdit(discussionGrid, QStringLiteral("LabeledEditOld"), c_Age, 2);
    LabeledEditOld->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,2}")), LabeledEditOld));
    ComboBoxSex = new QComboBox;
    ComboBoxSex->setObjectName(QStringLiteral("ComboBoxSex"));
    auto* sexLabel = new QLabel;
    sexLabel->setObjectName(QStringLiteral("ComboBoxSexLabel"));
    sexLabel->setBuddy(ComboBoxSex);
    fTexts.Text(sexLabel, c_Sex);
    const int sexRow = discussionGrid->rowCount();
    discussionGrid->addWidget(sexLabel, sexRow, 0);
    discussionGrid->addWidget(ComboBoxSex, sexRow, 1);
    LabeledEditDescription =
        AddLabeledEdit(discussionGrid, QStringLiteral("LabeledEditDescription"), c_Description, 50);

    ButtonAccountCreateExecute = new QPushButton;
    ButtonAccountCreateExecute->setObjectName(QStringLiteral("ButtonAccountCreateExecute"));
    ButtonAccountCreateExecute->setDefault(true);
    ButtonAccountCreateCancel = new QPushButton;
    ButtonAccountCreateCancel->setObjectName(QStringLiteral("ButtonAccountCreateCancel"));
    fTexts.Text(ButtonAccountCreateExecute, c_ButtonCreate);
    fTexts.Text(ButtonAccountCreateCancel, c_ButtonCancel);
    fTexts.Items(ComboBoxSex, {c_SexNone, c_SexMale, c_SexFemale, c_SexCouple});

    auto* layout = new QGridLayout(PanelAccountCreation);
    layout->addWidget(user, 0, 0);
    layout->addWidget(discussion, 1, 0);
    layout->addWidget(account, 0, 1, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonAccountCreateExecute);
    buttons->addWidget(ButtonAccountCreateCancel);
    layout->addLayout(buttons, 2, 0, 1, 2);
}

void TfrmClient::CreateUserConnectedPanel() {
    PanelUserConnected = new QFrame(this);
    PanelUserConnected->setObjectName(QStringLiteral("PanelUserConnected"));
    PanelUserConnected->hide();
    PanelConnectInfos = new QFrame(PanelUserConnected);
    PanelConnectInfos->setObjectName(QStringLiteral("PanelConnectInfos"));
    PanelConnectInfos->setFrameShape(QFrame::StyledPanel);
    SetBackgroundColor(PanelConnectInfos, ZRVColor::White);

    PageControlUserConnected = new QTabWidget(PanelConnectInfos);
    PageControlUserConnected->setObjectName(QStringLiteral("PageControlUserConnected"));
    TabSheetGeneral = CreateGeneralPage();
    PageControlUserConnected->addTab(TabSheetGeneral, QString());

    TabSheetReloadCredit = new QWidget;
    TabSheetReloadCredit->setObjectName(QStringLiteral("TabSheetReloadCredit"));
    auto* reload = new QGridLayout(TabSheetReloadCredit);
    LabeledEditReloadCode = AddLabeledEdit(reload, QStringLiteral("LabeledEditReloadCode"), c_ReloadCode, 20);
    ButtonReloadCredit = new QPushButton;
    ButtonReloadCredit->setObjectName(QStringLiteral("ButtonReloadCredit"));
    reload->addWidget(ButtonReloadCredit, reload->rowCount(), 1, Qt::AlignRight);
    reload->setRowStretch(reload->rowCount(), 1);
    PageControlUserConnected->addTab(TabSheetReloadCredit, QString());

    TabSheetCreditTransfert = new QWidget;
    TabSheetCreditTransfert->setObjectName(QStringLiteral("TabSheetCreditTransfert"));
    PageControlUserConnected->addTab(TabSheetCreditTransfert, QString());
    PageControlUserConnected->setTabVisible(PageControlUserConnected->indexOf(TabSheetCreditTransfert),
                                            false);

    TabSheetEditUserInfos = CreateProfilePage();
    PageControlUserConnected->addTab(TabSheetEditUserInfos, QString());

    TabSheetAboutLumera = new QWidget;
    TabSheetAboutLumera->setObjectName(QStringLiteral("TabSheetAboutLumera"));
    ImageAboutLumera = new QLabel(TabSheetAboutLumera);
    ImageAboutLumera->setObjectName(QStringLiteral("ImageAboutLumera"));
    ImageAboutLumera->setWordWrap(true);
    ImageAboutLumera->setAlignment(Qt::AlignCenter);
    (new QVBoxLayout(TabSheetAboutLumera))->addWidget(ImageAboutLumera);
    PageControlUserConnected->addTab(TabSheetAboutLumera, QString());

    ButtonCloseUserConnection = new QPushButton(PanelConnectInfos);
    ButtonCloseUserConnection->setObjectName(QStringLiteral("ButtonCloseUserConnection"));
    ButtonContinueSession = new QPushButton(PanelConnectInfos);
    ButtonContinueSession->setObjectName(QStringLiteral("ButtonContinueSession"));
    ButtonContinueSession->setDefault(true);
    ButtonOpenSession = new QPushButton(PanelConnectInfos);
    ButtonOpenSession->setObjectName(QStringLiteral("ButtonOpenSession"));

    auto* infos = new QVBoxLayout(PanelConnectInfos);
    infos->addWidget(PageControlUserConnected);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonCloseUserConnection);
    buttons->addStretch(1);
    buttons->addWidget(ButtonContinueSession);
    buttons->addWidget(ButtonOpenSession);
    infos->addLayout(buttons);

    WebBrowserAdvert = new QWidget(PanelUserConnected);
    WebBrowserAdvert->setObjectName(QStringLiteral("WebBrowserAdvert"));
    WebBrowserAdvert->hide();
    auto* layout = new QHBoxLayout(PanelUserConnected);
    layout->addWidget(WebBrowserAdvert, 3);
    layout->addWidget(PanelConnectInfos, 2);

    fTexts.Tab(PageControlUserConnected, TabSheetGeneral, c_TabGeneral);
    fTexts.Tab(PageControlUserConnected, TabSheetReloadCredit, c_TabReloadCredit);
    fTexts.Tab(PageControlUserConnected, TabSheetCreditTransfert, c_TabCreditTransfer);
    fTexts.Tab(PageControlUserConnected, TabSheetEditUserInfos, c_TabEditUserInfos);
    fTexts.Tab(PageControlUserConnected, TabSheetAboutLumera, c_TabAbout);
    fTexts.Text(ButtonReloadCredit, c_ButtonExecuteReload);
    fTexts.Text(ImageAboutLumera, c_AboutText);
    fTexts.Text(ButtonCloseUserConnection, c_ButtonLogOut);
    fTexts.Text(ButtonContinueSession, c_ButtonContinueSession);
    fTexts.Text(ButtonOpenSession, c_ButtonOpenSession);
}

QWidget* TfrmClient::CreateGeneralPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetGeneral"));
    auto* grid = new QGridLayout(page);
    const auto value = [page](const QString& aName) {
        auto* l = new QLabel(page);
        l->setObjectName(aName);
        return l;
    };
    LabelUser = value(QStringLiteral("LabelUser"));
    LabelUserType = value(QStringLiteral("LabelUserType"));
    LabelHourFormula = value(QStringLiteral("LabelHourFormula"));
    QFont bold = LabelUser->font();
    bold.setBold(true);
    LabelUser->setFont(bold);
    grid->addWidget(LabelUser, 0, 0, 1, 2);
    grid->addWidget(LabelUserType, 1, 0, 1, 2);
    grid->addWidget(LabelHourFormula, 2, 0, 1, 2);
    const std::pair<QLabel**, std::pair<const char*, const char*>> rows[] = {
        {&LabelCurrentCredit, {"LabelCurrentCredit", c_CreditTime}},
        {&LabelExpireDate, {"LabelExpireDate", c_ExpireDate}},
        {&LabelCreationDate, {"LabelCreationDate", c_CreationDate}},
        {&LabelLastUseDate, {"LabelLastUseDate", c_LastUseDate}},
        {&LabelLastUseTime, {"LabelLastUseTime", c_LastUseTime}},
        {&LabelCreditTotal, {"LabelCreditTotal", c_CreditTotal}}};
    for (const auto& [field, names] : rows) {
        const QString name = QString::fromLatin1(names.first);
        auto* caption = value(name + QStringLiteral("Caption"));
        fTexts.Text(caption, names.second);
        *field = value(name);
        const int row = grid->rowCount();
        grid->addWidget(caption, row, 0);
        grid->addWidget(*field, row, 1);
    }
    auto* urlsLabel = value(QStringLiteral("ComboBoxUrlsLabel"));
    fTexts.Text(urlsLabel, c_StartPage);
    ComboBoxUrls = new QComboBox(page);
    ComboBoxUrls->setObjectName(QStringLiteral("ComboBoxUrls"));
    ComboBoxUrls->setEditable(true);
    urlsLabel->setBuddy(ComboBoxUrls);
    grid->addWidget(urlsLabel, grid->rowCount(), 0, 1, 2);
    grid->addWidget(ComboBoxUrls, grid->rowCount(), 0, 1, 2);
    grid->setRowStretch(grid->rowCount(), 1);
    return page;
}

QWidget* TfrmClient::CreateProfilePage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetEditUserInfos"));
    auto* grid = new QGridLayout(page);
    LabeledEditProfil_Nom =
        AddLabeledEdit(grid, QStringLiteral("LabeledEditProfil_Nom"), c_ProfileSecondName, 20);
    LabeledEditProfil_Prenom =
        AddLabeledEdit(grid, QStringLiteral("LabeledEditProfil_Prenom"), c_ProfileFirstName, 20);
    LabeledEditProfil_Email =
        AddLabeledEdit(grid, QStringLiteral("LabeledEditProfil_Email"), c_ProfileEmail, 50);
    LabeledEditProfil_Telephone =
        AddLabeledEdit(grid, QStringLiteral("LabeledEditProfil_Telephone"), c_ProfilePhone, 10);
    ButtonUpdateProfile = new QPushButton;
    ButtonUpdateProfile->setObjectName(QStringLiteral("ButtonUpdateProfile"));
    grid->addWidget(ButtonUpdateProfile, grid->rowCount(), 1, Qt::AlignRight);
    LabeledEditProfil_OldPwd =
        AddLabeledEdit(grid, QStringLiteral("LabeledEditProfil_OldPwd"), c_ProfileOldPassword, 20, u'*');
    LabeledEditProfil_NewPwd =
        AddLabeledEdit(grid, QStringLiteral("LabeledEditProfil_NewPwd"), c_ProfileNewPassword, 20, u'*');
    LabeledEditProfil_ConfirmPwd = AddLabeledEdit(grid, QStringLiteral("LabeledEditProfil_ConfirmPwd"),
                                                  c_ProfileConfirmPassword, 20, u'*');
    ButtonUpdatePassword = new QPushButton;
    ButtonUpdatePassword->setObjectName(QStringLiteral("ButtonUpdatePassword"));
    grid->addWidget(ButtonUpdatePassword, grid->rowCount(), 1, Qt::AlignRight);
    fTexts.Text(ButtonUpdateProfile, c_ButtonUpdate);
    fTexts.Text(ButtonUpdatePassword, c_ButtonUpdate);
    return page;
}

void TfrmClient::CreateAdvertBrowser(const QStringList& aArguments) {
    // Compared as typed: only "showbrowser" shows the advertisement page.
    if (aArguments.value(0) != QStringLiteral("showbrowser"))
        return;
#ifdef ZRV_WITH_WEBENGINE
    // The page is a window of its own laid over the panel's place for it, not a child widget: a web
    // view makes Qt compose every window above it in the widget tree through OpenGL at every
    // repaint, and the lock screen repaints its clock and its caret all day.
    fAdvertView = std::make_unique<QWebEngineView>();
    fAdvertView->setObjectName(QStringLiteral("WebBrowserAdvertView"));
    // A tool window, so that it stays with the lock screen (above it) and out of the task lists.
    fAdvertView->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    fDefaultPage = QUrl::fromLocalFile(ZRVDataFolder() + QStringLiteral("/Client.htm")).toString();
    // A local page that cannot be shown gives way to the default page (but never loops on it).
    connect(fAdvertView.get(), &QWebEngineView::loadFinished, this, [this](bool aOk) {
        const QString failed = fAdvertView->url().toString().toLower();
        if (!aOk && failed.contains(QStringLiteral("file:///")) && failed != fDefaultPage.toLower())
            fAdvertView->load(QUrl(fDefaultPage));
        else
            SleepAdvertIfHidden();
    });
    WebBrowserAdvert->installEventFilter(this);
    fAdvertView->installEventFilter(this);
    WebBrowserAdvert->show();
#endif
}

// The advertisement page sleeps while it cannot be seen: on the login pages and during a session.
void TfrmClient::SleepAdvertIfHidden() {
#ifdef ZRV_WITH_WEBENGINE
    if (fAdvertView && !WebBrowserAdvert->isVisible())
        fAdvertView->page()->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
#endif
}

// The advertisement window follows its place on the panel: shown, hidden, moved and sized with it.
void TfrmClient::PlaceAdvert() {
#ifdef ZRV_WITH_WEBENGINE
    if (!fAdvertView)
        return;
    if (!WebBrowserAdvert->isVisible()) {
        fAdvertView->hide();
        // The page learns that it is hidden once the hiding is done.
        QTimer::singleShot(0, this, &TfrmClient::SleepAdvertIfHidden);
        return;
    }
    fAdvertView->setGeometry(QRect(WebBrowserAdvert->mapToGlobal(QPoint(0, 0)), WebBrowserAdvert->size()));
    if (fAdvertView->isHidden()) {
        fAdvertView->show();
        // The page loads the first time it shows.
        if (fAdvertView->url().isEmpty())
            fAdvertView->load(QUrl(fDefaultPage));
        else
            fAdvertView->page()->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    }
#endif
}

void TfrmClient::WireControls() {
    const auto click = [this](QPushButton* aButton, void (TfrmClient::*aHandler)()) {
        connect(aButton, &QPushButton::clicked, this,
                Guarded([this, aHandler](bool) { (this->*aHandler)(); }));
    };
    const auto enter = [this](QLineEdit* aEdit, QPushButton* aButton) {
        connect(aEdit, &QLineEdit::returnPressed, aButton, &QPushButton::click);
    };
    click(ButtonOpenTicket, &TfrmClient::ButtonOpenTicketClick);
    enter(LabeledEditTicketCode, ButtonOpenTicket);
    click(ButtonOpenAccount, &TfrmClient::ButtonOpenAccountClick);
    enter(LabeledEditAccountName, ButtonOpenAccount);
    enter(LabeledEditAccountPassword, ButtonOpenAccount);
    click(ButtonDoRetrievePassword, &TfrmClient::ButtonDoRetrievePasswordClick);
    enter(LabeledEditRetrievePasswordSecretAnswer, ButtonDoRetrievePassword);
    connect(ButtonCancelRetrievePassword, &QPushButton::clicked, this,
            [this] { ShowRetrievePassword(false); });
    click(ButtonAccountCreateExecute, &TfrmClient::ButtonAccountCreateExecuteClick);
    click(ButtonAccountCreateCancel, &TfrmClient::ButtonAccountCreateCancelClick);
    click(ButtonCloseUserConnection, &TfrmClient::ButtonCloseUserConnectionClick);
    connect(ButtonContinueSession, &QPushButton::clicked, this,
            Guarded([this](bool) { ButtonOpenSessionClick(0); }));
    connect(ButtonOpenSession, &QPushButton::clicked, this,
            Guarded([this](bool) { ButtonOpenSessionClick(1); }));
    // Enter in the reload code box runs the reload and goes no further.
    click(ButtonReloadCredit, &TfrmClient::ButtonReloadCreditClick);
    enter(LabeledEditReloadCode, ButtonReloadCredit);
    click(ButtonUpdateProfile, &TfrmClient::ButtonUpdateProfileClick);
    click(ButtonUpdatePassword, &TfrmClient::ButtonUpdatePasswordClick);

    connect(LabelCreateAccount, &TZRVLinkLabel::clicked, this,
            Guarded([this] { LabelCreateAccountClick(); }));
    connect(LabelRetrievePassword, &TZRVLinkLabel::clicked, this,
            Guarded([this] { LabelRetrievePasswordClick(); }));
    connect(LabelRetrievePasswordSecretQuestion, &TZRVLinkLabel::clicked, this,
            Guarded([this] { LabelRetrievePasswordClick(); }));
    connect(CheckBoxCodeVisible, &QCheckBox::toggled, this, [this](bool aVisible) {
        LabeledEditTicketCode->setEchoMode(aVisible ? QLineEdit::Normal : QLineEdit::Password);
    });
    connect(PageControl, &QTabWidget::currentChanged, this, &TfrmClient::PageControlChanging);
    connect(PageControlUserConnected, &QTabWidget::currentChanged, this,
            &TfrmClient::PageControlUserConnectedChange);
    connect(sb_french, &QToolButton::clicked, this,
            Guarded([this](bool) { SwitchLanguage(QStringLiteral("fr")); }));
    connect(sb_english, &QToolButton::clicked, this,
            Guarded([this](bool) { SwitchLanguage(QStringLiteral("en")); }));
    connect(ShapeConnectState, &TZRVShape::clicked, this, Guarded([this] { RefreshIndicator(); }));

    connect(TimerClearInfos, &QTimer::timeout, LabelInfos, &QLabel::clear);
    connect(TimerMyScreenSaver, &QTimer::timeout, this, &TfrmClient::TimerMyScreenSaverTimer);
    connect(TimerMinute, &QTimer::timeout, this, &TfrmClient::TimerMinuteTimer);
    connect(TimerChangePicture, &QTimer::timeout, this, &TfrmClient::TimerChangePictureTimer);

    // The exit keys, whichever box has the focus.
    const Qt::KeyboardModifiers held = Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;
    const QKeyCombination exitKeys[] = {QKeyCombination(held | Qt::KeypadModifier, Qt::Key_Minus),
                                        QKeyCombination(held, Qt::Key_Backspace),
                                        QKeyCombination(held, Qt::Key_F12)};
    for (const QKeyCombination keys : exitKeys)
        connect(new QShortcut(QKeySequence(keys), this), &QShortcut::activated, this,
                &TfrmClient::ExitHotKey);

    // Activity that ends the idle screen saver, and the hidden maintenance gesture.
    ImageBkg->installEventFilter(this);
    for (QWidget* page : {static_cast<QWidget*>(PageControl), TabSheetTicketOpenning, TabSheetAccountOpenning,
                          TabSheetRetrievePassword}) {
        page->setMouseTracking(true);
        page->installEventFilter(this);
    }
    ButtonOpenTicket->installEventFilter(this);
    ButtonOpenAccount->installEventFilter(this);
}

// ---------------------------------------------------------------------------------------------
// Showing, hiding and the window's behaviour

void TfrmClient::CoverDesktop() {
    if (fWindowed)
        return;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->virtualGeometry());
}

void TfrmClient::LockDown() {
    if (fWindowed)
        return;
    TZRVLockWindows& restrictions = *frmMain->ZRVLockWindows;
    if (!restrictions.LockAll())
        restrictions.LockAll();
}

void TfrmClient::showEvent(QShowEvent* aEvent) {
    QWidget::showEvent(aEvent);
    CoverDesktop();
    LockDown();
    ResetMyScreenSaver();
    raise();
    activateWindow();
    FocusCurrentPage();
    if (!fWindowed) {
        const auto window = TZRVWindowHandle(winId());
        Platform().Desktop().ForceForeground(window);
        Platform().Desktop().GrabInput(window);
    }
}

void TfrmClient::hideEvent(QHideEvent* aEvent) {
    QWidget::hideEvent(aEvent);
    if (aEvent->spontaneous())
        return;
    TimerMyScreenSaver->stop();
    if (!fWindowed)
        Platform().Desktop().ReleaseInput();
}

void TfrmClient::FormActivate() {
    CoverDesktop();
    RefreshHeaderInfos();
    RefreshAdditionalLogo();
    if (!Session()->Openned() && !frmMain->ZRVClientConnection->ShuttedDown())
        LockDown();
}

void TfrmClient::closeEvent(QCloseEvent* aEvent) {
    // The lock screen leaves only when a session starts or the module sleeps; closing its window
    // asks the program to quit.
    aEvent->ignore();
    frmMain->QuitRequested();
}

void TfrmClient::changeEvent(QEvent* aEvent) {
    if (aEvent->type() == QEvent::LanguageChange) {
        fTexts.Apply();
        LabelInfos->clear();
        RefreshHeaderInfos();
        TimerMinuteTimer();
        if (PanelUserConnected->isVisible())
            RefreshPanelUserConnected();
    } else if (aEvent->type() == QEvent::WindowStateChange && !fWindowed &&
               (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) {
        // Minimise and maximise are not for a lock screen.
        setWindowState(Qt::WindowNoState);
    }
    QWidget::changeEvent(aEvent);
}

void TfrmClient::keyPressEvent(QKeyEvent* aEvent) {
    ResetMyScreenSaver();
    if (aEvent->key() == Qt::Key_Escape) {
        for (QPushButton* cancel :
             {ButtonCancelRetrievePassword, ButtonAccountCreateCancel, ButtonCloseUserConnection})
            if (cancel->isVisible()) {
                cancel->click();
                return;
            }
    }
    QWidget::keyPressEvent(aEvent);
}

bool TfrmClient::eventFilter(QObject* aWatched, QEvent* aEvent) {
    const QEvent::Type type = aEvent->type();
    if (aWatched == WebBrowserAdvert &&
        (type == QEvent::Show || type == QEvent::Hide || type == QEvent::Move || type == QEvent::Resize))
        PlaceAdvert();
#ifdef ZRV_WITH_WEBENGINE
    // Kept above the lock screen. Qt makes the page's window anew when the web view first composes
    // through OpenGL, which forgets its transient parent: it is told again on every new window.
    if (fAdvertView && aWatched == fAdvertView.get() && type == QEvent::WinIdChange &&
        fAdvertView->windowHandle())
        fAdvertView->windowHandle()->setTransientParent(windowHandle());
#endif
    if (aWatched == ButtonOpenTicket || aWatched == ButtonOpenAccount) {
        if (type == QEvent::MouseButtonRelease)
            MaintenanceGesture(static_cast<QMouseEvent*>(aEvent));
    } else if (aWatched == ImageBkg) {
        if ((type == QEvent::MouseButtonPress || type == QEvent::MouseMove) &&
            !PanelUserConnected->isVisible() && !PanelAccountCreation->isVisible())
            ResetMyScreenSaver();
    } else if (type == QEvent::MouseMove) {
        ResetMyScreenSaver();
    }
    return QWidget::eventFilter(aWatched, aEvent);
}

void TfrmClient::resizeEvent(QResizeEvent* aEvent) {
    QWidget::resizeEvent(aEvent);
    ImageBkg->setGeometry(rect());
}

void TfrmClient::moveEvent(QMoveEvent* aEvent) {
    QWidget::moveEvent(aEvent);
    PlaceAdvert();
}

// The staff's way out: the right button released on a "&Connection" button while Ctrl, Alt and
// Shift are held.
void TfrmClient::MaintenanceGesture(QMouseEvent* aEvent) {
    const Qt::KeyboardModifiers all = Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;
    if (aEvent->button() == Qt::RightButton && (aEvent->modifiers() & all) == all)
        frmMain->CloseApp();
}

// The exit keys leave the program only from a local-account session, the café's own.
void TfrmClient::ExitHotKey() {
    if (User()->Connected() && Session()->SessionType() == stLocalAccount)
        frmMain->CloseApp();
}

// ---------------------------------------------------------------------------------------------
// Status line, header, indicator and language

void TfrmClient::ShowInfo(const QString& aInfo, quint32 aColor, int aSize, int aIcon) {
    LabelInfos->setText(aInfo);
    SetTextColor(LabelInfos, aColor);
    QFont font = LabelInfos->font();
    font.setPointSize(aSize);
    LabelInfos->setFont(font);
    TimerClearInfos->start();
    MessageBeep(aIcon);
}

void TfrmClient::ShowRequestFailure(const QString& aMessage) {
    // The server's refusals that are also texts of the program are shown in the chosen language.
    const QString text = Tr(aMessage.toUtf8().constData());
    if (fLastRequest == rqAccount && aMessage == QString::fromUtf8(c_WrongPassword)) {
        ShowInfo(text, ZRVColor::Red, 14, 0x30);
        LabelRetrievePassword->show();
    } else if (fLastRequest == rqRetrievePassword) {
        ShowInfo(text, ZRVColor::Red, 12, 0x10);
    } else {
        ShowInfo(text, ZRVColor::Red, 10);
    }
}

void TfrmClient::RefreshHeaderInfos() {
    LabelWorkstationName->setText(Platform().Machine().HostName().left(16));
    PanelInfosCaption->setText(ZRVClientConfig->UICompanyName());
    LabelCompanyAddress->setText(ZRVClientConfig->UIAddress());
    LabelCompanyTel->setText(Tr(c_Phone).arg(ZRVClientConfig->UIPhone()));
    LabelCompanyBp->setText(Tr(c_PoBox).arg(ZRVClientConfig->UIPoBox()));
    LabelCompanyMail->setText(ZRVClientConfig->UIEmail());
}

void TfrmClient::RefreshAdditionalLogo() {
    const QString logo = ZRVDataFolder() + QStringLiteral("/additional.png");
    QPixmap picture;
    if (QFile::exists(logo) && picture.load(logo))
        img_additional_logo->setPixmap(picture);
    else
        img_additional_logo->clear();
}

void TfrmClient::RefreshIndicator() {
    frmMain->RefreshIndicators();
}

void TfrmClient::SwitchLanguage(const QString& aLanguage) {
    TKLocalizerOnFly::SwitchToExt(aLanguage);
    RefreshHeaderInfos();
}

void TfrmClient::TimerMinuteTimer() {
    LabelDateTime->setText(TKLocalizerOnFly::Locale().toString(DateTimeToQDateTime(Now()),
                                                               QStringLiteral("dd MMM yyyy  HH:mm:ss")));
}

// ---------------------------------------------------------------------------------------------
// Background pictures and the idle screen saver

void TfrmClient::InitPictureList() {
    FreePictureList();
    const QDir folder(ZRVDataFolder() + QStringLiteral("/Pictures"));
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot >= 0 && c_PictureExtensions.contains(name.mid(dot)))
            Pictures.append(folder.filePath(name));
    }
    const int mode = ZRVClientConfig->BackgroundMode();
    if (mode == 1 && !Pictures.isEmpty()) {
        LoadPicture(Pictures.first());
        fPictureIndex = 0;
        TimerChangePicture->setInterval(std::max(1, ZRVClientConfig->DiaporamaDelay()));
        TimerChangePicture->start();
    } else if (mode == 0) {
        LoadPicture(ZRVClientConfig->SingleImageFile());
        TimerChangePicture->stop();
    } else {
        TimerChangePicture->start();
    }
}

void TfrmClient::FreePictureList() {
    Pictures.clear();
}

void TfrmClient::LoadPicture(const QString& aFile) {
    QPixmap picture;
    // A picture that cannot be read leaves the one shown.
    if (!aFile.isEmpty() && picture.load(aFile))
        ImageBkg->setPixmap(picture);
}

void TfrmClient::TimerChangePictureTimer() {
    const int mode = ZRVClientConfig->BackgroundMode();
    // With nothing to change the tick leaves the screen as it is.
    if (mode != 0 && (mode != 1 || Pictures.isEmpty()))
        return;
    ImageBkg->hide();
    if (mode == 1) {
        fPictureIndex = (fPictureIndex + 1) % int(Pictures.size());
        LoadPicture(Pictures[fPictureIndex]);
    } else {
        LoadPicture(ZRVClientConfig->SingleImageFile());
        TimerChangePicture->stop();
    }
    ImageBkg->show();
    ImageBkg->lower();
}

void TfrmClient::TimerMyScreenSaverTimer() {
    if (PageControl->isVisible()) {
        fSaverHidPages = true;
        PageControl->hide();
    }
    PanelInfos->hide();
}

void TfrmClient::ResetMyScreenSaver() {
    if (isVisible())
        TimerMyScreenSaver->start();
    if (fSaverHidPages) {
        PageControl->show();
        fSaverHidPages = false;
    }
    PanelInfos->show();
}

// ---------------------------------------------------------------------------------------------
// Logins

void TfrmClient::ButtonOpenTicketClick() {
    const QString code = LabeledEditTicketCode->text();
    if (code.isEmpty()) {
        ShowInfo(Tr(c_EmptyTicketCode), ZRVColor::Red, 14);
        LabeledEditTicketCode->setFocus();
        return;
    }
    if (!frmMain->ZRVClientConnection->Ready()) {
        ShowInfo(Tr(c_ServerUnreachable), ZRVColor::Red, 8);
        return;
    }
    try {
        fLastRequest = rqTicket;
        User()->OpenTicket(code);
        LabeledEditTicketCode->clear();
        ShowInfo(Tr(c_OpeningTicket), ZRVColor::Yellow, 12);
    } catch (const EZRVError&) {
        ShowInfo(Tr(c_StillRunning), ZRVColor::Red, 12);
    }
}

void TfrmClient::ButtonOpenAccountClick() {
    const QString name = LabeledEditAccountName->text();
    const QString password = LabeledEditAccountPassword->text();
    if (name.isEmpty()) {
        ShowInfo(Tr(c_EmptyAccountName), ZRVColor::Red, 14);
        LabeledEditAccountName->setFocus();
        return;
    }
    if (password.isEmpty()) {
        ShowInfo(Tr(c_EmptyPassword), ZRVColor::Red, 14);
        LabeledEditAccountPassword->setFocus();
        return;
    }
    fLastLoginName = name;
    if (!frmMain->ZRVClientConnection->Ready()) {
        // Without the server, the workstation's own accounts still open.
        if (!User()->OpenLocalAccount(name, password))
            ShowInfo(Tr(c_ServerUnreachable), ZRVColor::Red, 14);
        return;
    }
    try {
        fLastRequest = rqAccount;
        // The server checks the password and hands the account only to the one who knows it.
        User()->OpenAccount(name, password);
        ShowInfo(Tr(c_OpeningAccount), ZRVColor::Yellow, 12);
    } catch (const EZRVError&) {
        ShowInfo(Tr(c_StillRunning), ZRVColor::Red, 12);
    }
}

void TfrmClient::PageControlChanging(int aIndex) {
    const int left = fLastPage;
    fLastPage = aIndex;
    if (left == PageControl->indexOf(TabSheetTicketOpenning)) {
        LabeledEditTicketCode->clear();
    } else if (left == PageControl->indexOf(TabSheetAccountOpenning)) {
        LabeledEditAccountName->clear();
        LabeledEditAccountPassword->clear();
    }
    FocusCurrentPage();
}

// The customer carries on at once: the first box of the login page shown, or "Ouvrir une session"
// on the logged-in panel's general page, takes the keys.
void TfrmClient::FocusCurrentPage() {
    if (PanelUserConnected->isVisibleTo(this)) {
        if (PageControlUserConnected->currentWidget() == TabSheetGeneral)
            ButtonOpenSession->setFocus();
        return;
    }
    QWidget* page = PageControl->currentWidget();
    if (page == TabSheetTicketOpenning)
        LabeledEditTicketCode->setFocus();
    else if (page == TabSheetAccountOpenning)
        LabeledEditAccountName->setFocus();
}

void TfrmClient::ButtonCloseUserConnectionClick() {
    ClearTextFields();
    User()->Close();
}

void TfrmClient::ClearTextFields() {
    LabeledEditTicketCode->clear();
    LabeledEditAccountName->clear();
    LabeledEditAccountPassword->clear();
}

// ---------------------------------------------------------------------------------------------
// Password recovery

void TfrmClient::LabelRetrievePasswordClick() {
    if (!frmMain->ZRVClientConnection->Ready()) {
        ShowInfo(Tr(c_ServerRequiredRecovery), ZRVColor::Red, 10);
        return;
    }
    ShowRetrievePassword(true);
}

void TfrmClient::ShowRetrievePassword(bool aShow) {
    const int retrieve = PageControl->indexOf(TabSheetRetrievePassword);
    PageControl->setTabVisible(retrieve, aShow);
    if (aShow) {
        PageControl->setCurrentIndex(retrieve);
        LabeledEditRetrievePasswordAccountName->setText(fLastLoginName);
        LabeledEditRetrievePasswordSecretAnswer->clear();
        ComboBoxRetrievePasswordSecretQuestions->setCurrentIndex(-1);
    }
    PageControl->setTabVisible(PageControl->indexOf(TabSheetTicketOpenning), !aShow);
    PageControl->setTabVisible(PageControl->indexOf(TabSheetAccountOpenning), !aShow);
    if (!aShow)
        PageControl->setCurrentWidget(TabSheetAccountOpenning);
}

void TfrmClient::ButtonDoRetrievePasswordClick() {
    if (!frmMain->ZRVClientConnection->Ready()) {
        ShowInfo(Tr(c_ServerRequiredRecovery), ZRVColor::Red, 10);
        return;
    }
    // The server compares the question and the answer; the workstation never holds them.
    fLastRequest = rqRetrievePassword;
    User()->RetrievePassword(LabeledEditRetrievePasswordAccountName->text(),
                             ComboBoxRetrievePasswordSecretQuestions->currentText(),
                             LabeledEditRetrievePasswordSecretAnswer->text());
}

void TfrmClient::PasswordRetrieved(const QString& aPassword) {
    const QString name = LabeledEditRetrievePasswordAccountName->text();
    ShowRetrievePassword(false);
    LabeledEditAccountName->setText(name);
    LabeledEditAccountPassword->setText(aPassword);
    TZRVPopupInfos notice;
    notice.Title = QString::fromLatin1(c_NoticeTitle);
    notice.Msg = Tr(c_NoticePassword).arg(aPassword);
    notice.FontSize = 12;
    notice.FontBold = true;
    notice.FontColor = ZRVColor::Blue;
    notice.TimeOut = 30;
    notice.Buttons = 1;
    frmMain->ShowNotice(notice, c_Unit, QStringLiteral("TfrmClient.ButtonDoRetrievePasswordClick"));
}

// ---------------------------------------------------------------------------------------------
// Account creation

void TfrmClient::LabelCreateAccountClick() {
    if (!frmMain->ZRVClientConnection->Ready()) {
        ShowInfo(Tr(c_ServerRequiredCreation), ZRVColor::Red, 10);
        return;
    }
    ResetAccountCreation();
    PanelAccountCreation->show();
    PageControl->hide();
}

void TfrmClient::ResetAccountCreation() {
    ClearEdits(PanelAccountCreation);
    ComboBoxSex->setCurrentIndex(sMale);
    ComboBoxSecretQuestion->setCurrentIndex(-1);
    ComboBoxSecretQuestion->clearEditText();
}

bool TfrmClient::CheckAccountCreation() {
    const auto refuse = [this](const char* aText, QWidget* aFocus) {
        ShowInfo(Tr(aText), ZRVColor::Red, 12);
        aFocus->setFocus();
        return false;
    };
    if (LabeledEditACName->text().isEmpty())
        return refuse(c_AccountNameRequired, LabeledEditACName);
    if (LabeledEditACPassword->text().isEmpty())
        return refuse(c_PasswordRequired, LabeledEditACPassword);
    if (LabeledEditACPassword->text() != LabeledEditVerifyPassword->text())
        return refuse(c_PasswordVerifyError, LabeledEditVerifyPassword);
    if (ComboBoxSecretQuestion->currentText().isEmpty())
        return refuse(c_SecretQuestionRequired, ComboBoxSecretQuestion);
    return true;
}

void TfrmClient::ButtonAccountCreateExecuteClick() {
    if (!CheckAccountCreation())
        return;
    try {
        TZRVUserAccount account;
        account.Group()->SetGroupID(1);
        account.LastUsePC()->SetMachineID(1);
        account.SecretQuestion()->SetQuestion(ComboBoxSecretQuestion->currentText());
        account.SetFirstName(LabeledEditFirstName->text());
        account.SetSecondName(LabeledEditSecondName->text());
        account.SetEmail(LabeledEditEmail->text());
        account.SetPhone(LabeledEditPhone->text());
        account.SetPseudo(LabeledEditPseudo->text());
        if (!LabeledEditOld->text().isEmpty())
            account.SetOld(LabeledEditOld->text().toInt());
        account.SetSex(TZRVSex(std::clamp(ComboBoxSex->currentIndex(), 0, int(sCouple))));
        account.SetDescription(LabeledEditDescription->text());
        account.SetAccountName(LabeledEditACName->text());
        account.SetAccountPassword(LabeledEditACPassword->text());
        account.SetSecretAnswer(LabeledEditSecretAnswer->text());
        account.SetDaysAllowed(-1);
        account.SetActive(false);
        account.SetCredit(0);
        account.SetCreditTotal(0);
        account.SetLastUseDate(0);
        account.SetLastUseTime(0);
        account.SetDeletedFlag(false);
        account.SetCreationDate(Now());
        account.SetLastUpdateDate(Now());
        fLastRequest = rqCreateAccount;
        User()->RequestCreateAccount(&account);
        ShowInfo(Tr(c_CreatingAccount), ZRVColor::Lime, 12);
        ButtonAccountCreateExecute->setEnabled(false);
    } catch (const EZRVError& e) {
        ShowInfo(e.Message(), ZRVColor::Red, 8);
    }
}

void TfrmClient::ButtonAccountCreateCancelClick() {
    PageControl->show();
    PanelAccountCreation->hide();
    ButtonAccountCreateExecute->setEnabled(true);
}

// ---------------------------------------------------------------------------------------------
// The logged-in panel

QString TfrmClient::DateText(TDateTime aValue, const QString& aFormat) const {
    if (aValue == 0)
        return QString();
    return TKLocalizerOnFly::Locale().toString(DateTimeToQDateTime(aValue), aFormat);
}

void TfrmClient::ShowExpiry(TDateTime aExpiry, bool aNeverExpires) {
    if (aNeverExpires) {
        LabelExpireDate->setText(Tr(c_NeverExpires));
    } else {
        LabelExpireDate->setText(
            TKLocalizerOnFly::Locale().toString(DateTimeToQDateTime(aExpiry).date(), QLocale::LongFormat));
    }
    SetTextColor(LabelExpireDate,
                 !aNeverExpires && Past(aExpiry, SessionNow()) ? ZRVColor::Red : ZRVColor::Blue);
}

void TfrmClient::RefreshPanelUserConnected() {
    ButtonReloadCredit->setEnabled(true);
    LabelCurrentCredit->setText(Session()->Credit()->CreditFormatted());
    switch (Session()->SessionType()) {
    case stAccount:
        RefreshAccountPanel();
        break;
    case stTicket:
        RefreshTicketPanel();
        break;
    case stLocalAccount:
        RefreshLocalAccountPanel();
        break;
    case stNone:
        break;
    }
    QStringList pages;
    ZRVClientSystem::GetIEHistoryList(pages);
    ComboBoxUrls->clear();
    ComboBoxUrls->addItems(pages);
    ComboBoxUrls->setCurrentIndex(-1);
}

void TfrmClient::RefreshAccountPanel() {
    const TZRVUserAccount* account = Session()->Account();
    LabelHourFormula->clear();
    LabelUserType->setText(Tr(c_AccountType).arg(account->Group()->GroupName()));
    LabelUser->setText(account->AccountName());
    const TDateTime since = account->LastUseDate() != 0 ? account->LastUseDate() : account->CreationDate();
    ShowExpiry(since + account->DaysAllowed(), account->DaysAllowed() == -1);
    LabelCreationDate->setText(DateText(account->CreationDate(), c_LongDateTime));
    LabelLastUseDate->setText(DateText(account->LastUseDate(), c_LongDateTime));
    LabelLastUseTime->setText(CreditFormatted(account->LastUseTime()));
    LabelCreditTotal->setText(CreditFormatted(account->CreditTotal()));
    PageControlUserConnected->setTabVisible(PageControlUserConnected->indexOf(TabSheetCreditTransfert),
                                            false);
    PageControlUserConnected->setTabVisible(PageControlUserConnected->indexOf(TabSheetEditUserInfos), true);
    FillProfile();
}

void TfrmClient::FillProfile() {
    const TZRVUserAccount* account = Session()->Account();
    LabeledEditProfil_Nom->setText(account->SecondName());
    LabeledEditProfil_Prenom->setText(account->FirstName());
    LabeledEditProfil_Email->setText(account->Email());
    LabeledEditProfil_Telephone->setText(account->Phone());
    LabeledEditProfil_OldPwd->clear();
    LabeledEditProfil_NewPwd->clear();
    LabeledEditProfil_ConfirmPwd->clear();
}

void TfrmClient::RefreshTicketPanel() {
    const TZRVUserTicket* ticket = Session()->Ticket();
    const int32_t formula = ticket->HourFormula();
    LabelHourFormula->setText(Tr(c_HourFormulaLine)
                                  .arg(DayName(GetStartDay(formula)), QString::number(GetStartHour(formula)),
                                       DayName(GetEndDay(formula)), QString::number(GetEndHour(formula))));
    LabelUserType->setText(Tr(c_TicketType));
    const QString id = QString::number(ticket->TicketID());
    LabelUser->setText(CheckBoxCodeVisible->isChecked() ? Tr(c_TicketWithCode).arg(id, ticket->Code())
                                                        : Tr(c_TicketNumber).arg(id));
    const TDateTime since = ticket->ActivationDate() != 0 ? ticket->ActivationDate() : ticket->CreationDate();
    ShowExpiry(since + ticket->DaysAllowed(), false);
    LabelCreationDate->setText(DateText(ticket->CreationDate(), c_LongDateTime));
    LabelLastUseDate->setText(DateText(ticket->LastUseDate(), c_LongDateTime));
    LabelLastUseTime->setText(CreditFormatted(ticket->LastUseTime()));
    LabelCreditTotal->clear();
    PageControlUserConnected->setTabVisible(PageControlUserConnected->indexOf(TabSheetCreditTransfert),
                                            false);
    PageControlUserConnected->setTabVisible(PageControlUserConnected->indexOf(TabSheetEditUserInfos), false);
}

void TfrmClient::RefreshLocalAccountPanel() {
    const TZRVUserAccount* account = Session()->Account();
    LabelHourFormula->clear();
    LabelUserType->setText(Tr(c_LocalAccountType));
    LabelUser->setText(account->AccountName());
    LabelExpireDate->clear();
    LabelLastUseDate->clear();
    LabelCreationDate->setText(DateText(account->CreationDate(), c_LongDateTime));
    LabelLastUseTime->setText(CreditFormatted(account->LastUseTime()));
    LabelCreditTotal->setText(CreditFormatted(account->CreditTotal()));
    PageControlUserConnected->setTabVisible(PageControlUserConnected->indexOf(TabSheetCreditTransfert),
                                            false);
    PageControlUserConnected->setTabVisible(PageControlUserConnected->indexOf(TabSheetEditUserInfos), false);
}

void TfrmClient::PageControlUserConnectedChange(int aIndex) {
    if (aIndex == PageControlUserConnected->indexOf(TabSheetGeneral)) {
        ButtonOpenSession->setFocus();
    } else if (aIndex == PageControlUserConnected->indexOf(TabSheetReloadCredit)) {
        ButtonReloadCredit->setEnabled(true);
        LabeledEditReloadCode->clear();
    }
}

// ---------------------------------------------------------------------------------------------
// Opening the session

bool TfrmClient::TicketUsableNow(TDateTime aNow) {
    const TZRVUserTicket* ticket = Session()->Ticket();
    // A ticket is good until the end of its last day.
    if (Past(ticket->ActivationDate() + ticket->DaysAllowed(), aNow)) {
        ShowInfo(Tr(c_ValidityPassed), ZRVColor::Red, 12);
        return false;
    }
    if (!TZRVHourFormulaData::Contains(ticket->HourFormula(), DayOfTheWeek(aNow), HourOf(aNow))) {
        ShowInfo(Tr(c_TicketNotNow), ZRVColor::Red, 12);
        return false;
    }
    const QString locked = ZRVClientConfig->LockedHourFormula();
    if (!locked.isEmpty() && locked.compare(ticket->HourFormulaName(), Qt::CaseInsensitive) != 0) {
        ShowInfo(Tr(c_TicketNotHere), ZRVColor::Red, 12);
        return false;
    }
    return true;
}

bool TfrmClient::AccountUsableNow(TDateTime aNow) {
    const TZRVUserAccount* account = Session()->Account();
    if (account->DaysAllowed() == -1)
        return true;
    const TDateTime since = account->LastUseDate() != 0 ? account->LastUseDate() : account->CreationDate();
    if (Past(since + account->DaysAllowed(), aNow)) {
        ShowInfo(Tr(c_ValidityPassed), ZRVColor::Red, 14);
        return false;
    }
    return true;
}

void TfrmClient::ButtonOpenSessionClick(int aTag) {
    TZRVUserSession* session = Session();
    const TDateTime now = SessionNow();
    const TZRVSessionType type = session->SessionType();
    if ((type == stTicket && !TicketUsableNow(now)) || (type == stAccount && !AccountUsableNow(now)))
        return;
    const TZRVCredit* credit = session->Credit();
    if (!credit->Incremental() && credit->CreditValue() == 0) {
        ShowInfo(Tr(c_NotEnoughCredit).arg(credit->CreditFormatted()), ZRVColor::Red, 14);
        return;
    }
    ShowInfo(Tr(c_OpeningSession), ZRVColor::Lime, 12);
    repaint();
    if (aTag == 1) {
        try {
            ZRVClientSystem::CloseNavigators();
            const QString typed = ComboBoxUrls->currentText().trimmed();
            if (!typed.isEmpty())
                ZRVClientSystem::RememberStartPage(typed);
            ZRVClientSystem::OpenUrl(typed.isEmpty() ? ZRVClientConfig->UrlLumeraHomePage() : typed);
        } catch (const std::exception& e) {
            frmMain->LogError(QString::fromLocal8Bit(e.what()), c_Unit,
                              QStringLiteral("TfrmClient.ButtonOpenSessionClick"),
                              QStringLiteral("Continue"));
        }
    }
    session->Open();
}

// ---------------------------------------------------------------------------------------------
// Credit reload, profile and password

void TfrmClient::ButtonReloadCreditClick() {
    const QString code = LabeledEditReloadCode->text();
    if (code.isEmpty()) {
        ShowInfo(Tr(c_WrongReloadCode), ZRVColor::Red, 12);
        LabeledEditReloadCode->setFocus();
        return;
    }
    if (!frmMain->ZRVClientConnection->Connected()) {
        ShowInfo(Tr(c_ServerRequiredReload), ZRVColor::Red, 10);
        return;
    }
    try {
        fLastRequest = rqReloadCredit;
        Session()->AddCredit(code);
        ButtonReloadCredit->setEnabled(false);
        LabeledEditReloadCode->clear();
        ShowInfo(Tr(c_Reloading), ZRVColor::Yellow, 10);
    } catch (const EZRVError& e) {
        ShowInfo(e.Message(), ZRVColor::Red, 8);
        ButtonReloadCredit->setEnabled(true);
        LabeledEditReloadCode->setFocus();
    }
}

void TfrmClient::SendAccountUpdate() {
    try {
        fLastRequest = rqUpdateAccount;
        User()->RequestUpdateAccount(Session()->Account());
        ShowInfo(Tr(c_UpdatingAccount), ZRVColor::Lime, 12);
        ButtonUpdateProfile->setEnabled(false);
        ButtonUpdatePassword->setEnabled(false);
    } catch (const EZRVError& e) {
        ShowInfo(e.Message(), ZRVColor::Red, 8);
    }
}

void TfrmClient::ButtonUpdateProfileClick() {
    TZRVUserAccount* account = Session()->Account();
    account->SetFirstName(LabeledEditProfil_Prenom->text());
    account->SetSecondName(LabeledEditProfil_Nom->text());
    account->SetEmail(LabeledEditProfil_Email->text());
    account->SetPhone(LabeledEditProfil_Telephone->text());
    SendAccountUpdate();
}

void TfrmClient::ButtonUpdatePasswordClick() {
    TZRVUserAccount* account = Session()->Account();
    if (LabeledEditProfil_OldPwd->text() != account->AccountPassword()) {
        ShowInfo(Tr(c_OldPasswordWrong), ZRVColor::Red, 12);
        return;
    }
    if (LabeledEditProfil_NewPwd->text() != LabeledEditProfil_ConfirmPwd->text()) {
        ShowInfo(Tr(c_NewPasswordMismatch), ZRVColor::Red, 12);
        return;
    }
    // An empty password could never be typed at the login again.
    if (LabeledEditProfil_NewPwd->text().isEmpty()) {
        ShowInfo(Tr(c_PasswordRequired), ZRVColor::Red, 12);
        return;
    }
    account->SetAccountPassword(LabeledEditProfil_NewPwd->text());
    SendAccountUpdate();
}
