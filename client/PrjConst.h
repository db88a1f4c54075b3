#pragma once
// Every text the workstation program shows, in French, the program's language. Each is marked for
// Qt's translation tools (context "PrjConst") and shown through Tr(), which gives it in the
// language chosen on the lock screen. Texts with "%1" take their values through QString::arg.

#include <QCoreApplication>
#include <QString>

namespace PrjConst {

// Names that stay as they are in every language.
inline constexpr const char* c_ApplicationTitle = "zrv client";
inline constexpr const char* c_MainFormCaption = "zrv2 client module";
inline constexpr const char* c_NoticeTitle = "Client tikora manager";
inline constexpr const char* c_French = "Français";
inline constexpr const char* c_English = "English";
inline constexpr const char* c_CreditZero = "00h00m00s";

// Splash screen
inline constexpr const char* c_Loading = QT_TRANSLATE_NOOP("PrjConst", "Chargement en cours ...");
inline constexpr const char* c_LoadingMain = QT_TRANSLATE_NOOP("PrjConst", "Chargement du module principal");
inline constexpr const char* c_LoadingAddCredit =
    QT_TRANSLATE_NOOP("PrjConst", "Chargement de la feuille d'ajout de crédit");
inline constexpr const char* c_LoadingTaskBar =
    QT_TRANSLATE_NOOP("PrjConst", "Chargement de la barre d'applications zrv");
inline constexpr const char* c_LoadingClient =
    QT_TRANSLATE_NOOP("PrjConst", "Chargement de la feuille client");
inline constexpr const char* c_LoadingStartupPrograms =
    QT_TRANSLATE_NOOP("PrjConst", "Programmes de démarrage");
inline constexpr const char* c_LoadingDone = QT_TRANSLATE_NOOP("PrjConst", "Chargement terminé");
inline constexpr const char* c_Version = QT_TRANSLATE_NOOP("PrjConst", "Version %1");

// Main controller: actions, boot counter, lock-screen info line, notices
inline constexpr const char* c_ActionTryConnect = QT_TRANSLATE_NOOP("PrjConst", "Essai de connection");
inline constexpr const char* c_ActionConnected = QT_TRANSLATE_NOOP("PrjConst", "Connecté");
inline constexpr const char* c_ActionReady = QT_TRANSLATE_NOOP("PrjConst", "Authentifié");
inline constexpr const char* c_ActionDisconnected = QT_TRANSLATE_NOOP("PrjConst", "Déconnecté");
inline constexpr const char* c_ActionShutDownModule =
    QT_TRANSLATE_NOOP("PrjConst", "Mettre le module en veille");
inline constexpr const char* c_ActionLaunchModule = QT_TRANSLATE_NOOP("PrjConst", "Lancer le module client");
inline constexpr const char* c_BootCountWarning = QT_TRANSLATE_NOOP(
    "PrjConst", "Attention: Le mode avancé et le démarrage automatique du module client va être "
                "désactivé, dûment à plus de 3 fermetures anormales de la station de travail");
inline constexpr const char* c_BootCountCaption = QT_TRANSLATE_NOOP("PrjConst", "Le Webmaster QDX!!!");
inline constexpr const char* c_InfoConnecting =
    QT_TRANSLATE_NOOP("PrjConst", "Connecté au serveur, authentification en cours ...");
inline constexpr const char* c_InfoDisconnected =
    QT_TRANSLATE_NOOP("PrjConst", "Connection avec le serveur interrompue");
inline constexpr const char* c_InfoReady =
    QT_TRANSLATE_NOOP("PrjConst", "Connection avec le serveur ouverte");
inline constexpr const char* c_InfoSocketError = QT_TRANSLATE_NOOP("PrjConst", "Erreur de connection");
inline constexpr const char* c_WrongPassword = QT_TRANSLATE_NOOP("PrjConst", "Mot de passe incorrect");
inline constexpr const char* c_AccountDeleted = QT_TRANSLATE_NOOP("PrjConst", "Ce compte a été supprimé");
inline constexpr const char* c_TicketNotSold =
    QT_TRANSLATE_NOOP("PrjConst", "Ce ticket n'a pas encore été vendu");
inline constexpr const char* c_TicketDeleted = QT_TRANSLATE_NOOP("PrjConst", "Ce ticket a été supprimé");
inline constexpr const char* c_Welcome = QT_TRANSLATE_NOOP("PrjConst", "Bienvenue");
inline constexpr const char* c_WelcomeName = QT_TRANSLATE_NOOP("PrjConst", "Bienvenue %1 %2");
inline constexpr const char* c_CreditAdded = QT_TRANSLATE_NOOP("PrjConst", "Ajout de crédit effectué");
inline constexpr const char* c_CreditFixed = QT_TRANSLATE_NOOP("PrjConst", "Votre crédit a été réajusté");
inline constexpr const char* c_InfoAccountCreated = QT_TRANSLATE_NOOP("PrjConst", "Compte crée avec succès");
inline constexpr const char* c_InfoAccountUpdated =
    QT_TRANSLATE_NOOP("PrjConst", "Compte mis à jour avec succès");
inline constexpr const char* c_NoticeServerMessage = QT_TRANSLATE_NOOP("PrjConst", "Message du serveur");
inline constexpr const char* c_NoticeReady =
    QT_TRANSLATE_NOOP("PrjConst", "Connection avec le serveur établie et enregistrement réussi");
inline constexpr const char* c_NoticeAccountCreated =
    QT_TRANSLATE_NOOP("PrjConst", "Le compte %1 a été crée avec succès");
inline constexpr const char* c_NoticeAccountUpdated =
    QT_TRANSLATE_NOOP("PrjConst", "Votre compte a été mis à jour avec succès");
inline constexpr const char* c_NoticeCreditWarning =
    QT_TRANSLATE_NOOP("PrjConst", "ATTENTION VOTRE SESSION S'ACHEVE DANS MOINS DE %1");
inline constexpr const char* c_NoticeEndRefused = QT_TRANSLATE_NOOP(
    "PrjConst", "Vous n'avez pas le droit d'arrêter la session windows, redémarrer ou éteindre la "
                "station de travail !");
inline constexpr const char* c_NoticePassword =
    QT_TRANSLATE_NOOP("PrjConst", "VOTRE MOT DE PASSE EST: \r\n%1");

// Lock screen: header and pages
inline constexpr const char* c_CompanyNamePlaceholder = QT_TRANSLATE_NOOP("PrjConst", "[ COMPANY NAME ]");
inline constexpr const char* c_ProductLine =
    QT_TRANSLATE_NOOP("PrjConst", "Vantorel tikora manager 2 - module client de la station de travail");
inline constexpr const char* c_ConnectStateHint =
    QT_TRANSLATE_NOOP("PrjConst", "état de connection du module client au serveur");
inline constexpr const char* c_Phone = QT_TRANSLATE_NOOP("PrjConst", "Tél: %1");
inline constexpr const char* c_PoBox = QT_TRANSLATE_NOOP("PrjConst", "BP: %1");
inline constexpr const char* c_TabTicket = QT_TRANSLATE_NOOP("PrjConst", "J'ai un ticket");
inline constexpr const char* c_TabAccount = QT_TRANSLATE_NOOP("PrjConst", "J'ai un compte");
inline constexpr const char* c_TabRetrievePassword = QT_TRANSLATE_NOOP("PrjConst", "Mot de passe oublié");
inline constexpr const char* c_TicketCode = QT_TRANSLATE_NOOP("PrjConst", "Code du ticket :");
inline constexpr const char* c_ButtonConnection = QT_TRANSLATE_NOOP("PrjConst", "&Connection");
inline constexpr const char* c_CreateAccountLink = QT_TRANSLATE_NOOP("PrjConst", "Créer un compte");
inline constexpr const char* c_ShowCode = QT_TRANSLATE_NOOP("PrjConst", "Afficher le code");
inline constexpr const char* c_AccountName = QT_TRANSLATE_NOOP("PrjConst", "Nom de compte :");
inline constexpr const char* c_Password = QT_TRANSLATE_NOOP("PrjConst", "Mot de passe :");
inline constexpr const char* c_ForgottenPasswordLink = QT_TRANSLATE_NOOP("PrjConst", "Mot de passe oublié ?");
inline constexpr const char* c_SecretQuestion = QT_TRANSLATE_NOOP("PrjConst", "Question secrète :");
inline constexpr const char* c_SecretAnswer = QT_TRANSLATE_NOOP("PrjConst", "Réponse secrète :");
inline constexpr const char* c_ButtonVerify = QT_TRANSLATE_NOOP("PrjConst", "Vérifier");
inline constexpr const char* c_ButtonCancel = QT_TRANSLATE_NOOP("PrjConst", "Annuler");
inline constexpr const char* c_GroupUser = QT_TRANSLATE_NOOP("PrjConst", "&Utilisateur");
inline constexpr const char* c_FirstNameBox = QT_TRANSLATE_NOOP("PrjConst", "&Nom :");
inline constexpr const char* c_SecondNameBox = QT_TRANSLATE_NOOP("PrjConst", "&Prénom :");
inline constexpr const char* c_EmailBox = QT_TRANSLATE_NOOP("PrjConst", "E-&mail :");
inline constexpr const char* c_PhoneBox = QT_TRANSLATE_NOOP("PrjConst", "&Téléphone :");
inline constexpr const char* c_GroupAccount = QT_TRANSLATE_NOOP("PrjConst", "&Compte");
inline constexpr const char* c_ACName = QT_TRANSLATE_NOOP("PrjConst", "Nom de &compte :");
inline constexpr const char* c_ACPassword = QT_TRANSLATE_NOOP("PrjConst", "M&ot de passe :");
inline constexpr const char* c_VerifyPassword = QT_TRANSLATE_NOOP("PrjConst", "&Vérifier le mot de passe");
inline constexpr const char* c_ACSecretQuestion = QT_TRANSLATE_NOOP("PrjConst", "&Question secrète :");
inline constexpr const char* c_ACSecretAnswer = QT_TRANSLATE_NOOP("PrjConst", "&Réponse secrète :");
inline constexpr const char* c_GroupDiscussion = QT_TRANSLATE_NOOP("PrjConst", "&Discussion");
inline constexpr const char* c_Pseudo = QT_TRANSLATE_NOOP("PrjConst", "P&seudo :");
inline constexpr const char* c_Age = QT_TRANSLATE_NOOP("PrjConst", "&Age :");
inline constexpr const char* c_Sex = QT_TRANSLATE_NOOP("PrjConst", "S&exe :");
inline constexpr const char* c_Description = QT_TRANSLATE_NOOP("PrjConst", "&Description :");
inline constexpr const char* c_ButtonCreate = QT_TRANSLATE_NOOP("PrjConst", "Créer");
inline constexpr const char* c_SexNone = QT_TRANSLATE_NOOP("PrjConst", "Indéfini");
inline constexpr const char* c_SexMale = QT_TRANSLATE_NOOP("PrjConst", "Masculin");
inline constexpr const char* c_SexFemale = QT_TRANSLATE_NOOP("PrjConst", "Féminin");
inline constexpr const char* c_SexCouple = QT_TRANSLATE_NOOP("PrjConst", "Les deux");
inline constexpr const char* c_ButtonLogOut = QT_TRANSLATE_NOOP("PrjConst", "Me &déconnecter");
inline constexpr const char* c_ButtonContinueSession = QT_TRANSLATE_NOOP("PrjConst", "&Continuer ma session");
inline constexpr const char* c_ButtonOpenSession = QT_TRANSLATE_NOOP("PrjConst", "&Ouvrir une session");
inline constexpr const char* c_TabGeneral = QT_TRANSLATE_NOOP("PrjConst", "Général");
inline constexpr const char* c_TabReloadCredit = QT_TRANSLATE_NOOP("PrjConst", "Recharge de crédit");
inline constexpr const char* c_TabCreditTransfer = QT_TRANSLATE_NOOP("PrjConst", "Transfert de crédit");
inline constexpr const char* c_TabEditUserInfos = QT_TRANSLATE_NOOP("PrjConst", "Infos compte");
inline constexpr const char* c_TabAbout = QT_TRANSLATE_NOOP("PrjConst", "A propos ...");
inline constexpr const char* c_CreditTime = QT_TRANSLATE_NOOP("PrjConst", "Crédit temps");
inline constexpr const char* c_ExpireDate = QT_TRANSLATE_NOOP("PrjConst", "Date d'expiration :");
inline constexpr const char* c_CreationDate = QT_TRANSLATE_NOOP("PrjConst", "Date de création :");
inline constexpr const char* c_LastUseDate = QT_TRANSLATE_NOOP("PrjConst", "Dernière utilisation :");
inline constexpr const char* c_LastUseTime =
    QT_TRANSLATE_NOOP("PrjConst", "Durée de la dernière utilisation :");
inline constexpr const char* c_CreditTotal = QT_TRANSLATE_NOOP("PrjConst", "Crédit total :");
inline constexpr const char* c_StartPage =
    QT_TRANSLATE_NOOP("PrjConst", "Choisissez ou saisissez votre page de démarrage :");
inline constexpr const char* c_ReloadCode =
    QT_TRANSLATE_NOOP("PrjConst", "Veuillez entrer le code de recharge :");
inline constexpr const char* c_ButtonExecuteReload = QT_TRANSLATE_NOOP("PrjConst", "&Executer");
inline constexpr const char* c_ProfileFirstName = QT_TRANSLATE_NOOP("PrjConst", "Prénom :");
inline constexpr const char* c_ProfileSecondName = QT_TRANSLATE_NOOP("PrjConst", "Nom :");
inline constexpr const char* c_ProfileEmail = QT_TRANSLATE_NOOP("PrjConst", "E-mail :");
inline constexpr const char* c_ProfilePhone = QT_TRANSLATE_NOOP("PrjConst", "Téléphone :");
inline constexpr const char* c_ProfileOldPassword = QT_TRANSLATE_NOOP("PrjConst", "Ancien mot de passe :");
inline constexpr const char* c_ProfileNewPassword = QT_TRANSLATE_NOOP("PrjConst", "Nouveau mot de passe :");
inline constexpr const char* c_ProfileConfirmPassword =
    QT_TRANSLATE_NOOP("PrjConst", "Confirmez le mot de passe :");
inline constexpr const char* c_ButtonUpdate = QT_TRANSLATE_NOOP("PrjConst", "Mettre à jour");
inline constexpr const char* c_AboutText =
    QT_TRANSLATE_NOOP("PrjConst", "Vantorel tikora manager 2 : le module client verrouille ce poste jusqu'à "
                                  "l'ouverture d'une session.");

// Lock screen: logged-in panel values
inline constexpr const char* c_AccountType = QT_TRANSLATE_NOOP("PrjConst", "Compte %1");
inline constexpr const char* c_NeverExpires = QT_TRANSLATE_NOOP("PrjConst", "Ne s'expire jamais");
inline constexpr const char* c_HourFormulaLine =
    QT_TRANSLATE_NOOP("PrjConst", "Valable de %1 %2 H à %3 %4 H");
inline constexpr const char* c_TicketType = QT_TRANSLATE_NOOP("PrjConst", "Ticket d'utilisateur");
inline constexpr const char* c_TicketWithCode = QT_TRANSLATE_NOOP("PrjConst", "Ticket N° %1   Code : %2");
inline constexpr const char* c_TicketNumber = QT_TRANSLATE_NOOP("PrjConst", "Ticket N° %1");
inline constexpr const char* c_LocalAccountType = QT_TRANSLATE_NOOP("PrjConst", "Compte d'utilisateur local");
inline constexpr const char* c_Monday = QT_TRANSLATE_NOOP("PrjConst", "Lundi");
inline constexpr const char* c_Tuesday = QT_TRANSLATE_NOOP("PrjConst", "Mardi");
inline constexpr const char* c_Wednesday = QT_TRANSLATE_NOOP("PrjConst", "Mercredi");
inline constexpr const char* c_Thursday = QT_TRANSLATE_NOOP("PrjConst", "Jeudi");
inline constexpr const char* c_Friday = QT_TRANSLATE_NOOP("PrjConst", "Vendredi");
inline constexpr const char* c_Saturday = QT_TRANSLATE_NOOP("PrjConst", "Samedi");
inline constexpr const char* c_Sunday = QT_TRANSLATE_NOOP("PrjConst", "Dimanche");

// Lock screen: status line
inline constexpr const char* c_EmptyTicketCode = QT_TRANSLATE_NOOP("PrjConst", "Code de ticket vide");
inline constexpr const char* c_OpeningTicket =
    QT_TRANSLATE_NOOP("PrjConst", "Ouverture d'une session ticket en cours ...");
inline constexpr const char* c_StillRunning =
    QT_TRANSLATE_NOOP("PrjConst", "Exécute toujours la dernière commande");
inline constexpr const char* c_ServerUnreachable =
    QT_TRANSLATE_NOOP("PrjConst", "Communication avec le serveur impossible");
inline constexpr const char* c_EmptyAccountName = QT_TRANSLATE_NOOP("PrjConst", "Nom de compte vide");
inline constexpr const char* c_EmptyPassword = QT_TRANSLATE_NOOP("PrjConst", "Mot de passe vide");
inline constexpr const char* c_OpeningAccount =
    QT_TRANSLATE_NOOP("PrjConst", "Ouverture d'une session compte d'utilisateur en cours ...");
inline constexpr const char* c_ServerRequiredRecovery =
    QT_TRANSLATE_NOOP("PrjConst", "Connection avec le serveur requise pour exécuter cette action");
inline constexpr const char* c_WrongSecret =
    QT_TRANSLATE_NOOP("PrjConst", "Question ou réponse incorrecte !");
inline constexpr const char* c_ServerRequiredCreation =
    QT_TRANSLATE_NOOP("PrjConst", "Connection avec le serveur nécéssaire pour exécuter cette action");
inline constexpr const char* c_AccountNameRequired =
    QT_TRANSLATE_NOOP("PrjConst", "Le nom de compte est requis");
inline constexpr const char* c_PasswordRequired = QT_TRANSLATE_NOOP("PrjConst", "Un mot de passe est requis");
inline constexpr const char* c_PasswordVerifyError =
    QT_TRANSLATE_NOOP("PrjConst", "Erreur sur la vérification du mot de passe");
inline constexpr const char* c_SecretQuestionRequired =
    QT_TRANSLATE_NOOP("PrjConst", "Vous devez indiquer une question secrète");
inline constexpr const char* c_CreatingAccount =
    QT_TRANSLATE_NOOP("PrjConst", "Veuillez patienter pendant que votre compte est crée");
inline constexpr const char* c_ValidityPassed = QT_TRANSLATE_NOOP("PrjConst", "Date de validité dépassée");
inline constexpr const char* c_TicketNotNow =
    QT_TRANSLATE_NOOP("PrjConst", "Ce ticket ne peut pas être utilisé actuellement !");
inline constexpr const char* c_TicketNotHere =
    QT_TRANSLATE_NOOP("PrjConst", "Ce ticket ne peut pas être utilisé sur ce poste !");
inline constexpr const char* c_OpeningSession =
    QT_TRANSLATE_NOOP("PrjConst", "Ouverture de session en cours, veuillez patienter");
inline constexpr const char* c_NotEnoughCredit = QT_TRANSLATE_NOOP("PrjConst", "Crédit insuffisant %1");
inline constexpr const char* c_WrongReloadCode = QT_TRANSLATE_NOOP("PrjConst", "Code de recharge incorrect");
inline constexpr const char* c_Reloading =
    QT_TRANSLATE_NOOP("PrjConst", "Opération de recharge en cours\r\nVeuillez patienter");
inline constexpr const char* c_ServerRequiredReload =
    QT_TRANSLATE_NOOP("PrjConst", "Connection au serveur requise pour effectuer cette action");
inline constexpr const char* c_UpdatingAccount =
    QT_TRANSLATE_NOOP("PrjConst", "Veuillez patienter pendant que votre compte est mis à jour");
inline constexpr const char* c_OldPasswordWrong =
    QT_TRANSLATE_NOOP("PrjConst", "L'ancien mot de passe est incorrect !");
inline constexpr const char* c_NewPasswordMismatch =
    QT_TRANSLATE_NOOP("PrjConst", "Le nouveau mot de passe a été mal resaisi !");

// Session task bar and credit dialog
inline constexpr const char* c_MenuHint =
    QT_TRANSLATE_NOOP("PrjConst", "cliquez ici pour avoir accès aux différentes options");
inline constexpr const char* c_CloseSessionHint = QT_TRANSLATE_NOOP("PrjConst", "fermer la session");
inline constexpr const char* c_Stop = QT_TRANSLATE_NOOP("PrjConst", "STOP !");
inline constexpr const char* c_AddCreditCaption = QT_TRANSLATE_NOOP("PrjConst", "Ajout de crédit");
inline constexpr const char* c_ButtonExecute = QT_TRANSLATE_NOOP("PrjConst", "&Exécuter");
inline constexpr const char* c_Executing =
    QT_TRANSLATE_NOOP("PrjConst", "Opération en cours veuillez patienter ...");
inline constexpr const char* c_Menu = QT_TRANSLATE_NOOP("PrjConst", "Menu  ");
inline constexpr const char* c_MnuLaunchIE = QT_TRANSLATE_NOOP("PrjConst", "Démarrer un navigateur");
inline constexpr const char* c_MnuCloseAllIE = QT_TRANSLATE_NOOP("PrjConst", "Fermer tous les navigateurs");
inline constexpr const char* c_MnuHomePage = QT_TRANSLATE_NOOP("PrjConst", "Page d'accueil Vantorel");
inline constexpr const char* c_MnuSendMessage =
    QT_TRANSLATE_NOOP("PrjConst", "Envoyer un message au serveur");
inline constexpr const char* c_MnuApplications = QT_TRANSLATE_NOOP("PrjConst", "Applications");
inline constexpr const char* c_MnuTasks = QT_TRANSLATE_NOOP("PrjConst", "Applications en cours");
inline constexpr const char* c_MnuCloseTasks = QT_TRANSLATE_NOOP("PrjConst", "Fermer une application");
inline constexpr const char* c_MnuPause = QT_TRANSLATE_NOOP("PrjConst", "PAUSE");
inline constexpr const char* c_MnuConfig = QT_TRANSLATE_NOOP("PrjConst", "Configuration");
inline constexpr const char* c_MnuConfigPanel =
    QT_TRANSLATE_NOOP("PrjConst", "Panneau de configuration windows");
inline constexpr const char* c_MnuExit = QT_TRANSLATE_NOOP("PrjConst", "Quitter le module client");
inline constexpr const char* c_MnuCloseWinSession =
    QT_TRANSLATE_NOOP("PrjConst", "Fermer la session windows");
inline constexpr const char* c_MnuReboot = QT_TRANSLATE_NOOP("PrjConst", "Redémarrer la station de travail");
inline constexpr const char* c_MnuShutdown = QT_TRANSLATE_NOOP("PrjConst", "Eteindre la station de travail");
inline constexpr const char* c_CannotExecute =
    QT_TRANSLATE_NOOP("PrjConst", "Impossible d'exécuter cette action");
inline constexpr const char* c_ErrorText = QT_TRANSLATE_NOOP("PrjConst", "Erreur: %1");
inline constexpr const char* c_TikoraTitle = QT_TRANSLATE_NOOP("PrjConst", "Tikora manager 2");
inline constexpr const char* c_AskCloseBrowsers =
    QT_TRANSLATE_NOOP("PrjConst", "Souhaitez-vous fermer tous les navigateurs en cours ?");
inline constexpr const char* c_NotConnectedToServer =
    QT_TRANSLATE_NOOP("PrjConst", "Non connecté au module serveur");
inline constexpr const char* c_AskExitModule = QT_TRANSLATE_NOOP(
    "PrjConst", "Souhaitez-vous vraiment fermer le module client ? Cela n'est pas recommandé !");
inline constexpr const char* c_AskCloseWinSession =
    QT_TRANSLATE_NOOP("PrjConst", "Voulez-vous fermer la session Windows ?");
inline constexpr const char* c_AskReboot =
    QT_TRANSLATE_NOOP("PrjConst", "Voulez-vous redémarrer la station de travail ?");
inline constexpr const char* c_AskShutdown =
    QT_TRANSLATE_NOOP("PrjConst", "Voulez-vous éteindre la station de travail ?");
inline constexpr const char* c_CplTitle = QT_TRANSLATE_NOOP("PrjConst", "Vantorel tikora manager 2");
inline constexpr const char* c_CplCannotOpen =
    QT_TRANSLATE_NOOP("PrjConst", "Impossible d'ouvrir l'élément spécifié");
// The desktop's settings tools, by the control-panel applet each stands for, with their captions.
struct TZRVControlPanelItem {
    const char* File;
    const char* Caption;
};
inline constexpr TZRVControlPanelItem c_ControlPanel[] = {
    {"appwiz.cpl", QT_TRANSLATE_NOOP("PrjConst", "Ajout / Suppression de programmes")},
    {"BDEADMIN.CPL", QT_TRANSLATE_NOOP("PrjConst", "Administrateur BDE")},
    {"desk.cpl", QT_TRANSLATE_NOOP("PrjConst", "Affichage")},
    {"hdwwiz.cpl", QT_TRANSLATE_NOOP("PrjConst", "Ajout de matériel")},
    {"ibmgr.cpl", QT_TRANSLATE_NOOP("PrjConst", "Interbase Manager")},
    {"inetcpl.cpl", QT_TRANSLATE_NOOP("PrjConst", "Propriétés Internet")},
    {"intl.cpl", QT_TRANSLATE_NOOP("PrjConst", "Options Régionales")},
    {"joy.cpl", QT_TRANSLATE_NOOP("PrjConst", "Contrôleur de jeux")},
    {"main.cpl", QT_TRANSLATE_NOOP("PrjConst", "Souris")},
    {"mmsys.cpl", QT_TRANSLATE_NOOP("PrjConst", "Son et périphériques Audio")},
    {"modem.cpl", QT_TRANSLATE_NOOP("PrjConst", "Modems")},
    {"ncpa.cpl", QT_TRANSLATE_NOOP("PrjConst", "Accès Réseau à distance")},
    {"nusrmgr.cpl", QT_TRANSLATE_NOOP("PrjConst", "Comptes Utilisateurs")},
    {"odbccp32.cpl", QT_TRANSLATE_NOOP("PrjConst", "Administrateur de source ODBC")},
    {"powercfg.cpl", QT_TRANSLATE_NOOP("PrjConst", "Propriétés des Options d'alimentation")},
    {"sysdm.cpl", QT_TRANSLATE_NOOP("PrjConst", "Système")},
    {"timedate.cpl", QT_TRANSLATE_NOOP("PrjConst", "Date et Heure")},
};

// Local-accounts dialog
inline constexpr const char* c_LocalAccountsCaption = QT_TRANSLATE_NOOP("PrjConst", "Comptes locaux");
inline constexpr const char* c_LocalAccountName = QT_TRANSLATE_NOOP("PrjConst", "Nom de compte");
inline constexpr const char* c_LocalAccountPassword = QT_TRANSLATE_NOOP("PrjConst", "Mot de passe");
inline constexpr const char* c_LocalFirstName = QT_TRANSLATE_NOOP("PrjConst", "Nom");
inline constexpr const char* c_LocalSecondName = QT_TRANSLATE_NOOP("PrjConst", "Prénom");
inline constexpr const char* c_ButtonNew = QT_TRANSLATE_NOOP("PrjConst", "&Nouveau");
inline constexpr const char* c_ButtonSave = QT_TRANSLATE_NOOP("PrjConst", "&Enregistrer");
inline constexpr const char* c_ButtonDelete = QT_TRANSLATE_NOOP("PrjConst", "&Supprimer");
inline constexpr const char* c_ButtonCancelDialog = QT_TRANSLATE_NOOP("PrjConst", "&Annuler");
inline constexpr const char* c_ButtonClose = QT_TRANSLATE_NOOP("PrjConst", "&Fermer");
inline constexpr const char* c_NoLocalAccountSelected =
    QT_TRANSLATE_NOOP("PrjConst", "Aucun compte local n'est sélectionné");
inline constexpr const char* c_LocalNameRequired = QT_TRANSLATE_NOOP("PrjConst", "Nom de compte requis");
inline constexpr const char* c_LocalPasswordRequired = QT_TRANSLATE_NOOP("PrjConst", "Mot de passe requis");
inline constexpr const char* c_LocalNameUsed = QT_TRANSLATE_NOOP("PrjConst", "Nom de compte déjà utilisé");
inline constexpr const char* c_OperationFailed = QT_TRANSLATE_NOOP("PrjConst", "L'opération a échoué");
inline constexpr const char* c_LocalAccountAdded =
    QT_TRANSLATE_NOOP("PrjConst", "Nouveau compte local ajouté");
inline constexpr const char* c_ConfirmOperation =
    QT_TRANSLATE_NOOP("PrjConst", "Voulez vous vraiment effectuer cette opération");
inline constexpr const char* c_LocalAccountDeleted =
    QT_TRANSLATE_NOOP("PrjConst", "Compte local définitivement supprimé");

// Send-message dialog
inline constexpr const char* c_InvalidClientObject = "Paramètre incorrect: Object client invalide";
inline constexpr const char* c_SendMessageCaption = QT_TRANSLATE_NOOP("PrjConst", "Envoyer un message");
inline constexpr const char* c_MessageFor = QT_TRANSLATE_NOOP("PrjConst", "&Votre message pour :");
inline constexpr const char* c_ServerEmployee = QT_TRANSLATE_NOOP("PrjConst", "l'employé sur le serveur");
inline constexpr const char* c_ButtonSend = QT_TRANSLATE_NOOP("PrjConst", "&Envoyer");
inline constexpr const char* c_MessageSent = QT_TRANSLATE_NOOP("PrjConst", "Message envoyé");
inline constexpr const char* c_MessageNotSent = QT_TRANSLATE_NOOP("PrjConst", "Message non envoyé");

// Server connection setup
inline constexpr const char* c_ServerConnectionCaption =
    QT_TRANSLATE_NOOP("PrjConst", "Connection avec le serveur");
inline constexpr const char* c_ServerAddressBox =
    QT_TRANSLATE_NOOP("PrjConst", "Nom ou adresse IP du serveur");
inline constexpr const char* c_ServerPortBox = QT_TRANSLATE_NOOP("PrjConst", "Numéro du port de connection");
inline constexpr const char* c_ButtonOk = QT_TRANSLATE_NOOP("PrjConst", "&Ok");
inline constexpr const char* c_ServerAddressRequired =
    QT_TRANSLATE_NOOP("PrjConst", "Nom ou adresse IP du serveur requis");
inline constexpr const char* c_WrongServerPort =
    QT_TRANSLATE_NOOP("PrjConst", "Valeur du port de communication avec le serveur incorrecte");

// Configuration dialog
inline constexpr const char* c_ConfigCaption = QT_TRANSLATE_NOOP("PrjConst", "Configuration");
inline constexpr const char* c_ConfigBoxTitle = QT_TRANSLATE_NOOP("PrjConst", "Vantorel tikora manager 2");
inline constexpr const char* c_TabSecurity = QT_TRANSLATE_NOOP("PrjConst", "Sécurité");
inline constexpr const char* c_TabUserInformations =
    QT_TRANSLATE_NOOP("PrjConst", "Informations utilisateur");
inline constexpr const char* c_TabWindowsRestrictions = QT_TRANSLATE_NOOP("PrjConst", "Restrictions système");
inline constexpr const char* c_TabDisallowRun = QT_TRANSLATE_NOOP("PrjConst", "Applications interdites");
inline constexpr const char* c_TabApplicationsList = QT_TRANSLATE_NOOP("PrjConst", "Menu applications");
inline constexpr const char* c_AutoLaunch =
    QT_TRANSLATE_NOOP("PrjConst", "Démarrer le client à l'ouverture de Windows");
inline constexpr const char* c_GroupBackground = QT_TRANSLATE_NOOP("PrjConst", "Arrière plan");
inline constexpr const char* c_Diaporama = QT_TRANSLATE_NOOP("PrjConst", "Diaporama");
inline constexpr const char* c_SingleImage = QT_TRANSLATE_NOOP("PrjConst", "Image fixe");
inline constexpr const char* c_DiaporamaDelay = QT_TRANSLATE_NOOP("PrjConst", "Intervalle (en minutes)");
inline constexpr const char* c_ButtonAutoConfig = QT_TRANSLATE_NOOP("PrjConst", "Recherche automatique");
inline constexpr const char* c_AdvancedZRV =
    QT_TRANSLATE_NOOP("PrjConst", "Utiliser le mode Advance du module client zrv");
inline constexpr const char* c_GroupOffline = QT_TRANSLATE_NOOP("PrjConst", "Compte offline");
inline constexpr const char* c_LocalUser = QT_TRANSLATE_NOOP("PrjConst", "Nom d'utilisateur");
inline constexpr const char* c_RetypePassword = QT_TRANSLATE_NOOP("PrjConst", "Resaisir le mot de passe");
inline constexpr const char* c_ButtonSaveLocalAccount = QT_TRANSLATE_NOOP("PrjConst", "Enregistrer");
inline constexpr const char* c_UIAddress = QT_TRANSLATE_NOOP("PrjConst", "Adresse");
inline constexpr const char* c_UICompanyName = QT_TRANSLATE_NOOP("PrjConst", "Nom de l'établissement");
inline constexpr const char* c_UICountry = QT_TRANSLATE_NOOP("PrjConst", "Pays");
inline constexpr const char* c_UIEmail = QT_TRANSLATE_NOOP("PrjConst", "Adresse electronique");
inline constexpr const char* c_UIGeography = QT_TRANSLATE_NOOP("PrjConst", "Situation géographique");
inline constexpr const char* c_UIOwnerName = QT_TRANSLATE_NOOP("PrjConst", "Gérant de l'établissement");
inline constexpr const char* c_UIPhone = QT_TRANSLATE_NOOP("PrjConst", "Téléphone");
inline constexpr const char* c_UIPoBox = QT_TRANSLATE_NOOP("PrjConst", "Boite postale");
inline constexpr const char* c_UITown = QT_TRANSLATE_NOOP("PrjConst", "Ville");
inline constexpr const char* c_UIUserID = QT_TRANSLATE_NOOP("PrjConst", "Numéro d'utilisateur");
inline constexpr const char* c_WRDesktopVisible = QT_TRANSLATE_NOOP("PrjConst", "Bureau visible");
inline constexpr const char* c_WRFastTaskSwitchEnabled =
    QT_TRANSLATE_NOOP("PrjConst", "Authoriser la combinaison Alt+Tab");
inline constexpr const char* c_WRLockConfigPanel =
    QT_TRANSLATE_NOOP("PrjConst", "Verouiller le panneau de configuration");
inline constexpr const char* c_WRLockDisplaySettings =
    QT_TRANSLATE_NOOP("PrjConst", "Verouiller les paramètres d'affichage");
inline constexpr const char* c_WRLockIESettings =
    QT_TRANSLATE_NOOP("PrjConst", "Verouiller la configuration d'internet explorer");
inline constexpr const char* c_WRLockLogoff =
    QT_TRANSLATE_NOOP("PrjConst", "Empêcher la fermeture de session windows");
inline constexpr const char* c_WRLockProgramFilesFolder =
    QT_TRANSLATE_NOOP("PrjConst", "Verouiller le dossier des programmes");
inline constexpr const char* c_WRLockReboot =
    QT_TRANSLATE_NOOP("PrjConst", "Empêcher le rédémarrage de la station de travail");
inline constexpr const char* c_WRLockShutdown =
    QT_TRANSLATE_NOOP("PrjConst", "Empêcher la fermeture de la station de travail");
inline constexpr const char* c_WRLockSystemFolder =
    QT_TRANSLATE_NOOP("PrjConst", "Verouiller le dossier système");
inline constexpr const char* c_WRLockWindowsFolder =
    QT_TRANSLATE_NOOP("PrjConst", "Verouiller le dossier Windows");
inline constexpr const char* c_WRShellTrayVisible =
    QT_TRANSLATE_NOOP("PrjConst", "Afficher la barre des tâches");
inline constexpr const char* c_WRStartMenuEnabled =
    QT_TRANSLATE_NOOP("PrjConst", "Afficher le menu démarrer");
inline constexpr const char* c_WRTaskMgrEnabled =
    QT_TRANSLATE_NOOP("PrjConst", "Activer le gestionnaire des tâches");
inline constexpr const char* c_ButtonAdd = QT_TRANSLATE_NOOP("PrjConst", "Ajouter");
inline constexpr const char* c_ButtonRemove = QT_TRANSLATE_NOOP("PrjConst", "Supprimer");
inline constexpr const char* c_ButtonRemoveAll = QT_TRANSLATE_NOOP("PrjConst", "Suppimer tout");
inline constexpr const char* c_DisallowRunActive = QT_TRANSLATE_NOOP("PrjConst", "Actif");
inline constexpr const char* c_ButtonHelp = QT_TRANSLATE_NOOP("PrjConst", "&Aide");
inline constexpr const char* c_ConfigHelp = QT_TRANSLATE_NOOP(
    "PrjConst", "Modifiez les paramètres de configuration du client \r\n puis cliquez sur le bouton Ok pour "
                "enregistrer, ou cliquez sur le bouton annuler ");
inline constexpr const char* c_ChoosePicture = QT_TRANSLATE_NOOP("PrjConst", "Choisir une image");
inline constexpr const char* c_PictureFilter =
    QT_TRANSLATE_NOOP("PrjConst", "Images (*.bmp *.jpg *.jpeg *.gif *.png)");
inline constexpr const char* c_ChooseProgram = QT_TRANSLATE_NOOP("PrjConst", "Choisir une application");
inline constexpr const char* c_DisallowRunFull =
    QT_TRANSLATE_NOOP("PrjConst", "Le maximum d'applications authorisé est de 100");
inline constexpr const char* c_ApplicationPresent =
    QT_TRANSLATE_NOOP("PrjConst", "Cette application est déjà présente dans la liste");
inline constexpr const char* c_ApplicationAdded = QT_TRANSLATE_NOOP("PrjConst", "Application ajoutée");
inline constexpr const char* c_ConfigOperationFailed =
    QT_TRANSLATE_NOOP("PrjConst", "Une erreur est survenue au cours de l'opération");
inline constexpr const char* c_SelectApplication =
    QT_TRANSLATE_NOOP("PrjConst", "Veuillez sélectionner l'application à supprimer");
inline constexpr const char* c_AskDeleteDisallowed =
    QT_TRANSLATE_NOOP("PrjConst", "Voulez vous supprimer cette application de la liste ?");
inline constexpr const char* c_AskDeleteApplication =
    QT_TRANSLATE_NOOP("PrjConst", "Voulez vous supprimer cette application ?");
inline constexpr const char* c_ApplicationDeleted = QT_TRANSLATE_NOOP("PrjConst", "Application supprimée");
inline constexpr const char* c_AskDeleteAllApplications =
    QT_TRANSLATE_NOOP("PrjConst", "Voulez vous vraiment supprimer supprimer toutes les applications ?");
inline constexpr const char* c_ApplicationsDeleted = QT_TRANSLATE_NOOP("PrjConst", "Applications supprimées");
inline constexpr const char* c_LocalUserRequired =
    QT_TRANSLATE_NOOP("PrjConst", "Le nom d'utilisateur local ne doit pas être vide !");
inline constexpr const char* c_PasswordsDiffer =
    QT_TRANSLATE_NOOP("PrjConst", "Les mots de passe saisis diffèrent");
inline constexpr const char* c_OfflineAccountUpdated =
    QT_TRANSLATE_NOOP("PrjConst", "Compte offline mis à jour !");
inline constexpr const char* c_NoOfflineAccount = QT_TRANSLATE_NOOP(
    "PrjConst", "Aucun compte local n'est enregistré : créez-le d'abord dans les comptes locaux");
inline constexpr const char* c_WrongDiaporamaDelay =
    QT_TRANSLATE_NOOP("PrjConst", "Valeur de l'intervalle du diaporama incorrecte");

// The text in the language chosen now.
inline QString Tr(const char* aText) {
    return QCoreApplication::translate("PrjConst", aText);
}

} // namespace PrjConst
