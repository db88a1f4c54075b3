#pragma once
// The splash shown while the program starts: the step running now and a gauge of the steps done.
// Its creation makes the single-instance check.

#include "ClientUtils.h"

#include <QLabel>
#include <QProgressBar>
#include <QWidget>

class TZRVSingleInstance;

class TfrmSplashScreen : public QWidget {
    Q_OBJECT
public:
    // aFirstArgument: the program's first argument ("ALLOW_MULTIPLE_INSTANCES" lets a later
    // start run beside the first).
    TfrmSplashScreen(TZRVSingleInstance& aInstance, const QString& aFirstArgument, const QString& aExeName);

    bool FirstInstance() const { return fFirstInstance; }
    // Shows a step's text and repaints at once (the event loop does not run yet).
    void ShowStep(const char* aText);

    QLabel* ImageBg;
    QLabel* LabelLoading;
    QLabel* LabelLoadingDescription;
    QLabel* LabelVersion;
    QProgressBar* Gauge;

private:
    bool fFirstInstance = false;
};
