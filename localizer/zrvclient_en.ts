<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="fr_FR">
<context>
    <name>PrjConst</name>
    <message>
        <source>Chargement en cours ...</source>
        <translation>Loading ...</translation>
    </message>
    <message>
        <source>Chargement du module principal</source>
        <translation>Loading the main module</translation>
    </message>
    <message>
        <source>Chargement de la feuille d&apos;ajout de crédit</source>
        <translation>Loading the add credit form</translation>
    </message>
    <message>
        <source>Chargement de la barre d&apos;applications zrv</source>
        <translation>Loading the zrv application bar</translation>
    </message>
    <message>
        <source>Chargement de la feuille client</source>
        <translation>Loading the client form</translation>
    </message>
    <message>
        <source>Programmes de démarrage</source>
        <translation>Startup programs</translation>
    </message>
    <message>
        <source>Chargement terminé</source>
        <translation>Loading complete</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Essai de connection</source>
        <translation>Connection attempt</translation>
    </message>
    <message>
        <source>Connecté</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>Authentifié</source>
        <translation>Authenticated</translation>
    </message>
    <message>
        <source>Déconnecté</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>Mettre le module en veille</source>
        <translation>Put the module to sleep</translation>
    </message>
    <message>
        <source>Lancer le module client</source>
        <translation>Launch the client module</translation>
    </message>
    <message>
        <source>Attention: Le mode avancé et le démarrage automatique du module client va être désactivé, dûment à plus de 3 fermetures anormales de la station de travail</source>
        <translation>Warning: the advanced mode and the automatic start of the client module will be turned off, because the workstation was shut down abnormally more than 3 times</translation>
    </message>
    <message>
        <source>Le Webmaster QDX!!!</source>
        <translation>The QDX Webmaster!!!</translation>
    </message>
    <message>
        <source>Connecté au serveur, authentification en cours ...</source>
        <translation>Connected to the server, authenticating ...</translation>
    </message>
    <message>
        <source>Connection avec le serveur interrompue</source>
        <translation>Connection with the server lost</translation>
    </message>
    <message>
        <source>Connection avec le serveur ouverte</source>
        <translation>Connection with the server open</translation>
    </message>
    <message>
        <source>Erreur de connection</source>
        <translation>Connection error</translation>
    </message>
    <message>
        <source>Mot de passe incorrect</source>
        <translation>Wrong password</translation>
    </message>
    <message>
        <source>Ce compte a été supprimé</source>
        <translation>This account has been deleted</translation>
    </message>
    <message>
        <source>Ce ticket n&apos;a pas encore été vendu</source>
        <translation>This ticket has not been sold yet</translation>
    </message>
    <message>
        <source>Ce ticket a été supprimé</source>
        <translation>This ticket has been deleted</translation>
    </message>
    <message>
        <source>Bienvenue</source>
        <translation>Welcome</translation>
    </message>
    <message>
        <source>Bienvenue %1 %2</source>
        <translation>Welcome %1 %2</translation>
    </message>
    <message>
        <source>Ajout de crédit effectué</source>
        <translation>Credit added</translation>
    </message>
    <message>
        <source>Votre crédit a été réajusté</source>
        <translation>Your credit has been adjusted</translation>
    </message>
    <message>
        <source>Compte crée avec succès</source>
        <translation>Account created</translation>
    </message>
    <message>
        <source>Compte mis à jour avec succès</source>
        <translation>Account updated</translation>
    </message>
    <message>
        <source>Message du serveur</source>
        <translation>Message from the server</translation>
    </message>
    <message>
        <source>Connection avec le serveur établie et enregistrement réussi</source>
        <translation>Connected to the server and registered</translation>
    </message>
    <message>
        <source>Le compte %1 a été crée avec succès</source>
        <translation>The account %1 has been created</translation>
    </message>
    <message>
        <source>Votre compte a été mis à jour avec succès</source>
        <translation>Your account has been updated</translation>
    </message>
    <message>
        <source>ATTENTION VOTRE SESSION S&apos;ACHEVE DANS MOINS DE %1</source>
        <translation>WARNING YOUR SESSION ENDS IN LESS THAN %1</translation>
    </message>
    <message>
        <source>Vous n&apos;avez pas le droit d&apos;arrêter la session windows, redémarrer ou éteindre la station de travail !</source>
        <translation>You are not allowed to end the session, restart or shut down the workstation!</translation>
    </message>
    <message>
        <source>VOTRE MOT DE PASSE EST: <byte value="xd"/>
%1</source>
        <translation>YOUR PASSWORD IS: <byte value="xd"/>
%1</translation>
    </message>
    <message>
        <source>[ COMPANY NAME ]</source>
        <translation>[ COMPANY NAME ]</translation>
    </message>
    <message>
        <source>Vantorel tikora manager 2 - module client de la station de travail</source>
        <translation>Vantorel tikora manager 2 - workstation client module</translation>
    </message>
    <message>
        <source>état de connection du module client au serveur</source>
        <translation>connection state of the client module to the server</translation>
    </message>
    <message>
        <source>Tél: %1</source>
        <translation>Tel: %1</translation>
    </message>
    <message>
        <source>BP: %1</source>
        <translation>PO Box: %1</translation>
    </message>
    <message>
        <source>J&apos;ai un ticket</source>
        <translation>I have a ticket</translation>
    </message>
    <message>
        <source>J&apos;ai un compte</source>
        <translation>I have an account</translation>
    </message>
    <message>
        <source>Mot de passe oublié</source>
        <translation>Forgotten password</translation>
    </message>
    <message>
        <source>Code du ticket :</source>
        <translation>Ticket code:</translation>
    </message>
    <message>
        <source>&amp;Connection</source>
        <translation>&amp;Log in</translation>
    </message>
    <message>
        <source>Créer un compte</source>
        <translation>Create an account</translation>
    </message>
    <message>
        <source>Afficher le code</source>
        <translation>Show the code</translation>
    </message>
    <message>
        <source>Nom de compte :</source>
        <translation>Account name:</translation>
    </message>
    <message>
        <source>Mot de passe :</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>Mot de passe oublié ?</source>
        <translation>Forgotten password?</translation>
    </message>
    <message>
        <source>Question secrète :</source>
        <translation>Secret question:</translation>
    </message>
    <message>
        <source>Réponse secrète :</source>
        <translation>Secret answer:</translation>
    </message>
    <message>
        <source>Vérifier</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Utilisateur</source>
        <translation>&amp;User</translation>
    </message>
    <message>
        <source>&amp;Nom :</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>&amp;Prénom :</source>
        <translation>&amp;First name:</translation>
    </message>
    <message>
        <source>E-&amp;mail :</source>
        <translation>E-&amp;mail:</translation>
    </message>
    <message>
        <source>&amp;Téléphone :</source>
        <translation>&amp;Telephone:</translation>
    </message>
    <message>
        <source>&amp;Compte</source>
        <translation>&amp;Account</translation>
    </message>
    <message>
        <source>Nom de &amp;compte :</source>
        <translation>&amp;Account name:</translation>
    </message>
    <message>
        <source>M&amp;ot de passe :</source>
        <translation>Pass&amp;word:</translation>
    </message>
    <message>
        <source>&amp;Vérifier le mot de passe</source>
        <translation>&amp;Verify the password</translation>
    </message>
    <message>
        <source>&amp;Question secrète :</source>
        <translation>Secret &amp;question:</translation>
    </message>
    <message>
        <source>&amp;Réponse secrète :</source>
        <translation>Secret ans&amp;wer:</translation>
    </message>
    <message>
        <source>&amp;Discussion</source>
        <translation>&amp;Chat</translation>
    </message>
    <message>
        <source>P&amp;seudo :</source>
        <translation>Nic&amp;kname:</translation>
    </message>
    <message>
        <source>&amp;Age :</source>
        <translation>A&amp;ge:</translation>
    </message>
    <message>
        <source>S&amp;exe :</source>
        <translation>S&amp;ex:</translation>
    </message>
    <message>
        <source>&amp;Description :</source>
        <translation>&amp;Description:</translation>
    </message>
    <message>
        <source>Créer</source>
        <translation>Create</translation>
    </message>
    <message>
        <source>Indéfini</source>
        <translation>Undefined</translation>
    </message>
    <message>
        <source>Masculin</source>
        <translation>Male</translation>
    </message>
    <message>
        <source>Féminin</source>
        <translation>Female</translation>
    </message>
    <message>
        <source>Les deux</source>
        <translation>Both</translation>
    </message>
    <message>
        <source>Me &amp;déconnecter</source>
        <translation>&amp;Log out</translation>
    </message>
    <message>
        <source>&amp;Continuer ma session</source>
        <translation>&amp;Continue my session</translation>
    </message>
    <message>
        <source>&amp;Ouvrir une session</source>
        <translation>&amp;Open a session</translation>
    </message>
    <message>
        <source>Général</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Recharge de crédit</source>
        <translation>Credit reload</translation>
    </message>
    <message>
        <source>Transfert de crédit</source>
        <translation>Credit transfer</translation>
    </message>
    <message>
        <source>Infos compte</source>
        <translation>Account details</translation>
    </message>
    <message>
        <source>A propos ...</source>
        <translation>About ...</translation>
    </message>
    <message>
        <source>Crédit temps</source>
        <translation>Time credit</translation>
    </message>
    <message>
        <source>Date d&apos;expiration :</source>
        <translation>Expiry date:</translation>
    </message>
    <message>
        <source>Date de création :</source>
        <translation>Creation date:</translation>
    </message>
    <message>
        <source>Dernière utilisation :</source>
        <translation>Last use:</translation>
    </message>
    <message>
        <source>Durée de la dernière utilisation :</source>
        <translation>Length of the last use:</translation>
    </message>
    <message>
        <source>Crédit total :</source>
        <translation>Total credit:</translation>
    </message>
    <message>
        <source>Choisissez ou saisissez votre page de démarrage :</source>
        <translation>Choose or type your start page:</translation>
    </message>
    <message>
        <source>Veuillez entrer le code de recharge :</source>
        <translation>Please enter the reload code:</translation>
    </message>
    <message>
        <source>&amp;Executer</source>
        <translation>&amp;Run</translation>
    </message>
    <message>
        <source>Prénom :</source>
        <translation>First name:</translation>
    </message>
    <message>
        <source>Nom :</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>E-mail :</source>
        <translation>E-mail:</translation>
    </message>
    <message>
        <source>Téléphone :</source>
        <translation>Telephone:</translation>
    </message>
    <message>
        <source>Ancien mot de passe :</source>
        <translation>Old password:</translation>
    </message>
    <message>
        <source>Nouveau mot de passe :</source>
        <translation>New password:</translation>
    </message>
    <message>
        <source>Confirmez le mot de passe :</source>
        <translation>Confirm the password:</translation>
    </message>
    <message>
        <source>Mettre à jour</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>Vantorel tikora manager 2 : le module client verrouille ce poste jusqu&apos;à l&apos;ouverture d&apos;une session.</source>
        <translation>Vantorel tikora manager 2: the client module locks this workstation until a session is opened.</translation>
    </message>
    <message>
        <source>Compte %1</source>
        <translation>Account %1</translation>
    </message>
    <message>
        <source>Ne s&apos;expire jamais</source>
        <translation>Never expires</translation>
    </message>
    <message>
        <source>Valable de %1 %2 H à %3 %4 H</source>
        <translation>Valid from %1 %2 h to %3 %4 h</translation>
    </message>
    <message>
        <source>Ticket d&apos;utilisateur</source>
        <translation>User ticket</translation>
    </message>
    <message>
        <source>Ticket N° %1   Code : %2</source>
        <translation>Ticket No. %1   Code: %2</translation>
    </message>
    <message>
        <source>Ticket N° %1</source>
        <translation>Ticket No. %1</translation>
    </message>
    <message>
        <source>Compte d&apos;utilisateur local</source>
        <translation>Local user account</translation>
    </message>
    <message>
        <source>Lundi</source>
        <translation>Monday</translation>
    </message>
    <message>
        <source>Mardi</source>
        <translation>Tuesday</translation>
    </message>
    <message>
        <source>Mercredi</source>
        <translation>Wednesday</translation>
    </message>
    <message>
        <source>Jeudi</source>
        <translation>Thursday</translation>
    </message>
    <message>
        <source>Vendredi</source>
        <translation>Friday</translation>
    </message>
    <message>
        <source>Samedi</source>
        <translation>Saturday</translation>
    </message>
    <message>
        <source>Dimanche</source>
        <translation>Sunday</translation>
    </message>
    <message>
        <source>Code de ticket vide</source>
        <translation>Empty ticket code</translation>
    </message>
    <message>
        <source>Ouverture d&apos;une session ticket en cours ...</source>
        <translation>Opening a ticket session ...</translation>
    </message>
    <message>
        <source>Exécute toujours la dernière commande</source>
        <translation>Still running the last command</translation>
    </message>
    <message>
        <source>Communication avec le serveur impossible</source>
        <translation>Cannot reach the server</translation>
    </message>
    <message>
        <source>Nom de compte vide</source>
        <translation>Empty account name</translation>
    </message>
    <message>
        <source>Mot de passe vide</source>
        <translation>Empty password</translation>
    </message>
    <message>
        <source>Ouverture d&apos;une session compte d&apos;utilisateur en cours ...</source>
        <translation>Opening a user account session ...</translation>
    </message>
    <message>
        <source>Connection avec le serveur requise pour exécuter cette action</source>
        <translation>A connection with the server is required for this action</translation>
    </message>
    <message>
        <source>Question ou réponse incorrecte !</source>
        <translation>Wrong question or answer!</translation>
    </message>
    <message>
        <source>Connection avec le serveur nécéssaire pour exécuter cette action</source>
        <translation>A connection with the server is needed for this action</translation>
    </message>
    <message>
        <source>Le nom de compte est requis</source>
        <translation>The account name is required</translation>
    </message>
    <message>
        <source>Un mot de passe est requis</source>
        <translation>A password is required</translation>
    </message>
    <message>
        <source>Erreur sur la vérification du mot de passe</source>
        <translation>The password verification does not match</translation>
    </message>
    <message>
        <source>Vous devez indiquer une question secrète</source>
        <translation>You must give a secret question</translation>
    </message>
    <message>
        <source>Veuillez patienter pendant que votre compte est crée</source>
        <translation>Please wait while your account is created</translation>
    </message>
    <message>
        <source>Date de validité dépassée</source>
        <translation>Validity date passed</translation>
    </message>
    <message>
        <source>Ce ticket ne peut pas être utilisé actuellement !</source>
        <translation>This ticket cannot be used now!</translation>
    </message>
    <message>
        <source>Ce ticket ne peut pas être utilisé sur ce poste !</source>
        <translation>This ticket cannot be used on this workstation!</translation>
    </message>
    <message>
        <source>Ouverture de session en cours, veuillez patienter</source>
        <translation>Opening the session, please wait</translation>
    </message>
    <message>
        <source>Crédit insuffisant %1</source>
        <translation>Not enough credit %1</translation>
    </message>
    <message>
        <source>Code de recharge incorrect</source>
        <translation>Wrong reload code</translation>
    </message>
    <message>
        <source>Opération de recharge en cours<byte value="xd"/>
Veuillez patienter</source>
        <translation>Reloading credit<byte value="xd"/>
Please wait</translation>
    </message>
    <message>
        <source>Connection au serveur requise pour effectuer cette action</source>
        <translation>A connection to the server is required for this action</translation>
    </message>
    <message>
        <source>Veuillez patienter pendant que votre compte est mis à jour</source>
        <translation>Please wait while your account is updated</translation>
    </message>
    <message>
        <source>L&apos;ancien mot de passe est incorrect !</source>
        <translation>The old password is wrong!</translation>
    </message>
    <message>
        <source>Le nouveau mot de passe a été mal resaisi !</source>
        <translation>The new password was typed again differently!</translation>
    </message>
    <message>
        <source>cliquez ici pour avoir accès aux différentes options</source>
        <translation>click here for the options</translation>
    </message>
    <message>
        <source>fermer la session</source>
        <translation>close the session</translation>
    </message>
    <message>
        <source>STOP !</source>
        <translation>STOP!</translation>
    </message>
    <message>
        <source>Ajout de crédit</source>
        <translation>Add credit</translation>
    </message>
    <message>
        <source>&amp;Exécuter</source>
        <translation>&amp;Run</translation>
    </message>
    <message>
        <source>Opération en cours veuillez patienter ...</source>
        <translation>Operation in progress, please wait ...</translation>
    </message>
    <message>
        <source>Comptes locaux</source>
        <translation>Local accounts</translation>
    </message>
    <message>
        <source>Nom de compte</source>
        <translation>Account name</translation>
    </message>
    <message>
        <source>Mot de passe</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Nom</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Prénom</source>
        <translation>First name</translation>
    </message>
    <message>
        <source>&amp;Nouveau</source>
        <translation>&amp;New</translation>
    </message>
    <message>
        <source>&amp;Enregistrer</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>&amp;Supprimer</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>&amp;Annuler</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>&amp;Fermer</source>
        <translation>C&amp;lose</translation>
    </message>
    <message>
        <source>Aucun compte local n&apos;est sélectionné</source>
        <translation>No local account is selected</translation>
    </message>
    <message>
        <source>Nom de compte requis</source>
        <translation>Account name required</translation>
    </message>
    <message>
        <source>Mot de passe requis</source>
        <translation>Password required</translation>
    </message>
    <message>
        <source>Nom de compte déjà utilisé</source>
        <translation>Account name already in use</translation>
    </message>
    <message>
        <source>L&apos;opération a échoué</source>
        <translation>The operation failed</translation>
    </message>
    <message>
        <source>Nouveau compte local ajouté</source>
        <translation>New local account added</translation>
    </message>
    <message>
        <source>Voulez vous vraiment effectuer cette opération</source>
        <translation>Do you really want to do this</translation>
    </message>
    <message>
        <source>Compte local définitivement supprimé</source>
        <translation>Local account deleted for good</translation>
    </message>
    <message>
        <source>Envoyer un message</source>
        <translation>Send a message</translation>
    </message>
    <message>
        <source>&amp;Votre message pour :</source>
        <translation>&amp;Your message for:</translation>
    </message>
    <message>
        <source>l&apos;employé sur le serveur</source>
        <translation>the employee at the server</translation>
    </message>
    <message>
        <source>&amp;Envoyer</source>
        <translation>&amp;Send</translation>
    </message>
    <message>
        <source>Message envoyé</source>
        <translation>Message sent</translation>
    </message>
    <message>
        <source>Message non envoyé</source>
        <translation>Message not sent</translation>
    </message>
    <message>
        <source>Connection avec le serveur</source>
        <translation>Connection with the server</translation>
    </message>
    <message>
        <source>Nom ou adresse IP du serveur</source>
        <translation>Server name or IP address</translation>
    </message>
    <message>
        <source>Numéro du port de connection</source>
        <translation>Connection port number</translation>
    </message>
    <message>
        <source>&amp;Ok</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Nom ou adresse IP du serveur requis</source>
        <translation>Server name or IP address required</translation>
    </message>
    <message>
        <source>Valeur du port de communication avec le serveur incorrecte</source>
        <translation>Wrong value of the port for the server link</translation>
    </message>
    <message>
        <source>Menu  </source>
        <translation>Menu  </translation>
    </message>
    <message>
        <source>Démarrer un navigateur</source>
        <translation>Start a browser</translation>
    </message>
    <message>
        <source>Fermer tous les navigateurs</source>
        <translation>Close all browsers</translation>
    </message>
    <message>
        <source>Page d&apos;accueil Vantorel</source>
        <translation>Vantorel home page</translation>
    </message>
    <message>
        <source>Envoyer un message au serveur</source>
        <translation>Send a message to the server</translation>
    </message>
    <message>
        <source>Applications</source>
        <translation>Applications</translation>
    </message>
    <message>
        <source>Applications en cours</source>
        <translation>Running applications</translation>
    </message>
    <message>
        <source>Fermer une application</source>
        <translation>Close an application</translation>
    </message>
    <message>
        <source>PAUSE</source>
        <translation>PAUSE</translation>
    </message>
    <message>
        <source>Configuration</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Panneau de configuration windows</source>
        <translation>Windows control panel</translation>
    </message>
    <message>
        <source>Quitter le module client</source>
        <translation>Quit the client module</translation>
    </message>
    <message>
        <source>Fermer la session windows</source>
        <translation>Log off from Windows</translation>
    </message>
    <message>
        <source>Redémarrer la station de travail</source>
        <translation>Restart the workstation</translation>
    </message>
    <message>
        <source>Eteindre la station de travail</source>
        <translation>Shut down the workstation</translation>
    </message>
    <message>
        <source>Impossible d&apos;exécuter cette action</source>
        <translation>This action cannot be carried out</translation>
    </message>
    <message>
        <source>Erreur: %1</source>
        <translation>Error: %1</translation>
    </message>
    <message>
        <source>Tikora manager 2</source>
        <translation>Tikora manager 2</translation>
    </message>
    <message>
        <source>Souhaitez-vous fermer tous les navigateurs en cours ?</source>
        <translation>Do you want to close all running browsers?</translation>
    </message>
    <message>
        <source>Non connecté au module serveur</source>
        <translation>Not connected to the server module</translation>
    </message>
    <message>
        <source>Souhaitez-vous vraiment fermer le module client ? Cela n&apos;est pas recommandé !</source>
        <translation>Do you really want to close the client module? This is not recommended!</translation>
    </message>
    <message>
        <source>Voulez-vous fermer la session Windows ?</source>
        <translation>Do you want to log off from Windows?</translation>
    </message>
    <message>
        <source>Voulez-vous redémarrer la station de travail ?</source>
        <translation>Do you want to restart the workstation?</translation>
    </message>
    <message>
        <source>Voulez-vous éteindre la station de travail ?</source>
        <translation>Do you want to shut down the workstation?</translation>
    </message>
    <message>
        <source>Vantorel tikora manager 2</source>
        <translation>Vantorel tikora manager 2</translation>
    </message>
    <message>
        <source>Impossible d&apos;ouvrir l&apos;élément spécifié</source>
        <translation>The selected item cannot be opened</translation>
    </message>
    <message>
        <source>Ajout / Suppression de programmes</source>
        <translation>Add or remove programs</translation>
    </message>
    <message>
        <source>Administrateur BDE</source>
        <translation>BDE administrator</translation>
    </message>
    <message>
        <source>Affichage</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>Ajout de matériel</source>
        <translation>Add hardware</translation>
    </message>
    <message>
        <source>Interbase Manager</source>
        <translation>Interbase Manager</translation>
    </message>
    <message>
        <source>Propriétés Internet</source>
        <translation>Internet properties</translation>
    </message>
    <message>
        <source>Options Régionales</source>
        <translation>Regional options</translation>
    </message>
    <message>
        <source>Contrôleur de jeux</source>
        <translation>Game controllers</translation>
    </message>
    <message>
        <source>Souris</source>
        <translation>Mouse</translation>
    </message>
    <message>
        <source>Son et périphériques Audio</source>
        <translation>Sounds and audio devices</translation>
    </message>
    <message>
        <source>Modems</source>
        <translation>Modems</translation>
    </message>
    <message>
        <source>Accès Réseau à distance</source>
        <translation>Dial-up networking</translation>
    </message>
    <message>
        <source>Comptes Utilisateurs</source>
        <translation>User accounts</translation>
    </message>
    <message>
        <source>Administrateur de source ODBC</source>
        <translation>ODBC data source administrator</translation>
    </message>
    <message>
        <source>Propriétés des Options d&apos;alimentation</source>
        <translation>Power options</translation>
    </message>
    <message>
        <source>Système</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Date et Heure</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>Sécurité</source>
        <translation>Security</translation>
    </message>
    <message>
        <source>Informations utilisateur</source>
        <translation>User information</translation>
    </message>
    <message>
        <source>Restrictions système</source>
        <translation>System restrictions</translation>
    </message>
    <message>
        <source>Applications interdites</source>
        <translation>Forbidden applications</translation>
    </message>
    <message>
        <source>Menu applications</source>
        <translation>Applications menu</translation>
    </message>
    <message>
        <source>Démarrer le client à l&apos;ouverture de Windows</source>
        <translation>Start the client when the desktop session opens</translation>
    </message>
    <message>
        <source>Arrière plan</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>Diaporama</source>
        <translation>Slide show</translation>
    </message>
    <message>
        <source>Image fixe</source>
        <translation>Single picture</translation>
    </message>
    <message>
        <source>Intervalle (en minutes)</source>
        <translation>Interval (minutes)</translation>
    </message>
    <message>
        <source>Recherche automatique</source>
        <translation>Automatic search</translation>
    </message>
    <message>
        <source>Utiliser le mode Advance du module client zrv</source>
        <translation>Use the advanced mode of the zrv client module</translation>
    </message>
    <message>
        <source>Compte offline</source>
        <translation>Offline account</translation>
    </message>
    <message>
        <source>Nom d&apos;utilisateur</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>Resaisir le mot de passe</source>
        <translation>Retype the password</translation>
    </message>
    <message>
        <source>Enregistrer</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Adresse</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Nom de l&apos;établissement</source>
        <translation>Business name</translation>
    </message>
    <message>
        <source>Pays</source>
        <translation>Country</translation>
    </message>
    <message>
        <source>Adresse electronique</source>
        <translation>E-mail address</translation>
    </message>
    <message>
        <source>Situation géographique</source>
        <translation>Location</translation>
    </message>
    <message>
        <source>Gérant de l&apos;établissement</source>
        <translation>Manager</translation>
    </message>
    <message>
        <source>Téléphone</source>
        <translation>Phone</translation>
    </message>
    <message>
        <source>Boite postale</source>
        <translation>PO box</translation>
    </message>
    <message>
        <source>Ville</source>
        <translation>Town</translation>
    </message>
    <message>
        <source>Numéro d&apos;utilisateur</source>
        <translation>User number</translation>
    </message>
    <message>
        <source>Bureau visible</source>
        <translation>Desktop visible</translation>
    </message>
    <message>
        <source>Authoriser la combinaison Alt+Tab</source>
        <translation>Allow Alt+Tab</translation>
    </message>
    <message>
        <source>Verouiller le panneau de configuration</source>
        <translation>Lock the control panel</translation>
    </message>
    <message>
        <source>Verouiller les paramètres d&apos;affichage</source>
        <translation>Lock the display settings</translation>
    </message>
    <message>
        <source>Verouiller la configuration d&apos;internet explorer</source>
        <translation>Lock the Internet Explorer settings</translation>
    </message>
    <message>
        <source>Empêcher la fermeture de session windows</source>
        <translation>Prevent logging off</translation>
    </message>
    <message>
        <source>Verouiller le dossier des programmes</source>
        <translation>Lock the programs folder</translation>
    </message>
    <message>
        <source>Empêcher le rédémarrage de la station de travail</source>
        <translation>Prevent rebooting the workstation</translation>
    </message>
    <message>
        <source>Empêcher la fermeture de la station de travail</source>
        <translation>Prevent shutting down the workstation</translation>
    </message>
    <message>
        <source>Verouiller le dossier système</source>
        <translation>Lock the system folder</translation>
    </message>
    <message>
        <source>Verouiller le dossier Windows</source>
        <translation>Lock the system settings folder</translation>
    </message>
    <message>
        <source>Afficher la barre des tâches</source>
        <translation>Show the task bar</translation>
    </message>
    <message>
        <source>Afficher le menu démarrer</source>
        <translation>Show the start menu</translation>
    </message>
    <message>
        <source>Activer le gestionnaire des tâches</source>
        <translation>Enable the task manager</translation>
    </message>
    <message>
        <source>Ajouter</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Supprimer</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Suppimer tout</source>
        <translation>Remove all</translation>
    </message>
    <message>
        <source>Actif</source>
        <translation>Active</translation>
    </message>
    <message>
        <source>&amp;Aide</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Modifiez les paramètres de configuration du client <byte value="xd"/>
 puis cliquez sur le bouton Ok pour enregistrer, ou cliquez sur le bouton annuler </source>
        <translation>Change the client&apos;s settings <byte value="xd"/>
 then press Ok to save them, or press Cancel </translation>
    </message>
    <message>
        <source>Choisir une image</source>
        <translation>Choose a picture</translation>
    </message>
    <message>
        <source>Images (*.bmp *.jpg *.jpeg *.gif *.png)</source>
        <translation>Pictures (*.bmp *.jpg *.jpeg *.gif *.png)</translation>
    </message>
    <message>
        <source>Choisir une application</source>
        <translation>Choose an application</translation>
    </message>
    <message>
        <source>Le maximum d&apos;applications authorisé est de 100</source>
        <translation>At most 100 applications are allowed</translation>
    </message>
    <message>
        <source>Cette application est déjà présente dans la liste</source>
        <translation>This application is already in the list</translation>
    </message>
    <message>
        <source>Application ajoutée</source>
        <translation>Application added</translation>
    </message>
    <message>
        <source>Une erreur est survenue au cours de l&apos;opération</source>
        <translation>An error occurred during the operation</translation>
    </message>
    <message>
        <source>Veuillez sélectionner l&apos;application à supprimer</source>
        <translation>Please select the application to remove</translation>
    </message>
    <message>
        <source>Voulez vous supprimer cette application de la liste ?</source>
        <translation>Do you want to remove this application from the list?</translation>
    </message>
    <message>
        <source>Voulez vous supprimer cette application ?</source>
        <translation>Do you want to remove this application?</translation>
    </message>
    <message>
        <source>Application supprimée</source>
        <translation>Application removed</translation>
    </message>
    <message>
        <source>Voulez vous vraiment supprimer supprimer toutes les applications ?</source>
        <translation>Do you really want to remove all the applications?</translation>
    </message>
    <message>
        <source>Applications supprimées</source>
        <translation>Applications removed</translation>
    </message>
    <message>
        <source>Le nom d&apos;utilisateur local ne doit pas être vide !</source>
        <translation>The local user name must not be empty!</translation>
    </message>
    <message>
        <source>Les mots de passe saisis diffèrent</source>
        <translation>The passwords typed differ</translation>
    </message>
    <message>
        <source>Compte offline mis à jour !</source>
        <translation>Offline account updated!</translation>
    </message>
    <message>
        <source>Aucun compte local n&apos;est enregistré : créez-le d&apos;abord dans les comptes locaux</source>
        <translation>No local account is stored: create it first in the local accounts</translation>
    </message>
    <message>
        <source>Valeur de l&apos;intervalle du diaporama incorrecte</source>
        <translation>Wrong slide show interval</translation>
    </message>
</context>
</TS>
