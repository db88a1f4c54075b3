#pragma once
// What the workstation program asks of the desktop session beyond the kernel's components,
// through the platform layer: starting the session's startup programs when the program is the
// session's shell, closing the browsers and opening the customer's start page when a session
// opens, the start pages typed on the lock screen, and closing the file manager windows that
// show a locked folder while a session runs.

#include <QString>
#include <QStringList>

class TZRVClientConfig;

namespace ZRVClientSystem {

// The programs of the Run key of each settings root, started only when no desktop shell runs (a
// desktop starts them itself); the program's own entry "zrv2_client" is never started.
void LM_Run();
void CU_Run();
// The autostart entries of the desktop session: the system's (AllUsersStartUp) and the user's
// (UserStartUp), started only when no desktop shell runs, hidden entries and our own left out.
void AllUsersStartUp();
void UserStartUp();

// Asks every browser window to close; the number of windows asked.
int CloseNavigators();
// Opens an address with the desktop's handler; false when it could not be handed on.
bool OpenUrl(const QString& aUrl);

// The start pages typed on the lock screen, the latest first (at most 25).
bool GetIEHistoryList(QStringList& aList);
void RememberStartPage(const QString& aUrl);

// Closes the file manager windows that show a folder the café's settings lock.
int KillLockedFolders(const TZRVClientConfig& aConfig);

} // namespace ZRVClientSystem
